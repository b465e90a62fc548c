// The main window procedure and the shell's own link of its chain.
#pragma once

#include "platform/os.h"

namespace mivo {

// Offers a message to every link in chain order; DefWindowProc answers what none takes.
os::LRESULT MainWndProc(os::Window w, os::UINT message, os::WPARAM wParam, os::LPARAM lParam);
// The shell's own link: quitting, the counter reset, settings reloads and the
// foreground duties of the main window.
os::LRESULT AppMainProc(os::Window w, os::UINT message, os::WPARAM wParam, os::LPARAM lParam);

}  // namespace mivo
