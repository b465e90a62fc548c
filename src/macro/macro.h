// The macro processor: parses macro texts and routes every command word by message
// to its owner; keeps the one macro text that a lock defers.
#pragma once

#include "base/messages.h"  // the lock results it acts on
#include "platform/os.h"

namespace mivo {

struct CommandEntry {
  const char* word;
  os::UINT message;
  os::WPARAM code;
};

constexpr int COMMAND_COUNT = 47;
extern const CommandEntry CommandTable[COMMAND_COUNT];

// How deep macro runs (and command lists) may nest: a macro that runs itself through
// key events or predictions must end. A run started at this depth does nothing and
// answers 0; the runs around it go on.
constexpr int MAX_MACRO_DEPTH = 32;

// The last link of the main window's chain: runs MM_RUN_MACRO texts and the
// application commands (MM_APP_COMMAND).
os::LRESULT MacroMainProc(os::Window, os::UINT, os::WPARAM, os::LPARAM);

// Runs a macro text (on its own copy); the last non-zero command result, or 0.
int RunMacro(const char* text);
// Runs one command word with its argument (may be null); 0 for an unknown word.
os::LRESULT RunCommand(const char* word, const char* argument);
// Runs the "Word[argument]" list of a "Command(...)"; the last command's result.
os::LRESULT RunCommandList(const char* text);
// Runs and releases the pending text, if any; its result, else 0.
int RunPendingMacro();
// Shutdown: releases a pending text without running it.
void ReleasePendingMacro();
// The first CommandTable entry with exactly this word, or null.
const CommandEntry* FindCommand(const char* word);

}  // namespace mivo
