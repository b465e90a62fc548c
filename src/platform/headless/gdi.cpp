// GDI: device contexts, fonts, brushes, pens and bitmaps, with every drawing call
// recorded on the window it draws on.
#include <cstdlib>
#include <set>

#include "platform/headless/internal.h"

namespace headless {

namespace {

// Never destroyed, like the desktop's state (desktop.cpp).
std::set<const OsGdiObject*>& gdiLive = *new std::set<const OsGdiObject*>;
std::set<const OsDc*>& dcLive = *new std::set<const OsDc*>;

OsGdiObject* NewObject(OsGdiObject::Kind kind) {
  auto& s = S();
  auto o = std::make_unique<OsGdiObject>();
  o->kind = kind;
  OsGdiObject* p = o.get();
  s.gdiObjects.push_back(std::move(o));
  gdiLive.insert(p);
  return p;
}

OsGdiObject* Obj(GdiObject g) { return g && gdiLive.count(g) ? g : nullptr; }

OsDc* Dev(Dc dc) {
  if (!dc || !dcLive.count(dc) || dc->released) return nullptr;
  return dc;
}

void Hold(GdiObject o) {
  if (o) ++o->selections;
}

void LetGo(GdiObject o) {
  if (o) --o->selections;
}

void Retire(OsDc* d) {
  d->released = true;
  for (GdiObject o : {d->font, d->brush, d->pen, d->bitmap}) LetGo(o);
}

OsDc* NewDc(OsWindow* w) {
  auto& s = S();
  auto d = std::make_unique<OsDc>();
  OsDc* p = d.get();
  s.dcs.push_back(std::move(d));
  dcLive.insert(p);
  p->window = w;
  p->font = s.defaultFont;
  p->brush = s.stock[WHITE_BRUSH];
  p->pen = s.stock[BLACK_PEN];
  for (GdiObject o : {p->font, p->brush, p->pen}) Hold(o);
  return p;
}

// A CS_OWNDC window draws through one DC that keeps its objects, colours and modes from
// one GetDC or BeginPaint to the next, as on Windows.
OsDc* DcOf(OsWindow* w) {
  if (!(w->classStyle & CS_OWNDC)) return NewDc(w);
  if (!w->ownDc) {
    w->ownDc = NewDc(w);
    w->ownDc->own = true;
  }
  return w->ownDc;
}

void RecordOn(OsDc* dc, desktop::DrawOp op) {
  if (dc->window) {
    dc->window->drawing.push_back(std::move(op));
  } else if (dc->bitmap) {
    dc->bitmap->ops.push_back(std::move(op));
  }
}

int FontHeight(const OsDc* dc) {
  int h = dc->font ? std::abs(dc->font->height) : 16;
  return h ? h : 16;
}

desktop::DrawOp Op(desktop::DrawOp::Kind kind, Rect r, Colour c) {
  desktop::DrawOp op{};
  op.kind = kind;
  op.rect = r;
  op.colour = c;
  return op;
}

}  // namespace

void ResetGdi() {
  auto& s = S();
  gdiLive.clear();
  dcLive.clear();
  s.gdiObjects.clear();
  s.dcs.clear();
  for (GdiObject& g : s.stock) g = nullptr;
  struct StockBrush {
    int id;
    Colour c;
  };
  for (StockBrush b :
       {StockBrush{0, 0xFFFFFF}, {1, 0xC0C0C0}, {2, 0x808080}, {3, 0x404040}, {4, 0}}) {
    OsGdiObject* o = NewObject(OsGdiObject::BrushObj);
    o->stock = true;
    o->colour = b.c;
    s.stock[b.id] = o;
  }
  OsGdiObject* nullBrush = NewObject(OsGdiObject::BrushObj);
  nullBrush->stock = nullBrush->null = true;
  s.stock[NULL_BRUSH] = nullBrush;
  for (int id : {WHITE_PEN, BLACK_PEN, NULL_PEN}) {
    OsGdiObject* o = NewObject(OsGdiObject::PenObj);
    o->stock = true;
    o->colour = id == WHITE_PEN ? 0xFFFFFF : 0;
    o->null = id == NULL_PEN;
    s.stock[id] = o;
  }
  for (int id = 10; id <= 17; ++id) {
    if (id == 15) continue;  // DEFAULT_PALETTE
    OsGdiObject* o = NewObject(OsGdiObject::FontObj);
    o->stock = true;
    o->face = "System";
    o->height = 16;
    o->weight = FW_NORMAL;
    o->charSet = SHIFTJIS_CHARSET;
    s.stock[id] = o;
  }
  s.defaultFont = s.stock[13];  // SYSTEM_FONT
  OsGdiObject* bitmap = NewObject(OsGdiObject::BitmapObj);
  bitmap->stock = true;
  bitmap->width = bitmap->height = 1;
  s.stock[18] = bitmap;  // the 1x1 bitmap of a fresh memory DC
}

void Record(OsWindow* w, desktop::DrawOp op) { w->drawing.push_back(std::move(op)); }

void DropOwnDc(OsWindow* w) {
  if (!w->ownDc) return;
  Retire(w->ownDc);
  w->ownDc = nullptr;
}

}  // namespace headless

