// The message bus: the main window and the two ways to reach it. Every subsystem
// talks to the others through these; the chain that answers lives in the shell.
#pragma once

#include "base/messages.h"
#include "platform/os.h"

namespace mivo {

os::Window GetMainWindow();
void SetMainWindow(os::Window w);  // start-up stores the handle it created (or null)
os::LRESULT SendToMain(os::UINT message, os::WPARAM wParam, os::LPARAM lParam);
void PostToMain(os::UINT message, os::WPARAM wParam, os::LPARAM lParam);

// A link of the main window's chain: a window procedure that answers NOT_MINE for
// what is not its own.
using Link = os::LRESULT (*)(os::Window w, os::UINT message, os::WPARAM wParam, os::LPARAM lParam);

}  // namespace mivo
