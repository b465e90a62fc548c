// Key windows: layout from the file's units, making, showing and hiding the windows of
// a subtree, fitting keys to their children, hit tests, and the key window procedure's
// painting part.
#include <algorithm>
#include <vector>

#include "base/bus.h"
#include "base/settings.h"
#include "base/text.h"
#include "keyboard/key_tree.h"
#include "keyboard/keyboard.h"
#include "keyboard/painting.h"
#include "keyboard/scanning.h"
#include "keyboard/state.h"

namespace mivo {

namespace {

constexpr os::DWORD KEY_WINDOW_STYLE =
    os::WS_CHILD | os::WS_VISIBLE | os::WS_CLIPSIBLINGS | os::WS_CLIPCHILDREN;

// A parent cycle (left by deleting a parent and reusing its slot) must not make the
// recursive walks below run away.
constexpr int MAX_TREE_DEPTH = KEY_TABLE_SIZE;

uint32_t Frame() { return static_cast<uint32_t>(settings.FrameWidth); }

os::Rect ClientOf(int32_t k) {
  os::Rect r{0, 0, 0, 0};
  const KeyRecord* key = GetKey(k);
  if (!key) return r;
  if (key->window) {
    os::GetClientRect(key->window, &r);
  } else if (key->later.rank != 0) {
    // A key window has no frame: its client area is its whole size.
    r.right = std::max(key->later.rect.right - key->later.rect.left, 0);
    r.bottom = std::max(key->later.rect.bottom - key->later.rect.top, 0);
  }
  return r;
}

// Ranks a window that is not made yet where making it (a new child window goes below its
// siblings) or raising it would put it.
constexpr uint32_t LATER_MIDDLE = 0x80000000u;
void PutLaterBelow(KeyRecord* key) { key->later.rank = LATER_MIDDLE - ++keyboardState.laterBelow; }
void RaiseLater(KeyRecord* key) { key->later.rank = LATER_MIDDLE + ++keyboardState.laterAbove; }

bool HasWindowType(int32_t type) {
  return type == KT_PANEL || (type >= KT_KEY && type <= KT_CONTAINER);
}

// The origin FitToChildren places a key at (no frame inset, whole layout size).
void FitOrigin(const KeyRecord* key, uint32_t* x, uint32_t* y) {
  if (settings.MetricsMode == 1) {
    *x = (keyboardState.LayoutWidth - 10u) * key->x / 10000u;
    *y = (keyboardState.LayoutHeight - 10u) * key->y / 10000u;
  } else if (settings.MetricsMode == 2) {
    *x = key->x * keyboardState.LayoutWidth / 1000000u;
    *y = key->y * keyboardState.LayoutHeight / 1000000u;
  } else {
    *x = 0;
    *y = 0;
  }
}

uint32_t PositiveSpan(int32_t from, int32_t to) {
  return to - from > 0 ? static_cast<uint32_t>(to - from) : 0u;
}

int FitAt(int32_t k, int depth);

int FitMainWindow() {
  os::Window main = GetMainWindow();
  if (!main) return 0;
  os::Rect outer{0, 0, 0, 0};
  os::GetWindowRect(main, &outer);
  uint32_t largest = 0;
  for (int32_t c = 1; c <= keyboardState.KeyCount; ++c) {
    const KeyRecord* child = GetKey(c);
    if (!child || child->parent != 0 || (child->flags & KF_HIDDEN)) continue;
    uint32_t ox, oy;
    FitOrigin(child, &ox, &oy);
    uint32_t extent = oy + (child->cy != 0 ? child->cy * keyboardState.LayoutHeight / 100000u
                                           : PositiveSpan(child->top, child->bottom));
    if (child->type == KT_PAGE) extent += TAB_STRIP_HEIGHT;
    if (extent > largest) largest = extent;
  }
  const uint32_t oldHeight = static_cast<uint32_t>(outer.bottom - outer.top);
  uint32_t newHeight = largest != 0 ? largest : oldHeight;
  newHeight += 10u;
  if (oldHeight != 0) {
    uint32_t scale = keyboardState.HeightScale * newHeight / oldHeight;
    keyboardState.HeightScale = scale != 0 ? scale : 1u;  // the metrics divide by it
  }
  os::SetWindowPos(main, nullptr, 0, outer.bottom - static_cast<int32_t>(newHeight),
                   outer.right - outer.left, static_cast<int32_t>(newHeight),
                   os::SWP_NOZORDER | os::SWP_NOACTIVATE);
  return 1;
}

int FitKey(int32_t k, int depth) {
  KeyRecord* key = GetKey(k);
  if (!key || (key->cx != 0 && key->cy != 0) || (key->flags & KF_HIDDEN)) return 0;
  const bool fitWidth = key->cx == 0;
  const bool fitHeight = key->cy == 0;
  uint32_t largestWidth = 0, largestHeight = 0;
  for (int32_t c = 1; c <= keyboardState.KeyCount; ++c) {
    const KeyRecord* child = GetKey(c);
    if (!child || c == k || child->parent != k || (child->flags & KF_HIDDEN)) continue;
    uint32_t ox, oy;
    FitOrigin(child, &ox, &oy);
    if (fitWidth) {
      uint32_t extent = ox + (child->cx != 0 ? child->cx * keyboardState.LayoutWidth / 100000u
                                             : PositiveSpan(child->left, child->right));
      if (extent > largestWidth) largestWidth = extent;
    }
    if (fitHeight) {
      uint32_t extent = oy + (child->cy != 0 ? child->cy * keyboardState.LayoutHeight / 100000u
                                             : PositiveSpan(child->top, child->bottom));
      if (child->type == KT_PAGE) extent += TAB_STRIP_HEIGHT;
      if (extent > largestHeight) largestHeight = extent;
    }
  }
  int32_t width = key->right - key->left;
  int32_t height = key->bottom - key->top;
  if (fitWidth && largestWidth != 0) width = static_cast<int32_t>(largestWidth);
  if (fitHeight && largestHeight != 0) height = static_cast<int32_t>(largestHeight);
  uint32_t ox, oy;
  FitOrigin(key, &ox, &oy);
  const int32_t left = static_cast<int32_t>(ox);
  const int32_t top = static_cast<int32_t>(oy);
  if (key->window) {
    os::SetWindowPos(key->window, nullptr, left, top, width, height,
                     os::SWP_NOZORDER | os::SWP_NOACTIVATE);
  } else if (key->later.rank != 0) {
    key->later.rect = {left, top, left + std::max(width, 0), top + std::max(height, 0)};
  }
  key = GetKey(k);  // the move may have run message handlers
  if (!key) return 0;
  if (key->left == left && key->top == top && key->right == left + width &&
      key->bottom == top + height) {
    return 0;
  }
  key->left = left;
  key->top = top;
  key->right = left + width;
  key->bottom = top + height;
  if (FitAt(key->parent, depth + 1) == 1) FitAt(k, depth + 1);
  return 1;
}

int FitAt(int32_t k, int depth) {
  if (depth > MAX_TREE_DEPTH) return 0;
  if (k == 0) return FitMainWindow();
  return FitKey(k, depth);
}

// Takes the windows of a hidden subtree, children first: hidden and kept for a later show,
// or destroyed.
void TakeSubtreeWindows(int32_t k, bool keep, int depth) {
  if (depth > MAX_TREE_DEPTH) return;
  for (int32_t c = 1; c <= keyboardState.KeyCount; ++c) {
    const KeyRecord* child = GetKey(c);
    if (child && c != k && child->parent == k) TakeSubtreeWindows(c, keep, depth + 1);
  }
  KeyRecord* key = GetKey(k);
  if (!key) return;
  // Kept by an earlier hide: it goes with the rest rather than die unseen with its parent.
  if (!keep) DropKeptWindow(key);
  key->later.rank = 0;
  if (!key->window) return;
  os::Window w = key->window;
  key->window = nullptr;
  if (keep) {
    key->kept = w;
    os::ShowWindow(w, os::SW_HIDE);
  } else {
    os::DestroyWindow(w);
  }
}

// Gives back the window the key had, placed as a new one would be: shown and painted
// at its new rectangle.
bool ReuseKeptWindow(KeyRecord* key, os::Window parentWindow, const os::Rect& r) {
  os::Window w = key->kept;
  key->kept = nullptr;
  if (!w || !os::IsWindow(w)) return false;
  if (os::GetParent(w) != parentWindow) {
    os::DestroyWindow(w);
    return false;
  }
  // Keys of a group do not overlap: their order among siblings may stay as it was.
  os::SetWindowPos(w, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   os::SWP_NOZORDER | os::SWP_NOACTIVATE);
  // Under Wine a title set is a round trip to the server; a title read is not.
  char title[256] = {};
  os::GetWindowText(w, title, sizeof title);
  if (!TextEqual(title, key->name)) os::SetWindowText(w, key->name);
  key->window = w;
  os::ShowWindow(w, os::SW_SHOWNOACTIVATE);
  os::UpdateWindow(w);
  return true;
}

int ShowAt(int32_t k, int depth) {
  if (depth > MAX_TREE_DEPTH) return 0;
  KeyRecord* key = GetKey(k);
  if (!key) return 0;
  key->flags &= ~KF_HIDDEN;
  if (key->type == KT_PAGE) {
    for (int32_t c = 1; c <= keyboardState.KeyCount; ++c) {
      const KeyRecord* sibling = GetKey(c);
      if (sibling && c != k && sibling->parent == key->parent && sibling->type == KT_PAGE &&
          HasWindow(sibling)) {
        HideKey(c);
      }
    }
  }
  if (key->parent != 0) FitAt(key->parent, 0);
  key = GetKey(k);
  if (!key) return 0;
  const os::UINT flags = os::SWP_SHOWWINDOW | os::SWP_NOMOVE | os::SWP_NOSIZE;
  if (key->window) {
    os::SetWindowPos(key->window, os::HWND_TOP, 0, 0, 0, 0, flags);
    PaintKey(k);
  } else if (key->later.rank != 0) {
    RaiseLater(key);
  } else {
    MakeKeyWindow(k);
    key = GetKey(k);
    if (key && key->window) {
      os::SetWindowPos(key->window, os::HWND_TOP, 0, 0, 0, 0, flags);
    } else if (key && key->later.rank != 0) {
      RaiseLater(key);
    }
  }
  for (int32_t c = 1; c <= keyboardState.KeyCount; ++c) {
    KeyRecord* child = GetKey(c);
    if (!child || c == k || child->parent != k) continue;
    child->flags &= ~(KF_FOCUS | KF_SELECT);
    child->paintedFlags &= ~(KF_FOCUS | KF_SELECT);
    if (!(child->flags & KF_HIDDEN)) ShowAt(c, depth + 1);
  }
  return 1;
}

// Makes the key's window at r under parentWindow, shown without activation and painted.
void OpenKeyWindow(int32_t k, os::Window parentWindow, const os::Rect& r) {
  const KeyRecord* key = GetKey(k);
  if (!key) return;
  os::Window w = os::CreateWindowEx(0, KEY_WINDOW_CLASS, key->name, KEY_WINDOW_STYLE, r.left, r.top,
                                    r.right - r.left, r.bottom - r.top, parentWindow,
                                    KeyboardInstance(), nullptr);
  KeyRecord* made = GetKey(k);
  if (!made || !w) return;
  made->window = w;
  os::ShowWindow(w, os::SW_SHOWNOACTIVATE);
  os::UpdateWindow(w);
}

// Makes the held-back windows below `parent`, each where its key lies now; below a window
// that could not be made nothing is, as it would not have been.
void MakeLaterChildren(const std::vector<std::vector<int32_t>>& later, int32_t parent,
                       os::Window parentWindow, int depth) {
  if (depth > MAX_TREE_DEPTH) return;
  for (int32_t c : later[static_cast<size_t>(parent)]) {
    KeyRecord* key = GetKey(c);
    if (!key || key->later.rank == 0 || c == parent) continue;
    key->later.rank = 0;
    if (parentWindow) OpenKeyWindow(c, parentWindow, key->later.rect);
    key = GetKey(c);
    MakeLaterChildren(later, c, key ? key->window : nullptr, depth + 1);
  }
}

// The pointer moves the focus when scanning is not automatic, or when it may.
bool MouseMayFocus() { return !settings.TimerFlag || settings.MouseOnScan; }

}  // namespace

os::Rect LayoutKeyRect(int32_t k, int32_t parent) {
  os::Rect r{0, 0, 0, 0};
  const KeyRecord* key = GetKey(k);
  if (!key) return r;
  const KeyRecord* parentKey = GetKey(parent);
  if (key->type == KT_PAGE) {
    // A page covers its container down to the tab strip.
    os::Rect c = ClientOf(parent);
    r = {c.left, c.top, c.right, c.bottom - settings.FrameWidth - TAB_STRIP_HEIGHT};
    return r;
  }
  uint32_t left = 0, top = 0, right = 0, bottom = 0;
  if (settings.MetricsMode == 1) {
    if (parentKey) {
      os::Rect c = ClientOf(parent);
      const uint32_t cw = static_cast<uint32_t>(c.right - c.left);
      const uint32_t ch = static_cast<uint32_t>(c.bottom - c.top);
      left = (cw - 2u * Frame()) * key->x / 10000u;
      top = (ch - 2u * Frame()) * key->y / 10000u;
    } else {
      left = (keyboardState.LayoutWidth - 10u) * key->x / 10000u;
      top = (keyboardState.LayoutHeight - 10u) * key->y / 10000u;
    }
    right = left + key->cx * keyboardState.LayoutWidth / 100000u;
    bottom = top + key->cy * keyboardState.LayoutHeight / 100000u;
  } else if (settings.MetricsMode == 2) {
    left = key->x * keyboardState.LayoutWidth / 100000u;
    top = key->y * keyboardState.LayoutHeight / 100000u;
    right = left + key->cx * keyboardState.LayoutWidth / 100000u;
    bottom = top + key->cy * keyboardState.LayoutHeight / 100000u;
    if (parentKey && parentKey->type == KT_CONTAINER)
      bottom -= static_cast<uint32_t>(TAB_STRIP_HEIGHT);
  } else {
    // Other metrics modes define no rectangle: the key gets an empty one.
    return r;
  }
  left += Frame();
  top += Frame();
  right -= Frame();
  bottom -= Frame();
  r = {static_cast<int32_t>(left), static_cast<int32_t>(top), static_cast<int32_t>(right),
       static_cast<int32_t>(bottom)};
  return r;
}

void MakeKeyWindow(int32_t k) {
  KeyRecord* key = GetKey(k);
  if (!key || (key->flags & KF_HIDDEN) || HasWindow(key)) return;
  os::Rect r = LayoutKeyRect(k, key->parent);
  key->left = r.left;
  key->top = r.top;
  key->right = r.right;
  key->bottom = r.bottom;
  if (!HasWindowType(key->type)) return;
  os::Window parentWindow = GetMainWindow();
  bool parentLater = false;
  if (key->parent != 0) {
    const KeyRecord* parentKey = GetKey(key->parent);
    parentWindow = parentKey ? parentKey->window : nullptr;
    parentLater = parentKey && parentKey->later.rank != 0;
  }
  if (keyboardState.windowsLater && (parentWindow || parentLater)) {
    key->later.rect = r;
    PutLaterBelow(key);
    return;
  }
  // A child window needs a parent: below a key without a window nothing is made.
  if (!parentWindow) return;
  if (key->kept && ReuseKeptWindow(key, parentWindow, r)) return;
  OpenKeyWindow(k, parentWindow, r);
}

void MakeKeyWindowsLater() { keyboardState.windowsLater = true; }

void MakeKeyWindowsNow() {
  if (!keyboardState.windowsLater) return;
  keyboardState.windowsLater = false;
  // Children of each key, the top one first: each window made goes below those before.
  std::vector<std::vector<int32_t>> later(static_cast<size_t>(keyboardState.KeyCount) + 1);
  for (int32_t c = 1; c <= keyboardState.KeyCount; ++c) {
    const KeyRecord* key = GetKey(c);
    if (key && key->later.rank != 0 && key->parent >= 0 && key->parent <= keyboardState.KeyCount)
      later[static_cast<size_t>(key->parent)].push_back(c);
  }
  for (auto& children : later) {
    std::sort(children.begin(), children.end(),
              [](int32_t a, int32_t b) { return GetKey(a)->later.rank > GetKey(b)->later.rank; });
  }
  MakeLaterChildren(later, 0, GetMainWindow(), 0);
}

bool RegisterKeyWindowClass(os::Instance instance) {
  os::WndClass wc{};
  wc.style = os::CS_OWNDC;
  wc.lpfnWndProc = KeybdKeyProc;
  wc.hInstance = instance;
  wc.hCursor = os::IDC_ARROW;
  // Never used: key windows do not erase their background.
  wc.hbrBackground = os::GetStockObject(os::GRAY_BRUSH);
  wc.lpszClassName = KEY_WINDOW_CLASS;
  return os::RegisterClass(wc) != 0;
}

int FitToChildren(int32_t k) { return FitAt(k, 0); }

int ShowKey(int32_t k) { return ShowAt(k, 0); }

int HideKey(int32_t k) {
  KeyRecord* key = GetKey(k);
  if (!key) return 0;
  if (key->flags & KF_FOCUS) ClearFocusFlags(k);
  key = GetKey(k);
  if (key && (key->flags & KF_SELECT)) ClearSelectFlags(k);
  key = GetKey(k);
  if (!key) return 0;
  key->flags |= KF_HIDDEN;
  if (HasWindow(key)) TakeSubtreeWindows(k, keyboardState.keepWindows, 0);
  return 1;
}

namespace {

int KeepingWindows(int (*command)(int32_t), int32_t k) {
  const bool before = keyboardState.keepWindows;
  keyboardState.keepWindows = true;
  const int done = command(k);
  keyboardState.keepWindows = before;
  return done;
}

}  // namespace

// Showing a page hides the page it replaces: kept as well.
int ShowKeyForLater(int32_t k) { return KeepingWindows(ShowKey, k); }

int HideKeyForLater(int32_t k) { return KeepingWindows(HideKey, k); }

int32_t KeyAtPoint(os::Window w, int x, int y) {
  os::Point point{x, y};
  os::Window hit = w ? os::ChildWindowFromPoint(w, point) : os::WindowFromPoint(point);
  if (!hit) return 0;
  int32_t k = FindKeyByWindow(hit);
  const KeyRecord* key = GetKey(k);
  if (!key) return 0;
  if (key->type != KT_CONTAINER) return k;
  if (!w) {
    os::ScreenToClient(key->window, &point);
  } else if (key->window != w) {
    os::ClientToScreen(w, &point);
    os::ScreenToClient(key->window, &point);
  }
  for (int32_t c = 1; c <= keyboardState.KeyCount; ++c) {
    const KeyRecord* page = GetKey(c);
    if (!page || c == k || page->parent != k || page->type != KT_PAGE) continue;
    if (page->left < point.x && point.x < page->right && page->top < point.y &&
        point.y < page->bottom) {
      return c;
    }
  }
  return k;
}

int32_t KeyUnderCursor() {
  os::Point p{0, 0};
  if (!os::GetCursorPos(&p)) return 0;
  return KeyAtPoint(nullptr, p.x, p.y);
}

void KeybdRelayout(os::Window mainWindow) {
  // Fitting keys may resize the main window, which comes back here as WM_SIZE; a few
  // nested rounds settle the layout, more would only recurse.
  if (keyboardState.relayoutDepth >= 4) {
    UpdateMetrics(mainWindow);
    return;
  }
  ++keyboardState.relayoutDepth;
  UpdateMetrics(mainWindow);
  const bool haveRoot = GetKey(1) != nullptr;
  if (haveRoot) HideKey(1);
  // keeps the bar docked at its new size
  if (keyboardState.hooks.appBarNotify)
    keyboardState.hooks.appBarNotify(mainWindow, os::ABN_POSCHANGED, 0);
  if (haveRoot) ShowKey(1);
  --keyboardState.relayoutDepth;
}

os::LRESULT KeybdKeyProc(os::Window w, os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  switch (message) {
    case os::WM_PAINT: {
      os::Rect update{0, 0, 0, 0};
      if (os::GetUpdateRect(w, &update, os::FALSE)) {
        os::PaintStruct ps{};
        os::BeginPaint(w, &ps);
        PaintKey(FindKeyByWindow(w));
        os::EndPaint(w, &ps);
      }
      return 0;
    }
    case os::WM_ERASEBKGND:
      return 0;  // keys paint every pixel they own; erasing would only flicker
    case os::WM_MOUSEACTIVATE:
      // A click on a key must not take the foreground from the user's application.
      SendToMain(MM_KEY_MOUSEACTIVATE, 0, 0);
      return os::MA_NOACTIVATEANDEAT;
    case os::WM_MOUSEMOVE:
    case os::WM_NCMOUSEMOVE:
      if (MouseMayFocus()) {
        FocusKey(KeyAtPoint(w, static_cast<int>(lParam & 0xFFFF),
                            static_cast<int>((lParam >> 16) & 0xFFFF)));
      }
      return SendToMain(MM_KEY_MOUSEMOVE, 0, 0);
    case os::WM_LBUTTONDOWN:
    case os::WM_NCLBUTTONDOWN:
      if (MouseMayFocus()) FocusKey(KeyUnderCursor());
      SwitchDown();
      return 0;
    case os::WM_LBUTTONUP:
    case os::WM_NCLBUTTONUP:
      SwitchUp();
      os::SetActiveWindow(w);
      return 0;
    case os::WM_CAPTURECHANGED:
      if (MouseMayFocus()) FocusKey(FindKeyByWindow(reinterpret_cast<os::Window>(lParam)));
      return 0;
    default:
      break;
  }
  return os::DefWindowProc(w, message, wParam, lParam);
}

}  // namespace mivo
