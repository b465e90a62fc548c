#pragma once
#include "platform/os.h"

namespace mivo {

int KeybdInit(os::Window mainWindow, os::Instance instance);
int KeybdFinish();  // 1
bool IsMivoWindow(os::Window w);
// The library entry point of the keyboard module's interface: it only answers 1.
int DllMain(os::Instance instance, os::DWORD reason, void* reserved);

}  // namespace mivo
