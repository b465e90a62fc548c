#include "base/bus.h"

#include "base/state.h"

namespace mivo {

os::Window GetMainWindow() { return baseState.mainWindow; }
void SetMainWindow(os::Window w) { baseState.mainWindow = w; }

os::LRESULT SendToMain(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  return os::SendMessage(baseState.mainWindow, message, wParam, lParam);
}

void PostToMain(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  // Before the main window exists a post goes nowhere, as on Windows.
  if (baseState.mainWindow) os::PostMessage(baseState.mainWindow, message, wParam, lParam);
}

}  // namespace mivo
