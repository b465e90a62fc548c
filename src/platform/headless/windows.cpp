// Window classes, the window tree, rectangles, hit testing, z-order and activation.
#include <algorithm>
#include <cstring>

#include "platform/headless/internal.h"

namespace headless {

namespace {

std::string Lower(const std::string& s) {
  std::string out = s;
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool SameClass(const std::string& a, const char* b) { return Lower(a) == Lower(b); }

// The layout of Win32's CREATESTRUCTA, so that WM_NCCREATE / WM_CREATE carry what they
// carry on Windows.
struct CreateStruct {
  void* lpCreateParams;
  Instance hInstance;
  void* hMenu;
  Window hwndParent;
  int cy, cx, y, x;
  LONG style;
  const char* lpszName;
  const char* lpszClass;
  DWORD dwExStyle;
};

const ClassRec* FindClass(const char* name) {
  for (const ClassRec& c : S().classes)
    if (SameClass(c.name, name)) return &c;
  return nullptr;
}

Builtin BuiltinClass(const char* name) {
  if (SameClass("BUTTON", name)) return Builtin::Button;
  if (SameClass("STATIC", name)) return Builtin::Static;
  if (SameClass("EDIT", name)) return Builtin::Edit;
  if (SameClass("#32770", name)) return Builtin::Dialog;
  return Builtin::None;
}

bool Contains(const Rect& r, Point p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

bool IsTopmost(const OsWindow* w) { return (w->exStyle & WS_EX_TOPMOST) != 0; }

void Unlink(OsWindow* w) {
  if (!w->parent) return;
  auto& list = w->parent->children;
  list.erase(std::remove(list.begin(), list.end(), w), list.end());
}

// Inserts w among its siblings at `pos` (0 = top), keeping top-most windows above the rest.
void LinkAt(OsWindow* w, size_t pos) {
  auto& list = w->parent->children;
  if (IsTopLevel(w)) {
    size_t firstNormal = 0;
    while (firstNormal < list.size() && IsTopmost(list[firstNormal])) ++firstNormal;
    if (IsTopmost(w))
      pos = std::min(pos, firstNormal);
    else
      pos = std::max(pos, firstNormal);
  }
  pos = std::min(pos, list.size());
  list.insert(list.begin() + static_cast<long>(pos), w);
}

size_t BandTop(const OsWindow* w) {
  if (!IsTopLevel(w) || IsTopmost(w)) return 0;
  size_t i = 0;
  for (const OsWindow* s : w->parent->children) {
    if (!IsTopmost(s)) break;
    ++i;
  }
  return i;
}

void SendSize(OsWindow* w) {
  Rect c = ClientScreenRectOf(w);
  LONG cw = c.right - c.left, ch = c.bottom - c.top;
  Deliver(w, WM_SIZE, 0, static_cast<LPARAM>((cw & 0xFFFF) | ((ch & 0xFFFF) << 16)));
}

void SendMove(OsWindow* w) {
  Rect c = ClientScreenRectOf(w);
  Point origin{c.left, c.top};
  if (!IsTopLevel(w)) {
    Rect pc = ClientScreenRectOf(w->parent);
    origin.x -= pc.left;
    origin.y -= pc.top;
  }
  Deliver(w, WM_MOVE, 0, static_cast<LPARAM>((origin.x & 0xFFFF) | ((origin.y & 0xFFFF) << 16)));
}

OsWindow* FindChild(OsWindow* parent, OsWindow* after, const char* className, const char* title) {
  auto& list = parent->children;
  size_t start = 0;
  if (after) {
    auto it = std::find(list.begin(), list.end(), after);
    if (it == list.end()) return nullptr;
    start = static_cast<size_t>(it - list.begin()) + 1;
  }
  for (size_t i = start; i < list.size(); ++i) {
    OsWindow* w = list[i];
    if (className && !SameClass(w->className, className)) continue;
    if (title && w->title != title) continue;
    return w;
  }
  return nullptr;
}

int CopyText(const std::string& s, char* buffer, int size) {
  if (!buffer || size <= 0) return 0;
  int n = std::min<int>(static_cast<int>(s.size()), size - 1);
  std::memcpy(buffer, s.data(), static_cast<size_t>(n));
  buffer[n] = 0;
  return n;
}

void SetVisible(OsWindow* w, bool visible) {
  bool was = (w->style & WS_VISIBLE) != 0;
  if (was == visible) return;
  if (w->kind == WindowKind::Program) Deliver(w, WM_SHOWWINDOW, visible ? 1 : 0, 0);
  if (visible) {
    w->style |= WS_VISIBLE;
    Invalidate(w, nullptr, true);
  } else {
    w->style &= ~WS_VISIBLE;
    auto& s = S();
    if (s.foreground == w) ForegroundGone();
    if (s.active == w) s.active = nullptr;
  }
}

}  // namespace

OsWindow* Live(Window w) {
  if (!w) return nullptr;
  auto& s = S();
  return s.live.count(w) ? w : nullptr;
}

bool IsTopLevel(const OsWindow* w) { return w->parent && w->parent->kind == WindowKind::Desktop; }

OsWindow* TopLevelOf(OsWindow* w) {
  while (w && w->parent && !IsTopLevel(w) && w->kind != WindowKind::Desktop) w = w->parent;
  return w;
}

// Wine's frame and caption with its default metrics (desktop.h has the numbers).
int BorderOf(const OsWindow* w) {
  constexpr DWORD kDlgFrame = 0x00400000;  // WS_DLGFRAME: WS_CAPTION without WS_BORDER
  int b = 0;
  if (w->style & (WS_THICKFRAME | kDlgFrame)) b = 2;
  if (w->style & WS_THICKFRAME) b += 1;
  if (w->style & (WS_BORDER | kDlgFrame)) b += 1;
  return b;
}

int CaptionOf(const OsWindow* w) {
  if ((w->style & WS_CAPTION) != WS_CAPTION) return 0;
  return (w->exStyle & WS_EX_TOOLWINDOW) ? 16 : 19;
}

Rect ScreenRectOf(const OsWindow* w) {
  if (w->kind == WindowKind::Desktop || !w->parent) return w->rect;
  Rect pc = ClientScreenRectOf(w->parent);
  return Rect{w->rect.left + pc.left, w->rect.top + pc.top, w->rect.right + pc.left,
              w->rect.bottom + pc.top};
}

Rect ClientScreenRectOf(const OsWindow* w) {
  Rect r = ScreenRectOf(w);
  int b = BorderOf(w);
  Rect c{r.left + b, r.top + b + CaptionOf(w), r.right - b, r.bottom - b};
  if (c.right < c.left) c.right = c.left;
  if (c.bottom < c.top) c.bottom = c.top;
  return c;
}

bool VisibleOnScreen(const OsWindow* w) {
  for (; w && w->kind != WindowKind::Desktop; w = w->parent)
    if (!(w->style & WS_VISIBLE)) return false;
  return true;
}

void Invalidate(OsWindow* w, const Rect* r, bool erase) {
  if (w->kind != WindowKind::Program) return;  // other programs paint themselves
  Rect c = ClientScreenRectOf(w);
  Rect full{0, 0, c.right - c.left, c.bottom - c.top};
  Rect add = r ? *r : full;
  add.left = std::max(add.left, full.left);
  add.top = std::max(add.top, full.top);
  add.right = std::min(add.right, full.right);
  add.bottom = std::min(add.bottom, full.bottom);
  if (add.left >= add.right || add.top >= add.bottom) return;
  if (w->hasUpdate) {
    w->update.left = std::min(w->update.left, add.left);
    w->update.top = std::min(w->update.top, add.top);
    w->update.right = std::max(w->update.right, add.right);
    w->update.bottom = std::max(w->update.bottom, add.bottom);
  } else {
    w->update = add;
    w->hasUpdate = true;
    S().dirty.insert(w);
  }
  if (erase) w->erase = true;
}

namespace {
OsWindow* DeepestAt(OsWindow* w, Point screen) {
  for (OsWindow* c : w->children) {
    if (!(c->style & WS_VISIBLE)) continue;
    if (!Contains(ScreenRectOf(c), screen)) continue;
    if (!Contains(ClientScreenRectOf(w), screen)) continue;
    // A disabled child does not take the point; its parent does, as WindowFromPoint does.
    if (c->style & WS_DISABLED) return w;
    return DeepestAt(c, screen);
  }
  return w;
}
}  // namespace

OsWindow* HitTest(Point screen) {
  auto& s = S();
  for (OsWindow* top : s.desktop->children) {
    if (!(top->style & WS_VISIBLE)) continue;
    if (!Contains(ScreenRectOf(top), screen)) continue;
    return DeepestAt(top, screen);
  }
  return nullptr;
}

int HitCode(const OsWindow* w, Point screen) {
  Rect r = ScreenRectOf(w);
  if (!Contains(r, screen)) return 0;  // HTNOWHERE
  Rect c = ClientScreenRectOf(w);
  if (Contains(c, screen)) return HTCLIENT;
  if (screen.y < c.top && screen.y >= r.top + BorderOf(w) && screen.x >= c.left &&
      screen.x < c.right)
    return 2;  // HTCAPTION
  if (!(w->style & WS_THICKFRAME)) return HTBORDER;
  if (screen.y < c.top) return HTTOP;
  if (screen.y >= c.bottom) return 15;  // HTBOTTOM
  if (screen.x < c.left) return 10;     // HTLEFT
  return 11;                            // HTRIGHT
}

void BringToTopOfBand(OsWindow* w) {
  if (!w->parent) return;
  Unlink(w);
  LinkAt(w, BandTop(w));
}

void ActivateTopLevel(OsWindow* w) {
  auto& s = S();
  w = TopLevelOf(w);
  if (!w || w->kind == WindowKind::Desktop) return;
  s.foreground = w;
  // The program's thread has an active window only while it holds the foreground.
  s.active = w->kind == WindowKind::Program ? w : nullptr;
  BringToTopOfBand(w);
}

OsWindow* NextForeground() {
  auto& s = S();
  for (OsWindow* w : s.desktop->children) {
    if (!w->alive || !(w->style & WS_VISIBLE) || (w->exStyle & WS_EX_TOOLWINDOW)) continue;
    if (w == s.foreground) continue;
    return w;
  }
  return nullptr;
}

void ForegroundGone() {
  auto& s = S();
  s.foreground = NextForeground();
  s.active = s.foreground && s.foreground->kind == WindowKind::Program ? s.foreground : nullptr;
}

void RemoveWindowFromTree(OsWindow* w) { Unlink(w); }

OsWindow* NewWindow(WindowKind kind, const std::string& className, const std::string& title,
                    DWORD style, DWORD exStyle, Rect rect, OsWindow* parent) {
  auto& s = S();
  auto owned = std::make_unique<OsWindow>();
  OsWindow* w = owned.get();
  s.windows.push_back(std::move(owned));
  w->serial = ++s.serial;
  w->kind = kind;
  w->className = className;
  w->title = title;
  w->style = style;
  w->exStyle = exStyle;
  w->rect = rect;
  w->parent = parent;
  if (parent) {
    if (IsTopLevel(w))
      LinkAt(w, 0);
    else
      parent->children.push_back(w);
  }
  s.live.insert(w);
  s.created[Lower(className)]++;
  return w;
}

void DestroyForeignWindows(ForeignRec* app) {
  auto& s = S();
  for (OsWindow* w : {app->edit, app->window}) {
    if (!w || !w->alive) continue;
    w->alive = false;
    s.live.erase(w);
    Unlink(w);
    s.destroyed[Lower(w->className)]++;
  }
  app->alive = false;
  if (s.foreground == app->window || s.foreground == app->edit) ForegroundGone();
}

}  // namespace headless

// ================================================================ os:: window functions
namespace os {

using namespace headless;

BOOL RegisterClass(const WndClass& wc) {
  auto& s = S();
  if (!wc.lpszClassName || !*wc.lpszClassName || !wc.lpfnWndProc) return FALSE;
  if (FindClass(wc.lpszClassName)) return FALSE;
  ClassRec c;
  c.name = wc.lpszClassName;
  c.wc = wc;
  c.wc.lpszClassName = nullptr;  // the name lives in c.name
  s.classes.push_back(c);
  return static_cast<BOOL>(0xC000 + s.classes.size());
}

BOOL UnregisterClass(const char* className, Instance) {
  auto& s = S();
  if (!className) return FALSE;
  for (size_t i = 0; i < s.classes.size(); ++i) {
    if (!SameClass(s.classes[i].name, className)) continue;
    // Windows refuses while windows of the class exist.
    for (const OsWindow* w : s.live)
      if (w->kind == WindowKind::Program && SameClass(w->className, className)) return FALSE;
    s.classes.erase(s.classes.begin() + static_cast<long>(i));
    return TRUE;
  }
  return FALSE;
}

Window CreateWindowEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                      int y, int width, int height, Window parent, Instance instance, void* param) {
  auto& s = S();
  if (!className) return nullptr;
  const ClassRec* cls = FindClass(className);
  Builtin builtin = cls ? Builtin::None : BuiltinClass(className);
  if (!cls && builtin == Builtin::None) return nullptr;
  OsWindow* parentWindow = nullptr;
  if (parent) {
    parentWindow = Live(parent);
    if (!parentWindow) return nullptr;
  }
  bool child = (style & WS_CHILD) != 0;
  if (child && (!parentWindow || parentWindow->kind == WindowKind::Desktop)) return nullptr;
  constexpr int kUseDefault = static_cast<int>(0x80000000u);
  if (x == kUseDefault) x = y = 0;
  if (width == kUseDefault) {
    width = 400;
    height = 300;
  }
  OsWindow* treeParent = child ? parentWindow : s.desktop;
  bool visible = (style & WS_VISIBLE) != 0;
  OsWindow* w =
      NewWindow(WindowKind::Program, cls ? cls->name : std::string(className), title ? title : "",
                style & ~WS_VISIBLE, exStyle, Rect{x, y, x + width, y + height}, treeParent);
  if (!child && parentWindow && parentWindow->kind != WindowKind::Desktop)
    w->owner = TopLevelOf(parentWindow);
  if (child) w->id = static_cast<int>(reinterpret_cast<intptr_t>(param));
  w->builtin = builtin;
  if (cls) {
    w->proc = cls->wc.lpfnWndProc;
    w->classStyle = cls->wc.style;
    w->background = cls->wc.hbrBackground;
  }
  CreateStruct cs{param, instance, child ? param : nullptr,  parent, height,    width,
                  y,     x,        static_cast<LONG>(style), title,  className, exStyle};
  if (!Deliver(w, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    DestroyWindow(w);
    return nullptr;
  }
  if (Deliver(w, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(w);
    return nullptr;
  }
  if (!Live(w)) return nullptr;
  SendSize(w);
  SendMove(w);
  if (visible && Live(w)) {
    SetVisible(w, true);
    if (!child && !(exStyle & 0x08000000)) ActivateTopLevel(w);  // WS_EX_NOACTIVATE aside
  }
  return Live(w);
}

BOOL DestroyWindow(Window window) {
  auto& s = S();
  OsWindow* w = Live(window);
  if (!w || w->kind != WindowKind::Program) return FALSE;
  // Owned windows go first, as Windows does.
  if (IsTopLevel(w)) {
    std::vector<OsWindow*> owned;
    for (OsWindow* o : s.desktop->children)
      if (o->owner == w) owned.push_back(o);
    for (OsWindow* o : owned) DestroyWindow(o);
  }
  if (!Live(w)) return TRUE;
  bool wasVisible = (w->style & WS_VISIBLE) != 0;
  w->style &= ~WS_VISIBLE;
  if (wasVisible && (s.foreground == w || s.active == w)) {
    if (s.foreground == w) ForegroundGone();
    if (s.active == w) s.active = nullptr;
  }
  // WM_DESTROY goes to the window first and then to its children, while all still exist.
  std::function<void(OsWindow*)> sendDestroy = [&](OsWindow* x) {
    Deliver(x, WM_DESTROY, 0, 0);
    std::vector<OsWindow*> kids = x->children;
    for (OsWindow* k : kids)
      if (Live(k)) sendDestroy(k);
  };
  sendDestroy(w);
  // Then the windows are freed, children first, each with WM_NCDESTROY.
  std::function<void(OsWindow*)> release = [&](OsWindow* x) {
    std::vector<OsWindow*> kids = x->children;
    for (OsWindow* k : kids)
      if (Live(k)) release(k);
    Deliver(x, WM_NCDESTROY, 0, 0);
    x->alive = false;
    s.live.erase(x);
    s.dirty.erase(x);
    Unlink(x);
    DropOwnDc(x);
    PurgeWindow(x);
    s.destroyed[Lower(x->className)]++;
    if (s.focus == x) s.focus = nullptr;
    if (s.active == x) s.active = nullptr;
    if (s.foreground == x) ForegroundGone();
  };
  if (Live(w)) release(w);
  return TRUE;
}

BOOL ShowWindow(Window window, int cmd) {
  OsWindow* w = Live(window);
  if (!w) return FALSE;
  BOOL was = (w->style & WS_VISIBLE) ? TRUE : FALSE;
  if (cmd == SW_HIDE) {
    SetVisible(w, false);
    return was;
  }
  SetVisible(w, true);
  bool activates = cmd != SW_SHOWNA && cmd != 4 /* SW_SHOWNOACTIVATE */ &&
                   cmd != 7 /* SW_SHOWMINNOACTIVE */ && cmd != 2 /* SW_SHOWMINIMIZED */;
  if (activates && IsTopLevel(w) && w->kind == WindowKind::Program) ActivateTopLevel(w);
  return was;
}

BOOL UpdateWindow(Window window) {
  OsWindow* w = Live(window);
  if (!w) return FALSE;
  if (w->hasUpdate && VisibleOnScreen(w)) Deliver(w, WM_PAINT, 0, 0);
  return TRUE;
}

BOOL InvalidateRect(Window window, const Rect* r, BOOL erase) {
  auto& s = S();
  if (!window) {
    for (OsWindow* w : s.live)
      if (w->kind == WindowKind::Program) Invalidate(w, nullptr, erase != 0);
    return TRUE;
  }
  OsWindow* w = Live(window);
  if (!w) return FALSE;
  Invalidate(w, r, erase != 0);
  return TRUE;
}

BOOL SetWindowPos(Window window, Window insertAfter, int x, int y, int cx, int cy, UINT flags) {
  auto& s = S();
  OsWindow* w = Live(window);
  if (!w || w->kind == WindowKind::Desktop) return FALSE;
  if (!(flags & SWP_NOZORDER)) {
    if (insertAfter == HWND_TOPMOST) {
      if (IsTopLevel(w)) w->exStyle |= WS_EX_TOPMOST;
      Unlink(w);
      LinkAt(w, 0);
    } else if (insertAfter == HWND_NOTOPMOST) {
      w->exStyle &= ~WS_EX_TOPMOST;
      Unlink(w);
      LinkAt(w, BandTop(w));
    } else if (insertAfter == HWND_TOP) {
      BringToTopOfBand(w);
    } else if (insertAfter == HWND_BOTTOM) {
      // A top-most window sent to the bottom loses its top-most state.
      w->exStyle &= ~WS_EX_TOPMOST;
      Unlink(w);
      LinkAt(w, w->parent->children.size());
    } else if (OsWindow* after = Live(insertAfter);
               after && after->parent == w->parent && after != w) {
      Unlink(w);
      auto& list = w->parent->children;
      size_t pos =
          static_cast<size_t>(std::find(list.begin(), list.end(), after) - list.begin()) + 1;
      LinkAt(w, pos);
    }
  }
  Rect old = w->rect;
  Rect r = old;
  if (!(flags & SWP_NOMOVE)) {
    r.right = x + (r.right - r.left);
    r.bottom = y + (r.bottom - r.top);
    r.left = x;
    r.top = y;
  }
  if (!(flags & SWP_NOSIZE)) {
    r.right = r.left + std::max(cx, 0);
    r.bottom = r.top + std::max(cy, 0);
  }
  w->rect = r;
  bool sized =
      (r.right - r.left) != (old.right - old.left) || (r.bottom - r.top) != (old.bottom - old.top);
  bool moved = r.left != old.left || r.top != old.top;
  if (flags & SWP_SHOWWINDOW) SetVisible(w, true);
  if (flags & 0x0080 /* SWP_HIDEWINDOW */) SetVisible(w, false);
  if (sized) Invalidate(w, nullptr, true);
  if (moved) SendMove(w);
  if (sized) SendSize(w);
  if (!(flags & SWP_NOACTIVATE) && IsTopLevel(w) && w->kind == WindowKind::Program &&
      (w->style & WS_VISIBLE) && Live(w)) {
    // Activation within the program; the foreground follows only when the program has it.
    s.active = w;
    if (!s.foreground || s.foreground->kind == WindowKind::Program) s.foreground = w;
  }
  return TRUE;
}

BOOL MoveWindow(Window window, int x, int y, int width, int height, BOOL repaint) {
  OsWindow* w = Live(window);
  if (!w) return FALSE;
  SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  if (repaint && Live(w)) Invalidate(w, nullptr, true);
  return TRUE;
}

BOOL GetClientRect(Window window, Rect* r) {
  OsWindow* w = Live(window);
  if (!w || !r) return FALSE;
  Rect c = ClientScreenRectOf(w);
  *r = Rect{0, 0, c.right - c.left, c.bottom - c.top};
  return TRUE;
}

BOOL GetWindowRect(Window window, Rect* r) {
  OsWindow* w = Live(window);
  if (!w || !r) return FALSE;
  *r = ScreenRectOf(w);
  return TRUE;
}

BOOL ScreenToClient(Window window, Point* p) {
  OsWindow* w = Live(window);
  if (!w || !p) return FALSE;
  Rect c = ClientScreenRectOf(w);
  p->x -= c.left;
  p->y -= c.top;
  return TRUE;
}

BOOL ClientToScreen(Window window, Point* p) {
  OsWindow* w = Live(window);
  if (!w || !p) return FALSE;
  Rect c = ClientScreenRectOf(w);
  p->x += c.left;
  p->y += c.top;
  return TRUE;
}

// As on Windows, hidden and disabled children are not skipped.
Window ChildWindowFromPoint(Window parent, Point clientPoint) {
  OsWindow* w = Live(parent);
  if (!w) return nullptr;
  Rect c = ClientScreenRectOf(w);
  if (clientPoint.x < 0 || clientPoint.y < 0 || clientPoint.x >= c.right - c.left ||
      clientPoint.y >= c.bottom - c.top)
    return nullptr;
  for (OsWindow* child : w->children)
    if (Contains(child->rect, clientPoint)) return child;
  return w;
}

// Where no window of any program is, the point is on the desktop window, as on Wine.
Window WindowFromPoint(Point screenPoint) {
  OsWindow* w = HitTest(screenPoint);
  return w ? w : S().desktop;
}

Window FindWindow(const char* className, const char* title) {
  return FindChild(S().desktop, nullptr, className, title);
}

Window FindWindowEx(Window parent, Window childAfter, const char* className, const char* title) {
  OsWindow* p = parent ? Live(parent) : S().desktop;
  if (!p) return nullptr;
  OsWindow* after = nullptr;
  if (childAfter) {
    after = Live(childAfter);
    if (!after || after->parent != p) return nullptr;
  }
  return FindChild(p, after, className, title);
}

Window GetTopWindow(Window window) {
  OsWindow* w = window ? Live(window) : S().desktop;
  if (!w || w->children.empty()) return nullptr;
  return w->children.front();
}

Window GetWindow(Window window, UINT cmd) {
  OsWindow* w = Live(window);
  if (!w) return nullptr;
  if (cmd == GW_CHILD) return w->children.empty() ? nullptr : w->children.front();
  if (cmd == GW_OWNER) return w->owner && w->owner->alive ? w->owner : nullptr;
  if (!w->parent) return nullptr;
  auto& list = w->parent->children;
  auto it = std::find(list.begin(), list.end(), w);
  switch (cmd) {
    case GW_HWNDFIRST:
      return list.front();
    case GW_HWNDLAST:
      return list.back();
    case GW_HWNDNEXT:
      return (it + 1) == list.end() ? nullptr : *(it + 1);
    case GW_HWNDPREV:
      return it == list.begin() ? nullptr : *(it - 1);
    default:
      return nullptr;
  }
}

Window GetParent(Window window) {
  OsWindow* w = Live(window);
  if (!w) return nullptr;
  if (w->style & WS_CHILD) return w->parent;
  // A top-level pop-up answers its owner, as on Windows.
  if ((w->style & WS_POPUP) && w->owner && w->owner->alive) return w->owner;
  return nullptr;
}

Window GetDesktopWindow() { return S().desktop; }

BOOL IsWindow(Window w) { return Live(w) ? TRUE : FALSE; }

BOOL IsWindowVisible(Window window) {
  OsWindow* w = Live(window);
  return w && VisibleOnScreen(w) ? TRUE : FALSE;
}

int GetClassName(Window window, char* buffer, int size) {
  OsWindow* w = Live(window);
  if (!w) return 0;
  return CopyText(w->className, buffer, size);
}

int GetWindowText(Window window, char* buffer, int size) {
  OsWindow* w = Live(window);
  if (!w) {
    if (buffer && size > 0) buffer[0] = 0;
    return 0;
  }
  return CopyText(w->title, buffer, size);
}

BOOL SetWindowText(Window window, const char* text) {
  OsWindow* w = Live(window);
  if (!w) return FALSE;
  if (w->kind == WindowKind::Foreign) {
    w->title = text ? text : "";
    return TRUE;
  }
  return Deliver(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")) ? TRUE : FALSE;
}

DWORD GetWindowThreadProcessId(Window window, DWORD* processId) {
  OsWindow* w = Live(window);
  if (!w) {
    if (processId) *processId = 0;
    return 0;
  }
  DWORD pid = desktop::kProgramProcess, tid = desktop::kProgramThread;
  if (w->kind == WindowKind::Foreign) {
    pid = w->app->processId;
    tid = w->app->threadId;
  } else if (w->kind == WindowKind::Desktop) {
    pid = 0x0008;
    tid = 0x0009;
  }
  if (processId) *processId = pid;
  return tid;
}

DWORD GetCurrentThreadId() { return desktop::kProgramThread; }

Window SetActiveWindow(Window window) {
  auto& s = S();
  OsWindow* w = Live(window);
  if (!w || w->kind != WindowKind::Program) return nullptr;
  w = TopLevelOf(w);
  OsWindow* previous = s.active;
  s.active = w;
  // Activating a window of the thread makes it the foreground when the thread has it.
  if (!s.foreground || s.foreground->kind == WindowKind::Program) {
    s.foreground = w;
    BringToTopOfBand(w);
  }
  return previous;
}

Window GetForegroundWindow() { return S().foreground; }

BOOL SetForegroundWindow(Window window) {
  OsWindow* w = Live(window);
  if (!w || w->kind == WindowKind::Desktop) return FALSE;
  ActivateTopLevel(w);
  return TRUE;
}

BOOL BringWindowToTop(Window window) {
  auto& s = S();
  OsWindow* w = Live(window);
  if (!w || w->kind == WindowKind::Desktop) return FALSE;
  BringToTopOfBand(w);
  if (IsTopLevel(w) && w->kind == WindowKind::Program) {
    s.active = w;
    if (!s.foreground || s.foreground->kind == WindowKind::Program) s.foreground = w;
  }
  return TRUE;
}

int GetSystemMetrics(int index) {
  auto& c = S().config;
  switch (index) {
    case SM_CXSCREEN:
      return c.screenWidth;
    case SM_CYSCREEN:
      return c.screenHeight;
    case SM_CXMAXIMIZED:
      return c.maximizedWidth;
    case SM_CYMAXIMIZED:
      return c.maximizedHeight;
    default:
      return 0;
  }
}

LPARAM GetWindowUserData(Window window) {
  OsWindow* w = Live(window);
  return w ? w->userData : 0;
}

void SetWindowUserData(Window window, LPARAM value) {
  if (OsWindow* w = Live(window)) w->userData = value;
}

}  // namespace os
