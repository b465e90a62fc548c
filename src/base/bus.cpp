#include "base/bus.h"

namespace mivo {
namespace {

os::Window gMainWindow = nullptr;

}  // namespace

os::Window GetMainWindow() { return gMainWindow; }
void SetMainWindow(os::Window w) { gMainWindow = w; }

os::LRESULT SendToMain(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  return os::SendMessage(gMainWindow, message, wParam, lParam);
}

void PostToMain(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  // Before the main window exists a post goes nowhere, as on Windows.
  if (gMainWindow) os::PostMessage(gMainWindow, message, wParam, lParam);
}

}  // namespace mivo
