#include "contract/probe.h"

namespace contract {
namespace {

Probe* g_probe = nullptr;

os::LRESULT ProbeProc(os::Window w, os::UINT msg, os::WPARAM wParam, os::LPARAM lParam) {
  if (g_probe) {
    g_probe->seen.push_back(Seen{w, msg, wParam, lParam});
    if (g_probe->hook) {
      os::LRESULT r = g_probe->hook(w, msg, wParam, lParam);
      if (r != kNotMine) return r;
    }
  }
  return os::DefWindowProc(w, msg, wParam, lParam);
}

}  // namespace

Probe::Probe() {
  g_probe = this;
  os::WndClass wc{};
  wc.lpfnWndProc = ProbeProc;
  wc.hCursor = os::IDC_ARROW;
  wc.hbrBackground = os::GetStockObject(os::WHITE_BRUSH);
  wc.lpszClassName = "Probe";
  os::RegisterClass(wc);
}

Probe::~Probe() {
  hook = nullptr;
  for (os::Window w : made_)
    if (os::IsWindow(w)) os::DestroyWindow(w);
  os::UnregisterClass("Probe", nullptr);
  g_probe = nullptr;
}

// Shown without activation: with no window manager on its X display, Wine waits two
// seconds for one to take each activated window.
os::Window Probe::Top(os::Rect r, os::DWORD style, os::DWORD ex) {
  os::Window w = os::CreateWindowEx(ex, "Probe", "probe", style & ~os::WS_VISIBLE, r.left, r.top,
                                    r.right - r.left, r.bottom - r.top, nullptr, nullptr, nullptr);
  if (w) made_.push_back(w);
  if (w && (style & os::WS_VISIBLE)) os::ShowWindow(w, os::SW_SHOWNA);
  return w;
}

os::Window Probe::Child(os::Window parent, os::Rect r, int id, os::DWORD style) {
  return os::CreateWindowEx(0, "Probe", "", style, r.left, r.top, r.right - r.left,
                            r.bottom - r.top, parent, nullptr,
                            reinterpret_cast<void*>(static_cast<intptr_t>(id)));
}

std::vector<os::UINT> Probe::SeenBy(os::Window w, std::initializer_list<os::UINT> only) const {
  std::vector<os::UINT> out;
  for (const Seen& s : seen) {
    if (s.w != w) continue;
    for (os::UINT m : only)
      if (s.msg == m) out.push_back(s.msg);
  }
  return out;
}

std::vector<os::UINT> Drain() {
  std::vector<os::UINT> got;
  os::Msg m{};
  for (int guard = 0; guard < 1000 && os::PeekMessage(&m, nullptr, 0, 0, os::PM_REMOVE); ++guard) {
    got.push_back(m.message);
    if (m.message == os::WM_QUIT) break;
    os::DispatchMessage(&m);
  }
  return got;
}

}  // namespace contract
