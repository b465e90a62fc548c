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
int KeybdFinish();  // 1
bool IsMivoWindow(os::Window w);
// The library entry point of the keyboard module's interface: it only answers 1.
int DllMain(os::Instance instance, os::DWORD reason, void* reserved);

}  // namespace mivo
