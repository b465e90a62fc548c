// The message bus: the main window, the two ways to reach it, and the handler chain.
#pragma once

#include "platform/os.h"
#include "shell/messages.h"

namespace mivo {

os::Window GetMainWindow();
void SetMainWindow(os::Window w);  // start-up stores the handle it created (or null)
os::LRESULT SendToMain(os::UINT message, os::WPARAM wParam, os::LPARAM lParam);
void PostToMain(os::UINT message, os::WPARAM wParam, os::LPARAM lParam);

// The main window procedure: offers a message to every link in chain order.
os::LRESULT MainWndProc(os::Window w, os::UINT message, os::WPARAM wParam, os::LPARAM lParam);
// The shell's own link.
os::LRESULT AppMainProc(os::Window w, os::UINT message, os::WPARAM wParam, os::LPARAM lParam);

}  // namespace mivo
