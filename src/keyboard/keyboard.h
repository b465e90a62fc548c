#pragma once
#include "platform/os.h"

namespace mivo {

// What the parts above the keyboard plug into it; each hook may be null, and then the
// keyboard does without: prediction learns every key action, the shell keeps the bar
// docked when the keyboard changes size or the shell says so.
struct KeyboardHooks {
  void (*recordMacroRun)(const char* text);
  int (*appBarNotify)(os::Window mainWindow, os::WPARAM code, os::LPARAM argument);
};
extern KeyboardHooks keyboardHooks;

int KeybdInit(os::Window mainWindow, os::Instance instance);
int KeybdFinish();  // 1
bool IsMivoWindow(os::Window w);
// The library entry point of the keyboard module's interface: it only answers 1.
int DllMain(os::Instance instance, os::DWORD reason, void* reserved);

}  // namespace mivo
