#include "base/state.h"

#include "base/settings.h"

namespace mivo {

BaseState baseState;

void ResetBaseState() {
  if (baseState.logFile != nullptr) os::CloseHandle(baseState.logFile);
  ResetSettings();
  baseState = BaseState{};
}

}  // namespace mivo
