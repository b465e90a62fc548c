// Every command code of the macro language, in one place: the macro processor's table
// routes each command word by these, and each owner dispatches on them. A code is the
// group times 256 plus the command's number.
#pragma once

#include "platform/os.h"

namespace mivo {

// Group 1, MM_APP_COMMAND: the application commands (macro subsystem).
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

// Group 2, MM_KEYBOARD_COMMAND: the keyboard commands.
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

// Group 3, MM_PREDICT_COMMAND: the prediction commands.
constexpr os::WPARAM PC_P_TRANSLATE_D = 769;
constexpr os::WPARAM PC_P_TRANSLATE_I = 770;
constexpr os::WPARAM PC_P_TRANSLATE_P = 771;
constexpr os::WPARAM PC_P_TRANSLATE_W = 772;
constexpr os::WPARAM PC_P_NEXT_CANDIDATES = 785;
constexpr os::WPARAM PC_P_PREVIOUS_CANDIDATES = 786;

// Group 4, MM_IME_COMMAND: the conversion commands.
constexpr os::WPARAM IC_ADD_READ = 1025;
constexpr os::WPARAM IC_GET_ALL_CANDIDATES = 1026;
constexpr os::WPARAM IC_GET_IME_CANDIDATES = 1027;
constexpr os::WPARAM IC_TRANSLATE_D = 1028;
constexpr os::WPARAM IC_TRANSLATE_I = 1029;
constexpr os::WPARAM IC_TRANSLATE_P = 1030;
constexpr os::WPARAM IC_TRANSLATE_W = 1031;
constexpr os::WPARAM IC_CLEAR_READ = 1041;
constexpr os::WPARAM IC_NEXT_CANDIDATES = 1042;
constexpr os::WPARAM IC_PREVIOUS_CANDIDATES = 1043;
constexpr os::WPARAM IC_REGISTER_WORD = 1044;
constexpr os::WPARAM IC_SMALL_KANA = 1045;

}  // namespace mivo
