#pragma once
#include "platform/os.h"

namespace mivo {

// What the parts above the keyboard plug into it; each hook may be null, and then the
// keyboard does without.
struct KeyboardHooks {
  // Prediction learns every key action before it runs.
  void (*recordMacroRun)(const char* text);
  // The shell keeps the bar docked when the keyboard changes size or the shell says so.
  int (*appBarNotify)(os::Window mainWindow, os::WPARAM code, os::LPARAM argument);
  // The candidate keys let unset next and previous templates take the conversion
  // template before each colour set of a keyboard file is made.
  void (*defaultTemplates)();
};
extern KeyboardHooks keyboardHooks;

int KeybdInit(os::Window mainWindow, os::Instance instance);
// At start-up the keys are read before the docking gives the main window its size, and
// under Wine a key window costs about as much to move as to make. So from
// MakeKeyWindowsLater on, keys are laid out, shown, hidden and relaid as ever, but their
// windows are only made by MakeKeyWindowsNow, once, as they would stand by then.
void MakeKeyWindowsLater();
void MakeKeyWindowsNow();
int KeybdFinish();  // 1
bool IsMivoWindow(os::Window w);
// The library entry point of the keyboard module's interface: it only answers 1.
int DllMain(os::Instance instance, os::DWORD reason, void* reserved);

}  // namespace mivo
