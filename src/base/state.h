// Everything the base layer changes while the program runs, in one place (the settings
// beside it, in base/settings.h), so that one call puts back what a fresh start finds. The
// allocator's count of live blocks is not part of it: that count is the leak check, and holds
// across starts.
#pragma once

#include <cstdint>

#include "platform/os.h"

namespace mivo {

struct BaseState {
  os::Window mainWindow = nullptr;
  os::FileHandle logFile = nullptr;
  int32_t selections = 0;  // usage counters since the last reset
  int32_t outputs = 0;
};
extern BaseState baseState;

// Closes the log and puts every value back, the settings too.
void ResetBaseState();

}  // namespace mivo
