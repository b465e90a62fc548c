// The keyboard's start and stop: tables, metrics, the key window class, the pointer
// placement and the keyboard files read at start-up.
#include "keyboard/keyboard.h"

#include "base/bus.h"
#include "base/messages.h"
#include "base/settings.h"
#include "base/text_constants.h"
#include "keyboard/key_tree.h"
#include "keyboard/keyboard_file.h"
#include "keyboard/painting.h"
#include "keyboard/scanning.h"
#include "keyboard/state.h"

namespace mivo {

namespace {

// Pointer placement at start: relative moves, as a pointing device would make them.
void PlacePointer(os::Window mainWindow) {
  if (settings.ForceMouseMove != 1 && settings.ForceMouseMove != 2) return;
  os::Point cursor{0, 0};
  os::Rect frame{0, 0, 0, 0};
  os::GetCursorPos(&cursor);
  os::GetWindowRect(mainWindow, &frame);
  if (settings.ForceMouseMove == 2) {
    if (KeyUnderCursor() == 0) {
      os::mouse_event(os::MOUSEEVENTF_MOVE, static_cast<os::DWORD>(frame.right - cursor.x - 16),
                      static_cast<os::DWORD>(frame.bottom - cursor.y - 16), 0, 0);
    }
  } else if (KeyUnderCursor() != 0) {
    os::mouse_event(os::MOUSEEVENTF_MOVE, 0, static_cast<os::DWORD>(frame.top - cursor.y), 0, 0);
  }
}

}  // namespace

int KeybdInit(os::Window mainWindow, os::Instance instance) {
  KeyTableInit();
  SetKeyboardInstance(instance);
  UpdateMetrics(mainWindow);
  keyboardState.classRegistered = RegisterKeyWindowClass(instance);
  PlacePointer(mainWindow);
  ColorSetTableInit();
  if (settings.ColorCfgFile && settings.ColorCfgFile[0]) LoadKeyboardFile(settings.ColorCfgFile, 0);
  const char* keyFile = settings.KeyCfgFile ? settings.KeyCfgFile : kDefaultKeyCfgFile;
  if (LoadKeyboardFile(keyFile, 0) != 0) {
    os::MessageBox(nullptr, kKeyboardSetupFailed, kMivoErrorCaption, os::MB_OK);
    return 0;
  }
  PostToMain(MM_GO_START, 0, 0);
  return 1;
}

int KeybdFinish() {
  ResetScanState();  // a lock still running owns its key name
  KeyTableFree();
  DeleteKeyFont();
  if (keyboardState.classRegistered) os::UnregisterClass(KEY_WINDOW_CLASS, KeyboardInstance());
  keyboardState.classRegistered = false;
  ColorSetTableFree();
  return 1;
}

KeyboardState keyboardState;

void ResetKeyboardState() {
  KeybdFinish();
  keyboardState = KeyboardState{};
}

bool IsMivoWindow(os::Window w) {
  if (!w) return false;
  return w == GetMainWindow() || FindKeyByWindow(w) != 0;
}

int DllMain(os::Instance, os::DWORD, void*) { return 1; }

}  // namespace mivo
