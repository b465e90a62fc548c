// Start-up of mivoSweep: one running copy, the window, the message loop.
#pragma once

#include "platform/os.h"

namespace mivo::sweep {

// The program's entry. A second start brings the running copy to the front and ends.
int SweepMain(os::Instance instance, int showCommand);

}  // namespace mivo::sweep
