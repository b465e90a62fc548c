#pragma once
#include "platform/os.h"

namespace mivo {

int KeybdInit(os::Window mainWindow, os::Instance instance);
void KeybdFinish();
bool IsMivoWindow(os::Window w);

}  // namespace mivo