namespace os {

using namespace headless;

Dc GetDC(Window window) {
  auto& s = S();
  if (!window || window == s.desktop) return NewDc(s.desktop);
  OsWindow* w = Live(window);
  if (!w) return nullptr;
  return DcOf(w);
}

int ReleaseDC(Window, Dc dc) {
  OsDc* d = Dev(dc);
  if (!d) return 0;
  if (!d->own) Retire(d);
  return 1;
}

Dc BeginPaint(Window window, PaintStruct* ps) {
  OsWindow* w = Live(window);
  if (!w || !ps) return nullptr;
  OsDc* dc = DcOf(w);
  dc->paint = true;
  ps->hdc = dc;
  ps->rcPaint = w->hasUpdate ? w->update : Rect{0, 0, 0, 0};
  ps->fErase = FALSE;
  bool erase = w->erase;
  w->hasUpdate = false;
  S().dirty.erase(w);
  w->update = Rect{0, 0, 0, 0};
  w->erase = false;
  if (erase) ps->fErase = Deliver(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE;
  return dc;
}

BOOL EndPaint(Window, const PaintStruct* ps) {
  if (!ps) return FALSE;
  if (OsDc* d = Dev(ps->hdc); d && !d->own) Retire(d);
  return TRUE;
}

BOOL GetUpdateRect(Window window, Rect* r, BOOL erase) {
  OsWindow* w = Live(window);
  if (!w) return FALSE;
  if (r) *r = w->hasUpdate ? w->update : Rect{0, 0, 0, 0};
  if (erase && w->hasUpdate && w->erase) {
    Dc dc = GetDC(w);
    w->erase = false;
    Deliver(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    ReleaseDC(w, dc);
  }
  return w->hasUpdate ? TRUE : FALSE;
}

Font CreateFont(int height, int width, int, int, int weight, DWORD, DWORD, DWORD, DWORD charSet,
                DWORD outPrecision, DWORD, DWORD, DWORD, const char* face) {
  OsGdiObject* o = NewObject(OsGdiObject::FontObj);
  o->height = height;
  o->width = width;
  o->weight = weight;
  o->charSet = charSet;
  o->outPrecision = outPrecision;
  o->face = face ? face : "";
  return o;
}

Brush CreateSolidBrush(Colour c) {
  OsGdiObject* o = NewObject(OsGdiObject::BrushObj);
  o->colour = c & 0xFFFFFF;
  return o;
}

Pen CreatePen(int style, int width, Colour c) {
  OsGdiObject* o = NewObject(OsGdiObject::PenObj);
  o->penStyle = style;
  o->penWidth = width;
  o->colour = c & 0xFFFFFF;
  o->null = style == 5;  // PS_NULL
  return o;
}

GdiObject GetStockObject(int id) {
  auto& s = S();
  if (id < 0 || id >= 18) return nullptr;
  return s.stock[id];
}

GdiObject SelectObject(Dc dc, GdiObject obj) {
  OsDc* d = Dev(dc);
  OsGdiObject* o = Obj(obj);
  if (!d || !o || o->deleted) return nullptr;
  GdiObject previous = nullptr;
  switch (o->kind) {
    case OsGdiObject::FontObj:
      previous = d->font;
      d->font = o;
      break;
    case OsGdiObject::BrushObj:
      previous = d->brush;
      d->brush = o;
      break;
    case OsGdiObject::PenObj:
      previous = d->pen;
      d->pen = o;
      break;
    case OsGdiObject::BitmapObj:
      if (!d->memory) return nullptr;  // only a memory DC holds a bitmap
      previous = d->bitmap;
      d->bitmap = o;
      break;
  }
  Hold(o);
  LetGo(previous);
  return previous;
}

BOOL DeleteObject(GdiObject obj) {
  OsGdiObject* o = Obj(obj);
  if (!o || o->deleted) return FALSE;
  if (o->stock) return TRUE;
  // Windows refuses to delete what a DC holds, and the object stays. (Wine accepts and
  // frees it when the last DC lets go; the stricter answer keeps a leak on Windows visible.)
  if (o->selections > 0) return FALSE;
  o->deleted = true;
  return TRUE;
}

BOOL Rectangle(Dc dc, int left, int top, int right, int bottom) {
  OsDc* d = Dev(dc);
  if (!d) return FALSE;
  Rect r{left, top, right, bottom};
  bool hollow = !d->brush || d->brush->null;
  if (!hollow) RecordOn(d, Op(desktop::DrawOp::Fill, r, d->brush->colour));
  if (d->pen && !d->pen->null) {
    desktop::DrawOp op = Op(desktop::DrawOp::Frame, r, d->pen->colour);
    op.hollow = hollow;
    op.penWidth = d->pen->penWidth;
    RecordOn(d, op);
  }
  return TRUE;
}

BOOL Ellipse(Dc dc, int left, int top, int right, int bottom) {
  OsDc* d = Dev(dc);
  if (!d) return FALSE;
  desktop::DrawOp op =
      Op(desktop::DrawOp::EllipseOp, Rect{left, top, right, bottom}, d->pen ? d->pen->colour : 0);
  op.hollow = !d->brush || d->brush->null;
  op.penWidth = d->pen && !d->pen->null ? d->pen->penWidth : 0;
  RecordOn(d, op);
  return TRUE;
}

int FillRect(Dc dc, const Rect* r, Brush b) {
  OsDc* d = Dev(dc);
  OsGdiObject* o = Obj(b);
  if (!d || !r || !o || o->kind != OsGdiObject::BrushObj || o->deleted) return 0;
  if (!o->null) RecordOn(d, Op(desktop::DrawOp::Fill, *r, o->colour));
  return 1;
}

BOOL MoveToEx(Dc dc, int x, int y, Point* previous) {
  OsDc* d = Dev(dc);
  if (!d) return FALSE;
  if (previous) *previous = d->position;
  d->position = Point{x, y};
  return TRUE;
}

BOOL LineTo(Dc dc, int x, int y) {
  OsDc* d = Dev(dc);
  if (!d) return FALSE;
  if (d->pen && !d->pen->null) {
    desktop::DrawOp op =
        Op(desktop::DrawOp::Line, Rect{d->position.x, d->position.y, x, y}, d->pen->colour);
    op.penWidth = d->pen->penWidth;
    RecordOn(d, op);
  }
  d->position = Point{x, y};
  return TRUE;
}

int SetBkMode(Dc dc, int mode) {
  OsDc* d = Dev(dc);
  if (!d || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  int previous = d->bkMode;
  d->bkMode = mode;
  return previous;
}

Colour SetTextColor(Dc dc, Colour c) {
  OsDc* d = Dev(dc);
  if (!d) return 0xFFFFFFFF;  // CLR_INVALID
  Colour previous = d->textColour;
  d->textColour = c;
  return previous;
}

Colour SetBkColor(Dc dc, Colour c) {
  OsDc* d = Dev(dc);
  if (!d) return 0xFFFFFFFF;
  Colour previous = d->bkColour;
  d->bkColour = c;
  return previous;
}

BOOL GetTextExtentPoint32(Dc dc, const char* text, int length, Size* size) {
  OsDc* d = Dev(dc);
  if (!d || !size || length < 0 || (!text && length > 0)) return FALSE;
  int h = FontHeight(d);
  LONG width = 0;
  for (int i = 0; i < length; ++i) {
    if (IsLead(static_cast<unsigned char>(text[i])) && i + 1 < length) {
      width += h;
      ++i;
    } else {
      width += h / 2;
    }
  }
  *size = Size{width, h};
  return TRUE;
}

BOOL TextOut(Dc dc, int x, int y, const char* text, int length) {
  OsDc* d = Dev(dc);
  if (!d || length < 0 || (!text && length > 0)) return FALSE;
  Size extent{};
  GetTextExtentPoint32(dc, text, length, &extent);
  desktop::DrawOp op =
      Op(desktop::DrawOp::Text, Rect{x, y, x + extent.cx, y + extent.cy}, d->textColour);
  op.text.assign(text ? text : "", static_cast<size_t>(length));
  if (d->font) {
    op.fontFace = d->font->face;
    op.fontHeight = d->font->height;
    op.fontWeight = d->font->weight;
    op.charSet = d->font->charSet;
    op.outPrecision = d->font->outPrecision;
  }
  op.bkMode = d->bkMode;
  RecordOn(d, op);
  return TRUE;
}

BOOL BitBlt(Dc dest, int x, int y, int width, int height, Dc src, int, int, DWORD) {
  auto& s = S();
  OsDc* d = Dev(dest);
  OsDc* from = Dev(src);
  if (!d || !from) return FALSE;
  desktop::DrawOp op = Op(desktop::DrawOp::Blit, Rect{x, y, x + width, y + height}, 0);
  op.text = from->window == s.desktop ? "desktop" : from->memory ? "memory" : "window";
  RecordOn(d, op);
  return TRUE;
}

Dc CreateCompatibleDC(Dc dc) {
  if (dc && !Dev(dc)) return nullptr;
  OsDc* m = NewDc(nullptr);
  m->memory = true;
  m->bitmap = S().stock[18];
  Hold(m->bitmap);
  return m;
}

GdiObject CreateCompatibleBitmap(Dc dc, int width, int height) {
  if (!Dev(dc) || width < 0 || height < 0) return nullptr;
  OsGdiObject* o = NewObject(OsGdiObject::BitmapObj);
  o->width = width;
  o->height = height;
  return o;
}

BOOL DeleteDC(Dc dc) {
  OsDc* d = Dev(dc);
  if (!d) return FALSE;
  Retire(d);
  return TRUE;
}

}  // namespace os

namespace desktop {

using namespace headless;

std::vector<DrawOp> Drawing(os::Window w) {
  for (auto& owned : S().windows)
    if (owned.get() == w) return w->drawing;
  return {};
}

void ClearDrawing(os::Window w) {
  if (OsWindow* x = Live(w)) x->drawing.clear();
}

int LiveGdiObjects() {
  int n = 0;
  for (auto& o : S().gdiObjects)
    if (!o->stock && !o->deleted) ++n;
  return n;
}

}  // namespace desktop
