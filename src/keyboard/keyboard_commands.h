// The keyboard commands of the macro language: reloading the keyboard, moving the
// focus, the role keys, showing and hiding keys, automatic scanning and the lock.
#pragma once

#include <cstdint>

#include "base/commands.h"
#include "platform/os.h"

namespace mivo {

// Runs one keyboard command; HANDLED when handled (Lock: the lock message's result),
// NOT_MINE for a code that is not a keyboard command.
os::LRESULT KeybdMacro(os::WPARAM code, const char* argument);

// The key named by an argument, 0 for none. The first reading skips to the first digit
// and reads the run of digits there; the whole reading takes digits with at most one
// point (the part before it). Ids are looked up among the keys.
int32_t KeyByFirstNumber(const char* text);
int32_t KeyByWholeNumber(const char* text);

// Reloads the keyboard from `file` (null: the configured keyboard file); 1 on success.
// A failure ends the program after its box.
int ReloadKeyboard(const char* file);

}  // namespace mivo
