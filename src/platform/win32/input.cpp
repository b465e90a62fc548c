// Keyboard and mouse state, injection, focus and capture of the win32 backend.
#include "platform/os.h"
#include "platform/win32/convert.h"
#include "platform/win32/win.h"

namespace os {

using win32::FromPoint;
using win32::H;
using win32::W;

short GetAsyncKeyState(int vk) { return ::GetAsyncKeyState(vk); }

BOOL GetKeyboardState(BYTE state[256]) { return ::GetKeyboardState(state); }

void keybd_event(BYTE vk, BYTE scan, DWORD flags, uintptr_t extra) {
  ::keybd_event(vk, scan, flags, extra);
}

void mouse_event(DWORD flags, DWORD dx, DWORD dy, DWORD data, uintptr_t extra) {
  ::mouse_event(flags, dx, dy, data, extra);
}

BOOL GetCursorPos(Point* p) {
  POINT real{};
  const BOOL ok = ::GetCursorPos(&real);
  if (ok) *p = FromPoint(real);
  return ok;
}

BOOL SetCursorPos(int x, int y) { return ::SetCursorPos(x, y); }

BOOL AttachThreadInput(DWORD attach, DWORD to, BOOL doAttach) {
  return ::AttachThreadInput(attach, to, doAttach);
}

Window GetFocus() { return W(::GetFocus()); }
Window SetFocus(Window w) { return W(::SetFocus(H(w))); }
BOOL ReleaseCapture() { return ::ReleaseCapture(); }

}  // namespace os
