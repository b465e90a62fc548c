// Device contexts, painting, GDI objects and drawing of the win32 backend.
#include "platform/os.h"
#include "platform/win32/convert.h"
#include "platform/win32/win.h"

namespace os {

using win32::FromPoint;
using win32::FromRect;
using win32::H;
using win32::ToRect;
using win32::W;

Dc GetDC(Window w) { return W(::GetDC(H(w))); }
int ReleaseDC(Window w, Dc dc) { return ::ReleaseDC(H(w), H(dc)); }

Dc BeginPaint(Window w, PaintStruct* ps) {
  PAINTSTRUCT real{};
  HDC dc = ::BeginPaint(H(w), &real);
  ps->hdc = W(real.hdc);
  ps->fErase = real.fErase;
  ps->rcPaint = FromRect(real.rcPaint);
  return W(dc);
}

BOOL EndPaint(Window w, const PaintStruct* ps) {
  PAINTSTRUCT real{};
  real.hdc = H(ps->hdc);
  real.fErase = ps->fErase;
  real.rcPaint = ToRect(ps->rcPaint);
  return ::EndPaint(H(w), &real);
}

BOOL GetUpdateRect(Window w, Rect* r, BOOL erase) {
  if (r == nullptr) return ::GetUpdateRect(H(w), nullptr, erase);
  RECT real{};
  const BOOL any = ::GetUpdateRect(H(w), &real, erase);
  *r = FromRect(real);
  return any;
}

Font CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, const char* face) {
  return W(::CreateFontA(height, width, escapement, orientation, weight, italic, underline,
                         strikeOut, charSet, outPrecision, clipPrecision, quality, pitchAndFamily,
                         face));
}

Brush CreateSolidBrush(Colour c) { return W(::CreateSolidBrush(c)); }
Pen CreatePen(int style, int width, Colour c) { return W(::CreatePen(style, width, c)); }
GdiObject GetStockObject(int id) { return W(::GetStockObject(id)); }
GdiObject SelectObject(Dc dc, GdiObject obj) { return W(::SelectObject(H(dc), H(obj))); }
BOOL DeleteObject(GdiObject obj) { return ::DeleteObject(H(obj)); }

BOOL Rectangle(Dc dc, int left, int top, int right, int bottom) {
  return ::Rectangle(H(dc), left, top, right, bottom);
}

BOOL Ellipse(Dc dc, int left, int top, int right, int bottom) {
  return ::Ellipse(H(dc), left, top, right, bottom);
}

int FillRect(Dc dc, const Rect* r, Brush b) {
  const RECT real = ToRect(*r);
  return ::FillRect(H(dc), &real, static_cast<HBRUSH>(H(b)));
}

BOOL MoveToEx(Dc dc, int x, int y, Point* previous) {
  POINT real{};
  const BOOL ok = ::MoveToEx(H(dc), x, y, &real);
  if (ok && previous != nullptr) *previous = FromPoint(real);
  return ok;
}

BOOL LineTo(Dc dc, int x, int y) { return ::LineTo(H(dc), x, y); }
int SetBkMode(Dc dc, int mode) { return ::SetBkMode(H(dc), mode); }
Colour SetTextColor(Dc dc, Colour c) { return ::SetTextColor(H(dc), c); }
Colour SetBkColor(Dc dc, Colour c) { return ::SetBkColor(H(dc), c); }

BOOL GetTextExtentPoint32(Dc dc, const char* text, int length, Size* size) {
  SIZE real{};
  const BOOL ok = ::GetTextExtentPoint32A(H(dc), text, length, &real);
  if (ok) *size = Size{static_cast<LONG>(real.cx), static_cast<LONG>(real.cy)};
  return ok;
}

BOOL TextOut(Dc dc, int x, int y, const char* text, int length) {
  return ::TextOutA(H(dc), x, y, text, length);
}

BOOL BitBlt(Dc dest, int x, int y, int width, int height, Dc src, int srcX, int srcY, DWORD rop) {
  return ::BitBlt(H(dest), x, y, width, height, H(src), srcX, srcY, rop);
}

}  // namespace os
