// Everything prediction changes while the program runs, in one place, so that one call puts
// back what a fresh start finds.
#pragma once

#include <cstdint>

#include "platform/os.h"

namespace mivo {

struct AppEntry;
struct DictSet;

struct PredictState {
  AppEntry* appList = nullptr;  // owned, ended by an empty pair; null without a list
  DictSet** slots = nullptr;    // the open application dictionaries, most recently used first
  DictSet* core = nullptr;      // always open while prediction is
  char* lastClass = nullptr;    // the foreground class last seen, owned
  os::Window lastForeground = nullptr;  // the window lastClass was read from
};
extern PredictState predictState;

// Flushes and closes whatever is open, releases the texts, then puts every value back.
void ResetPredictState();

}  // namespace mivo
