// The keyboard commands: the owner of message 1794's codes.
#include "keyboard/keyboard_commands.h"

#include "base/bus.h"
#include "base/messages.h"
#include "base/settings.h"
#include "base/text.h"
#include "base/text_constants.h"
#include "keyboard/key_tree.h"
#include "keyboard/keyboard_file.h"
#include "keyboard/scanning.h"

namespace mivo {

namespace {

// The key whose id the digits from p on give; a value too large for an id names no key
// (rather than wrapping round to some other key's id), and so does no digit at all.
int32_t KeyByDigits(const char* p) {
  bool fits = false;
  const int32_t id = static_cast<int32_t>(LeadingDigits(p, nullptr, &fits));
  return IsDigit(static_cast<unsigned char>(*p)) && fits ? FindKeyById(id) : 0;
}

os::LRESULT Reload(os::WPARAM code, const char* file) {
  // "LoadCfgC()" is how a macro writes the command without a file: the configured one.
  if (file != nullptr && file[0] == '\0') file = nullptr;
  if (!ReloadKeyboard(file)) return HANDLED;
  if (code == KC_LOAD_CFG_NC) {
    PostToMain(MM_IME_CANDIDATES, 0, 0);
    PostToMain(MM_PREDICT_CANDIDATES, 0, 0);
  }
  PostToMain(MM_GO_HOME, 0, 0);
  return HANDLED;
}

os::LRESULT LockWithInterval(int32_t interval, const char* name) {
  settings.LockInterval = interval;
  SendToMain(MM_LOCK, reinterpret_cast<os::WPARAM>(name), 0);
  // Only Lock itself defers or releases the rest of its macro.
  return HANDLED;
}

bool NeedsArgument(os::WPARAM code) {
  switch (code) {
    case KC_HIDE:
    case KC_SET_HOME:
    case KC_SET_KEYBOARD:
    case KC_SET_PYOSOKU:
    case KC_SET_YOSOKU:
    case KC_SHOW:
    case KC_SET_FOCUS:
    case KC_SELECT_KEY:
    case KC_LOCK:
    case KC_LOCK_SLOW:
    case KC_LOCK_QUICK:
      return true;
    default:
      return false;
  }
}

}  // namespace

int32_t KeyByFirstNumber(const char* text) {
  if (text == nullptr) return 0;
  while (*text != '\0' && !IsDigit(static_cast<unsigned char>(*text))) ++text;
  return KeyByDigits(text);
}

int32_t KeyByWholeNumber(const char* text) {
  // No digit before the point ("" or ".5") is the value 0, which names no key.
  return IsNumberText(text) ? KeyByDigits(text) : 0;
}

int ReloadKeyboard(const char* file) {
  if (file == nullptr) file = settings.KeyCfgFile ? settings.KeyCfgFile : kDefaultKeyCfgFile;
  // Colour sets, roles, panels, the focus index and a running lock stay; the new file's
  // tags set the roles again when their messages arrive.
  DeleteAllKeys();
  if (LoadKeyboardFile(file, 0) == 0) return 1;
  PostToMain(MM_QUIT, 0, 0);
  os::MessageBox(nullptr, kKeyboardSetupFailed, kMivoErrorCaption, os::MB_OK | os::MB_TOPMOST);
  PostToMain(MM_QUIT, 0, 0);
  return 0;
}

os::LRESULT KeybdMacro(os::WPARAM code, const char* argument) {
  if (argument == nullptr && NeedsArgument(code)) return HANDLED;
  switch (code) {
    case KC_LOAD_CFG_C:
    case KC_LOAD_CFG_NC:
      return Reload(code, argument);
    case KC_GO_HOME:
      PostToMain(MM_GO_HOME, 0, 0);
      return HANDLED;
    case KC_GO_KEYBOARD:
      PostToMain(MM_GO_KEYBOARD, 0, 0);
      return HANDLED;
    case KC_GO_PYOSOKU:
      PostToMain(MM_GO_PYOSOKU, 0, 0);
      return HANDLED;
    case KC_GO_YOSOKU:
      // Nothing takes this message: the conversion panel has no focus move of its own.
      PostToMain(MM_GO_YOSOKU, 0, 0);
      return HANDLED;
    case KC_HIDE: {
      const int32_t k = KeyByFirstNumber(argument);
      if (k != 0) HideKeyForLater(k);
      return HANDLED;
    }
    case KC_SHOW: {
      const int32_t k = KeyByFirstNumber(argument);
      if (k != 0) ShowKeyForLater(k);
      return HANDLED;
    }
    case KC_SET_HOME: {
      const int32_t k = KeyByFirstNumber(argument);
      if (k != 0) SetHomeKey(k);
      return HANDLED;
    }
    case KC_SET_KEYBOARD: {
      const int32_t k = KeyByFirstNumber(argument);
      if (k != 0) SetKeyboardKey(k);
      return HANDLED;
    }
    case KC_SET_PYOSOKU: {
      // The panels belong to the candidate keys, which take them by these messages.
      const int32_t k = KeyByFirstNumber(argument);
      if (k != 0) SendToMain(MM_SET_PYOSOKU, static_cast<os::WPARAM>(k), 0);
      PostToMain(MM_PREDICT_CANDIDATES, 0, 0);
      return HANDLED;
    }
    case KC_SET_YOSOKU: {
      const int32_t k = KeyByFirstNumber(argument);
      if (k != 0) SendToMain(MM_SET_YOSOKU, static_cast<os::WPARAM>(k), 0);
      PostToMain(MM_IME_CANDIDATES, 0, 0);
      return HANDLED;
    }
    case KC_TOGGLE_AUTO_SCAN:
      settings.TimerFlag = settings.TimerFlag ? 0 : 1;
      keyboardState.TickCount = settings.TimerWait;
      if (settings.TimerFlag) {
        PostToMain(MM_AUTOSCAN_ON, static_cast<os::WPARAM>(keyboardState.HomeKey), 0);
      } else {
        keyboardState.RefocusOnce = 1;
      }
      return HANDLED;
    case KC_SET_FOCUS: {
      const int32_t k = KeyByWholeNumber(argument);
      if (k != 0) FocusKey(k);
      return HANDLED;
    }
    case KC_SELECT_KEY: {
      const int32_t k = KeyByWholeNumber(argument);
      if (k != 0) {
        FocusKey(k);
        ActivateKey(k);
      }
      return HANDLED;
    }
    case KC_LOCK:
      return SendToMain(MM_LOCK, reinterpret_cast<os::WPARAM>(argument), 0);
    case KC_LOCK_SLOW:
      return LockWithInterval(settings.LockIntervalSlow, argument);
    case KC_LOCK_QUICK:
      return LockWithInterval(settings.LockIntervalQuick, argument);
    default:
      return NOT_MINE;
  }
}

}  // namespace mivo
