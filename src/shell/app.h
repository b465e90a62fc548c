// The life of the main program: start-up, the polling loop and shutdown.
#pragma once

#include "platform/os.h"

namespace mivo {

// The program's entry; returns the exit code (-1 when start-up failed).
int MivoMain(os::Instance instance, int showCommand);

os::Window StartUp(os::Instance instance, int showCommand);
os::Window CreateMainWindow(os::Instance instance, os::WndProc proc);
int CheckEmergencyExit();
void ShutDown(os::Window mainWindow);

}  // namespace mivo
