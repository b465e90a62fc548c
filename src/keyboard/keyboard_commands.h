// The keyboard commands of the macro language: reloading the keyboard, moving the
// focus, the role keys, showing and hiding keys, automatic scanning and the lock.
#pragma once

#include <cstdint>

#include "platform/os.h"

namespace mivo {

// Command codes (group 2 of the command table).
constexpr os::WPARAM KC_LOAD_CFG_C = 513;
constexpr os::WPARAM KC_LOAD_CFG_NC = 514;
constexpr os::WPARAM KC_GO_HOME = 529;
constexpr os::WPARAM KC_GO_KEYBOARD = 530;
constexpr os::WPARAM KC_GO_PYOSOKU = 531;
constexpr os::WPARAM KC_GO_YOSOKU = 532;
constexpr os::WPARAM KC_HIDE = 533;
constexpr os::WPARAM KC_SET_HOME = 534;
constexpr os::WPARAM KC_SET_KEYBOARD = 535;
constexpr os::WPARAM KC_SET_PYOSOKU = 536;
constexpr os::WPARAM KC_SET_YOSOKU = 537;
constexpr os::WPARAM KC_SHOW = 538;
constexpr os::WPARAM KC_TOGGLE_AUTO_SCAN = 540;
constexpr os::WPARAM KC_SET_FOCUS = 541;
constexpr os::WPARAM KC_SELECT_KEY = 542;
constexpr os::WPARAM KC_LOCK = 545;
constexpr os::WPARAM KC_LOCK_SLOW = 546;
constexpr os::WPARAM KC_LOCK_QUICK = 547;

// Runs one keyboard command; -1 when handled (Lock: the lock message's result),
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
