// The application commands of the macro language (message MM_APP_COMMAND).
#pragma once

#include "platform/os.h"

namespace mivo {

// Command codes of MM_APP_COMMAND.
constexpr os::WPARAM CMD_DIRECT = 257;
constexpr os::WPARAM CMD_DIRECT_PHRASE = 258;
constexpr os::WPARAM CMD_KILL = 259;
constexpr os::WPARAM CMD_LOAD_SETTING = 260;
constexpr os::WPARAM CMD_PROCESS = 264;
constexpr os::WPARAM CMD_RELEASE_SPECIAL_KEYS = 265;
constexpr os::WPARAM CMD_WAIT = 266;
constexpr os::WPARAM CMD_RELEASE_ALT_KEYS = 268;
constexpr os::WPARAM CMD_MOUSE = 269;
constexpr os::WPARAM CMD_MIVO_QUIT = 273;
constexpr os::WPARAM CMD_RESET_COUNTER = 274;

// -1 for a handled code (also with a missing argument); NOT_MINE otherwise and for Mouse.
os::LRESULT RunAppCommand(os::WPARAM code, const char* argument);

// Kill: sends WM_DESTROY, then WM_QUIT, to top-level windows whose class or title
// starts with `prefix`, waiting waitTenths x 100 ms after each; at most 30 walks.
void CloseWindowsMatching(const char* prefix, int waitTenths);
// Process: starts a program; failures are silent.
void StartProgram(const char* commandLine);

}  // namespace mivo
