// Every turn of the loop still polls the chord and the switch and takes one message;
// only the turns in which nothing can have changed are slept through. A change of a
// key or button anywhere arrives as raw input and ends the rest at once, so the
// switch's pressed-since-last-query bit is read as soon as the press happened.
#include "shell/idle.h"

#include "keyboard/state.h"
#include "shell/state.h"

namespace mivo {
namespace {

// Raw input does reach the loop under Wine as well (counted there: every press of the
// end-to-end runs came as WM_INPUT), and the tick timer wakes it ten times a second in
// any case, so the pressed-since-last-query bit is read within a tick even without it.
// This bound only matters should both fail.
constexpr os::DWORD IDLE_POLL_MS = 1000;

}  // namespace

// The raw input only has to wake the loop; the turn reads the keys itself. A burst of it
// (a moving mouse, our own injected keys) goes at once rather than a message a turn.
void DropRawInput() {
  os::Msg m{};
  while (os::PeekMessage(&m, nullptr, os::WM_INPUT, os::WM_INPUT, os::PM_REMOVE)) {
    // Wine hands out WM_QUIT whatever the range asked for: it goes back for the loop.
    if (m.message == os::WM_QUIT) {
      os::PostQuitMessage(static_cast<int>(m.wParam));
      return;
    }
    os::DefWindowProc(m.hwnd, m.message, m.wParam, m.lParam);
  }
}

void PrepareIdleRest(os::Window mainWindow) {
  const os::RawInputDevice devices[] = {
      {os::HID_USAGE_PAGE_GENERIC, os::HID_USAGE_GENERIC_KEYBOARD, os::RIDEV_INPUTSINK, mainWindow},
      {os::HID_USAGE_PAGE_GENERIC, os::HID_USAGE_GENERIC_MOUSE, os::RIDEV_INPUTSINK, mainWindow},
  };
  shellState.rawInput = os::RegisterRawInputDevices(devices, 2) != 0;
}

void RestWhileIdle() {
  // Without raw input only polling sees the switch: the loop keeps its 1 ms turns.
  if (!shellState.rawInput || keyboardState.SwitchHeld) return;
  // Anything still queued, looked at or not, ends the wait at once (MWMO_INPUTAVAILABLE),
  // so messages are still taken one a turn, every millisecond, as before; asking the
  // queue first would only add round trips to the server on every tick.
  os::MsgWaitForMultipleObjectsEx(0, nullptr, IDLE_POLL_MS, os::QS_ALLINPUT,
                                  os::MWMO_INPUTAVAILABLE);
}

}  // namespace mivo
