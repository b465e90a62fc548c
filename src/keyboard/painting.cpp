// Key painting. Keys draw straight into their own window's drawing context (CS_OWNDC),
// never through invalidation, so a state change shows at once.
#include "keyboard/painting.h"

#include "base/scoped.h"
#include "base/settings.h"
#include "base/text.h"
#include "keyboard/key_tree.h"

namespace mivo {

const char* const KEY_FONT_FACE = "\x82\x6c\x82\x72\x20\x96\xbe\x92\xa9";  // ＭＳ 明朝

namespace {

struct Look {
  os::Brush fill = nullptr;
  os::Pen frame = nullptr;
  os::Colour text = 0;
};

// A key without a colour set has neither brush nor pen and black text.
Look LookOf(const KeyRecord* key, int state) {
  Look look;
  const ColorSet* set = GetColorSet(key->colorSet);
  if (!set) return look;
  switch (state) {
    case 2:
      look = {set->fillSelect.Get(), set->frameSelect.Get(), set->textSelect};
      break;
    case 1:
      look = {set->fillFocus.Get(), set->frameFocus.Get(), set->textFocus};
      break;
    default:
      look = {set->fillNormal.Get(), set->frameNormal.Get(), set->textNormal};
      break;
  }
  return look;
}

int FrameWidthPixels() { return settings.FrameWidth > 0 ? settings.FrameWidth : 0; }

// A null pen cannot be selected: the frame then uses whatever pen the window's own
// context already holds.
void SelectFramePen(os::Dc dc, os::Pen pen) {
  os::SelectObject(dc, os::GetStockObject(os::NULL_BRUSH));
  if (pen) os::SelectObject(dc, pen);
}

enum HeldEdge { HOLD_NONE, HOLD_TOP, HOLD_BOTTOM };

void DrawFrame(os::Dc dc, os::Rect* r, os::Pen pen, HeldEdge held) {
  // Passes stop once the frame has met in the middle: further ones would only draw
  // inverted rectangles, and a huge FrameWidth setting would hold the program for ever.
  for (int pass = 0; pass < FrameWidthPixels() && r->left < r->right && r->top < r->bottom;
       ++pass) {
    SelectFramePen(dc, pen);
    os::Rectangle(dc, r->left, r->top, r->right, r->bottom);
    ++r->left;
    --r->right;
    if (held != HOLD_TOP) ++r->top;
    if (held != HOLD_BOTTOM) --r->bottom;
  }
}

// A null brush leaves the pixels as they were: keys never erase their background.
void DrawFill(os::Dc dc, const os::Rect& r, os::Brush brush) {
  if (brush) os::FillRect(dc, &r, brush);
}

// The key font is selected only while a name is measured or drawn, and the context's
// previous font goes back at once: a key's own context then never holds the key font
// when UpdateMetrics deletes it. Windows refuses to delete a font that a context holds,
// which would leave one font behind at every resize. (The pens stay selected: a frame
// without a pen draws with the one the context holds.)
os::Size NameExtent(os::Dc dc, const char* name) {
  os::Size size{0, 0};
  os::GetTextExtentPoint32(dc, name, static_cast<int>(TextLength(name)), &size);
  return size;
}

os::Size MeasureName(os::Dc dc, const char* name) {
  const ScopedSelect font(dc, keyboardState.KeyFont.Get());
  return NameExtent(dc, name);
}

void DrawName(os::Dc dc, const os::Rect& r, const char* name, os::Colour colour,
              bool rightAligned) {
  os::SetBkMode(dc, os::TRANSPARENT);
  const ScopedSelect font(dc, keyboardState.KeyFont.Get());
  os::Size size = NameExtent(dc, name);
  os::SetTextColor(dc, colour);
  int x = rightAligned ? r.right - size.cx : (r.left + r.right - size.cx) / 2;
  int y = (r.top + r.bottom - size.cy) / 2;
  os::TextOut(dc, x, y, name, static_cast<int>(TextLength(name)));
}

void DrawTabStrip(os::Dc dc, int32_t container, const KeyRecord* key, int state,
                  const os::Rect& client) {
  const int frame = FrameWidthPixels();
  const int stripRight = client.right;
  os::Rect r = client;
  r.top = client.bottom - TAB_STRIP_HEIGHT;
  for (int32_t c = 1; c <= keyboardState.KeyCount; ++c) {
    KeyRecord* page = GetKey(c);
    if (!page || page->parent != container || c == container) continue;
    os::Size size = MeasureName(dc, page->name);
    r.right = r.left + size.cx + 5;
    page->left = r.left;
    page->top = r.top;
    page->right = r.right;
    page->bottom = r.bottom;
    Look look = LookOf(page, KeyColourState(c));
    bool shown = !(page->flags & KF_HIDDEN);
    if (shown) {
      // The border above the strip, which the shown tab rises into.
      for (int pass = 0; pass < frame; ++pass) {
        --r.top;
        SelectFramePen(dc, look.frame);
        os::MoveToEx(dc, 0, r.top, nullptr);
        os::LineTo(dc, stripRight, r.top);
      }
    }
    DrawFrame(dc, &r, look.frame, HOLD_TOP);
    DrawFill(dc, r, look.fill);
    DrawName(dc, r, page->name, look.text, false);
    r.bottom += frame;
    r.left = r.right + frame;
    if (shown) r.top += frame;
  }
  r.right = stripRight;
  DrawFill(dc, r, LookOf(key, state).fill);
}

// Draws key k in its colour state; true when its container must redraw the tab strip.
bool DrawKey(os::Dc dc, int32_t k, const KeyRecord* key) {
  const int state = KeyColourState(k);
  os::Rect r{0, 0, 0, 0};
  os::GetClientRect(key->window, &r);
  Look look = LookOf(key, state);
  switch (key->type) {
    case KT_PANEL:
      DrawFrame(dc, &r, look.frame, HOLD_NONE);
      DrawFill(dc, r, look.fill);
      break;
    case KT_KEY:
    case KT_CANDIDATE:
    case KT_INERT:
      DrawFrame(dc, &r, look.frame, HOLD_NONE);
      DrawFill(dc, r, look.fill);
      DrawName(dc, r, key->name, look.text, (key->flags & KF_READING) != 0);
      break;
    case KT_PAGE:
      // Open at the bottom, towards the page's own tab.
      r.bottom += FrameWidthPixels();
      DrawFrame(dc, &r, look.frame, HOLD_BOTTOM);
      DrawFill(dc, r, look.fill);
      return key->parent != k;
    case KT_CONTAINER:
      DrawTabStrip(dc, k, key, state, r);
      break;
    default:
      break;
  }
  return false;
}

}  // namespace

void DeleteKeyFont() { keyboardState.KeyFont.Reset(); }

void UpdateMetrics(os::Window mainWindow) {
  if (!mainWindow) return;
  os::Rect client{0, 0, 0, 0};
  os::GetClientRect(mainWindow, &client);
  const uint32_t width = static_cast<uint32_t>(client.right - client.left);
  const uint32_t height = static_cast<uint32_t>(client.bottom - client.top);
  // A zero scale would divide by zero; the sizing of the main window never makes one on
  // purpose.
  const uint32_t scale = keyboardState.HeightScale ? keyboardState.HeightScale : 1;
  const int weight = settings.FontBold ? os::FW_BOLD : os::FW_MEDIUM;
  bool computed = false;
  uint32_t fontHeight = keyboardState.FontHeight;
  if (settings.MetricsMode == 1) {
    keyboardState.LayoutWidth = width;
    keyboardState.LayoutHeight = height * 10000u / scale;
    fontHeight = keyboardState.LayoutHeight / 17u;
    if (fontHeight > keyboardState.LayoutWidth) fontHeight = keyboardState.LayoutWidth;
    computed = true;
  } else if (settings.MetricsMode == 2) {
    keyboardState.LayoutWidth = static_cast<uint32_t>(os::GetSystemMetrics(os::SM_CXSCREEN));
    keyboardState.LayoutHeight = (height * 10000u / scale) * 3u;
    uint32_t byHeight = keyboardState.LayoutHeight / 45u;
    uint32_t byWidth = keyboardState.LayoutWidth / 45u;
    fontHeight = byHeight < byWidth ? byHeight : byWidth;
    computed = true;
  }
  if (computed) {
    const uint32_t medium = static_cast<uint32_t>(settings.MediumFontSize);
    if (medium != 0 && fontHeight != 0) {
      keyboardState.FontScale = medium * 1000u / fontHeight;
      fontHeight = medium;
    } else {
      keyboardState.FontScale = 1000;
    }
    keyboardState.FontHeight = fontHeight;
  }
  DeleteKeyFont();
  keyboardState.KeyFont = OwnedFont(
      os::CreateFont(static_cast<int>(keyboardState.FontHeight), 0, 0, 0, weight, 0, 0, 0,
                     os::SHIFTJIS_CHARSET, os::OUT_TT_ONLY_PRECIS, os::CLIP_DEFAULT_PRECIS,
                     os::DEFAULT_QUALITY, os::DEFAULT_PITCH | os::FF_DONTCARE, KEY_FONT_FACE));
}

int KeyColourState(int32_t k) {
  const KeyRecord* key = GetKey(k);
  if (!key || key->type == KT_INERT) return 0;
  if (key->flags & KF_SELECT) return 2;
  if (key->flags & KF_FOCUS) return 1;
  return 0;
}

int PaintKey(int32_t k) {
  KeyRecord* key = GetKey(k);
  if (!key) return 0;
  if ((key->flags & KF_HIDDEN) || !key->window) {
    if (key->type != KT_PAGE) return 0;
    // The container still draws the hidden page's tab.
    if (key->parent != k) PaintKey(key->parent);
    return 1;
  }
  bool paintParent = false;
  {
    const ScopedDc dc(key->window);
    if (!dc) return 0;
    paintParent = DrawKey(dc.Get(), k, key);
  }
  if (paintParent) PaintKey(key->parent);
  return 1;
}

int RepaintIfChanged(int32_t k) {
  KeyRecord* key = GetKey(k);
  if (!key || key->flags == key->paintedFlags) return 0;
  key->paintedFlags = key->flags;
  return PaintKey(k);
}

}  // namespace mivo
