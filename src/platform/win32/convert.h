// Conversions between the port's handles and records and the real Win32 ones.
// Records are copied field by field so that nothing depends on two layouts
// happening to agree.
#pragma once

#include "platform/os.h"
#include "platform/win32/win.h"

namespace os::win32 {

inline HWND H(Window w) { return reinterpret_cast<HWND>(w); }
inline Window W(HWND h) { return reinterpret_cast<Window>(h); }
inline HDC H(Dc dc) { return reinterpret_cast<HDC>(dc); }
inline Dc W(HDC dc) { return reinterpret_cast<Dc>(dc); }
inline HGDIOBJ H(GdiObject o) { return reinterpret_cast<HGDIOBJ>(o); }
inline GdiObject W(HGDIOBJ o) { return reinterpret_cast<GdiObject>(o); }
inline HINSTANCE H(Instance i) { return reinterpret_cast<HINSTANCE>(i); }
inline Instance W(HINSTANCE i) { return reinterpret_cast<Instance>(i); }
inline HIMC H(Imc imc) { return reinterpret_cast<HIMC>(imc); }
inline Imc W(HIMC imc) { return reinterpret_cast<Imc>(imc); }
inline HKL H(Hkl hkl) { return reinterpret_cast<HKL>(hkl); }
inline Hkl W(HKL hkl) { return reinterpret_cast<Hkl>(hkl); }
inline HANDLE H(FileHandle f) { return reinterpret_cast<HANDLE>(f); }
inline HANDLE H(Mapping m) { return reinterpret_cast<HANDLE>(m); }

inline RECT ToRect(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }
inline Rect FromRect(const RECT& r) {
  return Rect{static_cast<LONG>(r.left), static_cast<LONG>(r.top), static_cast<LONG>(r.right),
              static_cast<LONG>(r.bottom)};
}
inline POINT ToPoint(const Point& p) { return POINT{p.x, p.y}; }
inline Point FromPoint(const POINT& p) {
  return Point{static_cast<LONG>(p.x), static_cast<LONG>(p.y)};
}

inline MSG ToMsg(const Msg& m) {
  MSG out{};
  out.hwnd = H(m.hwnd);
  out.message = m.message;
  out.wParam = m.wParam;
  out.lParam = m.lParam;
  out.time = m.time;
  out.pt = ToPoint(m.pt);
  return out;
}
inline Msg FromMsg(const MSG& m) {
  Msg out{};
  out.hwnd = W(m.hwnd);
  out.message = m.message;
  out.wParam = m.wParam;
  out.lParam = m.lParam;
  out.time = m.time;
  out.pt = FromPoint(m.pt);
  return out;
}

}  // namespace os::win32
