// The keyboard must neither take the focus from the application the user types into
// nor cover it: it docks at the bottom edge and hands the foreground straight back.
#include "shell/docking.h"

#include "base/messages.h"
#include "keyboard/keyboard.h"
#include "shell/state.h"

namespace mivo {
namespace {

void CutToThickness(os::UINT edge, os::Rect* r, os::LONG w, os::LONG h) {
  switch (edge) {
    case os::ABE_LEFT:
      r->right = r->left + w;
      break;
    case os::ABE_TOP:
      r->bottom = r->top + h;
      break;
    case os::ABE_RIGHT:
      r->left = r->right - w;
      break;
    case os::ABE_BOTTOM:
      r->top = r->bottom - h;
      break;
    default:
      break;
  }
}

// A shell that does not clamp the proposed rectangle (Wine's) would leave a bar placed
// from the maximised height hanging off the screen, with keys the user cannot reach:
// such a bar is pushed back onto the screen at its edge.
void KeepOnScreen(os::UINT edge, os::Rect* r, os::LONG w, os::LONG h) {
  os::LONG cx = os::GetSystemMetrics(os::SM_CXSCREEN);
  os::LONG cy = os::GetSystemMetrics(os::SM_CYSCREEN);
  if (edge == os::ABE_BOTTOM && r->bottom > cy) {
    r->bottom = cy;
    r->top = cy - h;
  } else if (edge == os::ABE_TOP && r->top < 0) {
    r->top = 0;
    r->bottom = h;
  } else if (edge == os::ABE_RIGHT && r->right > cx) {
    r->right = cx;
    r->left = cx - w;
  } else if (edge == os::ABE_LEFT && r->left < 0) {
    r->left = 0;
    r->right = w;
  }
}

os::UINT BarState() {
  return static_cast<os::UINT>(os::SHAppBarMessage(os::ABM_GETSTATE, &shellState.bar));
}

void SetZOrder(bool topmost) {
  os::SetWindowPos(shellState.bar.hWnd, topmost ? os::HWND_TOPMOST : os::HWND_BOTTOM, 0, 0, 0, 0,
                   os::SWP_NOMOVE | os::SWP_NOSIZE | os::SWP_NOACTIVATE);
}

}  // namespace

int DockMainWindow(os::Window window, int on) {
  if (!on) {
    shellState.bar.cbSize = 36;
    shellState.bar.hWnd = window;
    os::SHAppBarMessage(os::ABM_REMOVE, &shellState.bar);
    shellState.docked = 0;
    return 1;
  }
  os::Rect r{};
  os::GetWindowRect(window, &r);
  shellState.bar = os::AppBarData{};
  shellState.bar.cbSize = 36;
  shellState.bar.hWnd = window;
  shellState.bar.uCallbackMessage = MM_APPBAR;
  if (!os::SHAppBarMessage(os::ABM_NEW, &shellState.bar))
    return 0;  // runs as an ordinary top-most window
  shellState.edge = os::ABE_BOTTOM;
  shellState.docked = 1;
  PlaceAppBar(shellState.edge, r, &shellState.bar);
  return 1;
}

void PlaceAppBar(os::UINT edge, os::Rect r, os::AppBarData* bar) {
  bar->rc = r;
  bar->uEdge = edge;
  os::LONG w = r.right - r.left;
  os::LONG h = r.bottom - r.top;
  if (edge == os::ABE_TOP || edge == os::ABE_BOTTOM) {
    bar->rc.left = 0;
    bar->rc.right = os::GetSystemMetrics(os::SM_CXSCREEN);
  } else {
    bar->rc.top = 0;
    bar->rc.bottom = os::GetSystemMetrics(os::SM_CYSCREEN);
  }
  os::SHAppBarMessage(os::ABM_QUERYPOS, bar);
  CutToThickness(edge, &bar->rc, w, h);
  KeepOnScreen(edge, &bar->rc, w, h);
  os::SHAppBarMessage(os::ABM_SETPOS, bar);
  os::MoveWindow(bar->hWnd, bar->rc.left, bar->rc.top, bar->rc.right - bar->rc.left,
                 bar->rc.bottom - bar->rc.top, os::TRUE);
}

void ReDock(os::AppBarData* bar) {
  os::Rect r{0, 0, os::GetSystemMetrics(os::SM_CXSCREEN), os::GetSystemMetrics(os::SM_CYSCREEN)};
  os::Rect now{};
  os::GetWindowRect(bar->hWnd, &now);
  CutToThickness(shellState.edge, &r, now.right - now.left, now.bottom - now.top);
  PlaceAppBar(shellState.edge, r, bar);
}

int OnAppBarNotify(os::Window window, os::WPARAM code, os::LPARAM argument) {
  (void)window;
  if (!shellState.docked) return 0;
  switch (code) {
    case os::ABN_STATECHANGE:
      SetZOrder(BarState() & os::ABS_ALWAYSONTOP);
      break;
    case os::ABN_POSCHANGED:
      ReDock(&shellState.bar);
      break;
    case os::ABN_FULLSCREENAPP: {
      os::UINT state = BarState();
      if (argument != 0) {
        SetZOrder(state & os::ABS_ALWAYSONTOP);
      } else if (BarState() & os::ABS_ALWAYSONTOP) {
        SetZOrder(true);
      }
      ReDock(&shellState.bar);
      break;
    }
    default:
      break;
  }
  return 0;
}

int RememberForeground() {
  shellState.remembered = os::GetForegroundWindow();
  return 1;
}

int RestoreForeground() {
  if (!shellState.remembered) return 0;
  os::SetForegroundWindow(shellState.remembered);
  os::BringWindowToTop(shellState.remembered);
  return 1;
}

void TrackForeground() {
  os::Window w = os::GetForegroundWindow();
  if (w && !IsMivoWindow(w)) shellState.remembered = w;
}

void GiveBackFocus(int hitTest) {
  // Dragging the top or the border resizes the keyboard: only then may it stay active.
  if (hitTest == os::HTBORDER || hitTest == os::HTTOP) return;
  if (IsMivoWindow(shellState.remembered)) return;
  os::SetForegroundWindow(shellState.remembered);
}

}  // namespace mivo
