// Everything the shell changes while the program runs, in one place, and the one call
// that puts the whole program back as a fresh start finds it.
#pragma once

#include "platform/os.h"

namespace mivo {

struct ShellState {
  os::UINT_PTR tickTimer = 0;
  int docked = 0;
  os::UINT edge = os::ABE_BOTTOM;
  os::AppBarData bar{};
  os::Window remembered = nullptr;  // the user's application, to give the foreground back to
  bool rawInput = false;            // key and button changes wake the loop's rest
};
extern ShellState shellState;

// Every subsystem's state back to its start-up values, releasing what it holds: what a
// new process would find. For runs of the program that share one process (tests).
void ResetProgramState();

}  // namespace mivo
