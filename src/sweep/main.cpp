// mivoSweep's entry: the backend's WinMain (or main) lands here.
#include "platform/os.h"
#include "sweep/app.h"

int os::AppMain(os::Instance instance, int showCommand) {
  return mivo::sweep::SweepMain(instance, showCommand);
}
