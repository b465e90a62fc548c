#pragma once
#include "keyboard/state.h"  // the hooks the parts above set
#include "platform/os.h"

namespace mivo {

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
