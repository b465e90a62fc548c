// The real entry point of a Windows program: hands over to the program's AppMain.
#include "platform/os.h"
#include "platform/win32/win.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int showCommand) {
  return os::AppMain(reinterpret_cast<os::Instance>(instance), showCommand);
}
