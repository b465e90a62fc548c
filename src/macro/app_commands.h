// The application commands of the macro language (message MM_APP_COMMAND).
#pragma once

#include "base/commands.h"
#include "platform/os.h"

namespace mivo {

// HANDLED for a handled code (also with a missing argument); NOT_MINE otherwise and for Mouse.
os::LRESULT RunAppCommand(os::WPARAM code, const char* argument);

// Kill: sends WM_DESTROY, then WM_QUIT, to top-level windows whose class or title
// starts with `prefix`, waiting waitTenths x 100 ms after each; at most 30 walks.
void CloseWindowsMatching(const char* prefix, int waitTenths);
// Process: starts a program; failures are silent.
void StartProgram(const char* commandLine);

}  // namespace mivo
