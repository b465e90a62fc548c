// Keyboard and mouse state, scripted and injected input, focus across threads, and the
// simulated foreign applications that receive it.
#include <algorithm>

#include "platform/headless/internal.h"

namespace headless {

namespace {

LPARAM MakeLParam(LONG lo, LONG hi) {
  return static_cast<LPARAM>(static_cast<uint32_t>((lo & 0xFFFF) | ((hi & 0xFFFF) << 16)));
}

bool Attached(DWORD a, DWORD b) {
  for (auto& p : S().attachments)
    if ((p.first == a && p.second == b) || (p.first == b && p.second == a)) return true;
  return false;
}

bool ShiftDown() {
  auto& k = S().keys;
  return k[VK_SHIFT].down || k[0xA0].down || k[0xA1].down;
}

UINT MouseFlags() {
  auto& k = S().keys;
  UINT f = 0;
  if (k[VK_LBUTTON].down) f |= 0x0001;
  if (k[VK_RBUTTON].down) f |= 0x0002;
  if (ShiftDown()) f |= 0x0004;
  if (k[VK_CONTROL].down) f |= 0x0008;
  if (k[VK_MBUTTON].down) f |= 0x0010;
  return f;
}

void QueueInput(Queued::Kind kind, OsWindow* w, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto& s = S();
  // Pointer moves coalesce as on Windows: only the newest position waits in the queue.
  if (kind == Queued::Mouse && msg == WM_MOUSEMOVE && !s.queue.empty()) {
    Queued& last = s.queue.back();
    if (last.kind == Queued::Mouse && last.msg.message == WM_MOUSEMOVE && last.msg.hwnd == w) {
      last.msg.pt = s.cursor;
      last.msg.wParam = wParam;
      last.msg.time = static_cast<DWORD>(s.now);
      return;
    }
  }
  Queued q;
  q.kind = kind;
  q.msg = Msg{w, msg, wParam, lParam, static_cast<DWORD>(s.now), s.cursor};
  s.queue.push_back(q);
}

ForeignRec* FindApp(const desktop::ForeignApp& app) {
  for (auto& a : S().apps)
    if (a->window == app.window) return a.get();
  return nullptr;
}

int VkOfButton(UINT downMessage) {
  if (downMessage == WM_RBUTTONDOWN) return VK_RBUTTON;
  if (downMessage == WM_MBUTTONDOWN) return VK_MBUTTON;
  return VK_LBUTTON;
}

void Press(KeyState& k) {
  if (!k.down) k.toggle = !k.toggle;
  k.down = true;
  k.pressed = true;
}

}  // namespace

bool IsLead(unsigned char b) { return (b >= 0x80 && b <= 0x9F) || b >= 0xE0; }

ForeignRec* AppOf(const OsWindow* w) { return w ? w->app : nullptr; }

int CharForKey(int vk) {
  auto& s = S();
  bool shift = ShiftDown();
  if (vk >= 'A' && vk <= 'Z') {
    bool upper = shift != s.keys[0x14].toggle;  // Caps Lock inverts the shift state
    return upper ? vk : vk - 'A' + 'a';
  }
  if (vk >= '0' && vk <= '9') {
    static const char shifted[] = ")!@#$%^&*(";
    return shift ? shifted[vk - '0'] : vk;
  }
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return '0' + (vk - VK_NUMPAD0);
  switch (vk) {
    case VK_SPACE:
      return ' ';
    case VK_RETURN:
      return '\r';
    case VK_TAB:
      return '\t';
    case VK_BACK:
      return 0x08;
    case VK_ESCAPE:
      return 0x1B;
    case 0x6A:
      return '*';
    case 0x6B:
      return '+';
    case 0x6D:
      return '-';
    case 0x6E:
      return '.';
    case 0x6F:
      return '/';
    default:
      break;
  }
  // US layout punctuation
  struct Oem {
    int vk;
    char plain, shifted;
  };
  static const Oem oem[] = {{0xBA, ';', ':'},  {0xBB, '=', '+'}, {0xBC, ',', '<'}, {0xBD, '-', '_'},
                            {0xBE, '.', '>'},  {0xBF, '/', '?'}, {0xC0, '`', '~'}, {0xDB, '[', '{'},
                            {0xDC, '\\', '|'}, {0xDD, ']', '}'}, {0xDE, '\'', '"'}};
  for (const Oem& o : oem)
    if (o.vk == vk) return shift ? o.shifted : o.plain;
  return 0;
}

void EditChar(std::string& text, unsigned value) {
  if (value > 0xFF) {
    text.push_back(static_cast<char>((value >> 8) & 0xFF));
    text.push_back(static_cast<char>(value & 0xFF));
    return;
  }
  if (value == 0x08) {
    // Back removes one whole character: find where the last one starts.
    size_t i = 0, last = 0;
    while (i < text.size()) {
      last = i;
      i += (IsLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
    }
    if (!text.empty()) text.erase(last);
    return;
  }
  if (value < 0x20 && value != '\r' && value != '\t') return;
  text.push_back(static_cast<char>(value));
}

LRESULT ForeignReceive(ForeignRec* app, OsWindow* w, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto& s = S();
  if (!app || !app->alive) return 0;
  app->received.push_back(desktop::Received{s.now, msg, wParam, lParam});
  switch (msg) {
    case WM_CHAR:
    case WM_IME_CHAR:
      EditChar(app->text, static_cast<unsigned>(wParam));
      return 0;
    case WM_SETTEXT:
      if (w == app->edit)
        app->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
      else
        w->title = lParam ? reinterpret_cast<const char*>(lParam) : "";
      return TRUE;
    case WM_DESTROY:
      if (!app->options.ignoresDestroy) DestroyForeignWindows(app);
      return 0;
    case WM_QUIT:
      if (!app->options.ignoresQuit) DestroyForeignWindows(app);
      return 0;
    case WM_CLOSE:
      // Its DefWindowProc destroys the window for real.
      app->received.push_back(desktop::Received{s.now, WM_DESTROY, 0, 0});
      DestroyForeignWindows(app);
      return 0;
    case WM_MOUSEACTIVATE:
      return MA_ACTIVATE;
    case WM_NCHITTEST: {
      Point p{static_cast<int16_t>(lParam & 0xFFFF), static_cast<int16_t>((lParam >> 16) & 0xFFFF)};
      return HitCode(w, p);
    }
    default:
      return 0;
  }
}

void KeyEvent(int vk, bool down) {
  auto& s = S();
  vk &= 0xFF;
  KeyState& k = s.keys[vk];
  if (down)
    Press(k);
  else
    k.down = false;
  if (s.rawKeyboard) ++s.rawInputs;
  OsWindow* fg = s.foreground;
  if (!fg || !fg->alive) return;
  bool alt = s.keys[VK_MENU].down || vk == VK_MENU;
  bool ctrl = s.keys[VK_CONTROL].down;
  bool sys = alt && !ctrl;
  UINT msg = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
  LPARAM lParam = down ? 1 : static_cast<LPARAM>(0xC0000001u);
  if (fg->kind == WindowKind::Foreign) {
    ForeignRec* app = fg->app;
    OsWindow* target = Live(app->focus) ? app->focus : fg;
    if (target->kind == WindowKind::Program) {
      // The focus was given to one of the program's windows through attached input.
      QueueInput(Queued::Key, target, msg, static_cast<WPARAM>(vk), lParam);
      return;
    }
    ForeignReceive(app, target, msg, static_cast<WPARAM>(vk), lParam);
    if (down && !sys && !ctrl && app->alive) {
      int ch = CharForKey(vk);
      if (ch) ForeignReceive(app, target, WM_CHAR, static_cast<WPARAM>(ch), lParam);
    }
    return;
  }
  OsWindow* target = Live(s.focus) ? s.focus : fg;
  QueueInput(Queued::Key, target, msg, static_cast<WPARAM>(vk), lParam);
}

void CursorMoved() {
  auto& s = S();
  OsWindow* w = HitTest(s.cursor);
  if (!w || w->kind != WindowKind::Program) return;
  QueueInput(Queued::Mouse, w, WM_MOUSEMOVE, MouseFlags(), 0);
}

void MouseButtonEvent(UINT downMessage, bool down) {
  auto& s = S();
  int vk = VkOfButton(downMessage);
  if (s.rawMouse) ++s.rawInputs;
  if (down)
    Press(s.keys[vk]);
  else
    s.keys[vk].down = false;
  UINT msg = down ? downMessage : downMessage + 1;
  OsWindow* w = HitTest(s.cursor);
  if (!w) return;
  if (w->kind == WindowKind::Foreign) {
    ForeignRec* app = w->app;
    if (down) {
      ActivateTopLevel(app->window);
      if (w == app->edit) app->focus = w;
    }
    Rect c = ClientScreenRectOf(w);
    ForeignReceive(app, w, msg, MouseFlags(), MakeLParam(s.cursor.x - c.left, s.cursor.y - c.top));
    return;
  }
  if (w->kind == WindowKind::Program) QueueInput(Queued::Mouse, w, msg, MouseFlags(), 0);
}

}  // namespace headless

namespace os {

using namespace headless;

short GetAsyncKeyState(int vk) {
  KeyState& k = S().keys[vk & 0xFF];
  uint16_t r = static_cast<uint16_t>((k.down ? 0x8000 : 0) | (k.pressed ? 1 : 0));
  k.pressed = false;
  return static_cast<short>(r);
}

BOOL GetKeyboardState(BYTE state[256]) {
  if (!state) return FALSE;
  auto& s = S();
  for (int i = 0; i < 256; ++i)
    state[i] = static_cast<BYTE>((s.keys[i].down ? 0x80 : 0) | (s.keys[i].toggle ? 1 : 0));
  return TRUE;
}

void keybd_event(BYTE vk, BYTE, DWORD flags, uintptr_t) {
  auto& s = S();
  s.injected.push_back(desktop::InjectedEvent{s.now, true, vk, flags, 0, 0});
  KeyEvent(vk, (flags & KEYEVENTF_KEYUP) == 0);
}

void mouse_event(DWORD flags, DWORD dx, DWORD dy, DWORD, uintptr_t) {
  auto& s = S();
  s.injected.push_back(desktop::InjectedEvent{s.now, false, 0, flags, dx, dy});
  if (flags & MOUSEEVENTF_MOVE) {
    int x, y;
    if (flags & 0x8000) {  // MOUSEEVENTF_ABSOLUTE: 0..65535 over the screen
      x = static_cast<int>((static_cast<int64_t>(dx & 0xFFFF) * s.config.screenWidth) / 65536);
      y = static_cast<int>((static_cast<int64_t>(dy & 0xFFFF) * s.config.screenHeight) / 65536);
    } else {
      // Wine's pointer acceleration at its default mouse speed: a move of more than
      // 6 pixels along an axis goes twice as far.
      auto accelerate = [](int32_t d) { return d > 6 || d < -6 ? 2 * d : d; };
      x = s.cursor.x + accelerate(static_cast<int32_t>(dx));
      y = s.cursor.y + accelerate(static_cast<int32_t>(dy));
    }
    s.cursor.x = std::clamp(x, 0, s.config.screenWidth - 1);
    s.cursor.y = std::clamp(y, 0, s.config.screenHeight - 1);
    CursorMoved();
  }
  if (flags & MOUSEEVENTF_LEFTDOWN) MouseButtonEvent(WM_LBUTTONDOWN, true);
  if (flags & MOUSEEVENTF_LEFTUP) MouseButtonEvent(WM_LBUTTONDOWN, false);
  if (flags & MOUSEEVENTF_RIGHTDOWN) MouseButtonEvent(WM_RBUTTONDOWN, true);
  if (flags & MOUSEEVENTF_RIGHTUP) MouseButtonEvent(WM_RBUTTONDOWN, false);
  if (flags & MOUSEEVENTF_MIDDLEDOWN) MouseButtonEvent(WM_MBUTTONDOWN, true);
  if (flags & MOUSEEVENTF_MIDDLEUP) MouseButtonEvent(WM_MBUTTONDOWN, false);
}

BOOL GetCursorPos(Point* p) {
  if (!p) return FALSE;
  *p = S().cursor;
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  auto& s = S();
  s.cursor.x = std::clamp(x, 0, s.config.screenWidth - 1);
  s.cursor.y = std::clamp(y, 0, s.config.screenHeight - 1);
  CursorMoved();
  return TRUE;
}

BOOL AttachThreadInput(DWORD attach, DWORD to, BOOL doAttach) {
  auto& s = S();
  auto known = [&](DWORD tid) {
    if (tid == desktop::kProgramThread) return true;
    for (auto& a : s.apps)
      if (a->threadId == tid && a->alive) return true;
    return false;
  };
  if (attach == to || !known(attach) || !known(to)) return FALSE;
  auto it = std::find(s.attachments.begin(), s.attachments.end(), std::make_pair(attach, to));
  if (doAttach) {
    if (it == s.attachments.end()) s.attachments.emplace_back(attach, to);
    return TRUE;
  }
  if (it == s.attachments.end()) return FALSE;
  s.attachments.erase(it);
  return TRUE;
}

Window GetFocus() {
  auto& s = S();
  OsWindow* fg = s.foreground;
  // Attached input shares the focus of the foreground thread.
  if (fg && fg->alive && fg->kind == WindowKind::Foreign &&
      Attached(desktop::kProgramThread, fg->app->threadId)) {
    ForeignRec* app = fg->app;
    return Live(app->focus) ? app->focus : app->window;
  }
  return Live(s.focus);
}

Window SetFocus(Window window) {
  auto& s = S();
  Window previous = GetFocus();
  OsWindow* fg = s.foreground;
  ForeignRec* shared = (fg && fg->alive && fg->kind == WindowKind::Foreign &&
                        Attached(desktop::kProgramThread, fg->app->threadId))
                           ? fg->app
                           : nullptr;
  if (!window) {
    if (OsWindow* old = Live(s.focus)) Deliver(old, WM_KILLFOCUS, 0, 0);
    s.focus = nullptr;
    return previous;
  }
  OsWindow* w = Live(window);
  if (!w || w->kind == WindowKind::Desktop) return nullptr;
  if (w->kind == WindowKind::Foreign) {
    ForeignRec* app = w->app;
    if (!Attached(desktop::kProgramThread, app->threadId)) return nullptr;
    app->focus = w;
    return previous;
  }
  OsWindow* old = Live(s.focus);
  if (old && old != w) Deliver(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(w), 0);
  s.focus = w;
  if (shared) shared->focus = w;
  if (old != w) Deliver(w, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  return previous;
}

BOOL ReleaseCapture() { return TRUE; }

}  // namespace os

// ================================================================ desktop:: input and apps
namespace desktop {

using namespace headless;

void KeyDown(int vk) { KeyEvent(vk, true); }
void KeyUp(int vk) { KeyEvent(vk, false); }

void PressKey(int vk, uint64_t atMs, uint64_t holdMs) {
  At(atMs, [vk] { KeyEvent(vk, true); });
  At(atMs + holdMs, [vk] { KeyEvent(vk, false); });
}

void MoveCursor(int x, int y) { os::SetCursorPos(x, y); }

void Click(int x, int y) {
  MoveCursor(x, y);
  MouseButtonEvent(os::WM_LBUTTONDOWN, true);
  MouseButtonEvent(os::WM_LBUTTONDOWN, false);
}

void MouseDown(int vk) {
  MouseButtonEvent(vk == os::VK_RBUTTON   ? os::WM_RBUTTONDOWN
                   : vk == os::VK_MBUTTON ? os::WM_MBUTTONDOWN
                                          : os::WM_LBUTTONDOWN,
                   true);
}

void MouseUp(int vk) {
  MouseButtonEvent(vk == os::VK_RBUTTON   ? os::WM_RBUTTONDOWN
                   : vk == os::VK_MBUTTON ? os::WM_MBUTTONDOWN
                                          : os::WM_LBUTTONDOWN,
                   false);
}

void ClickButton(os::Window button) {
  OsWindow* b = Live(button);
  if (!b || (b->style & os::WS_DISABLED) || !(b->style & os::WS_CHILD)) return;
  os::WPARAM wParam = static_cast<os::WPARAM>(b->id & 0xFFFF);  // BN_CLICKED = 0 in the high word
  Deliver(b->parent, os::WM_COMMAND, wParam, reinterpret_cast<os::LPARAM>(b));
}

ForeignApp StartForeignApp(const std::string& className, const std::string& title,
                           ForeignOptions options) {
  auto& s = S();
  auto rec = std::make_unique<ForeignRec>();
  ForeignRec* app = rec.get();
  s.apps.push_back(std::move(rec));
  app->index = static_cast<int>(s.apps.size());
  app->processId = 0x2000 + 16 * static_cast<os::DWORD>(app->index);
  app->threadId = app->processId + 1;
  app->options = options;
  app->window = NewWindow(WindowKind::Foreign, className, title,
                          os::WS_CAPTION | os::WS_SYSMENU | os::WS_THICKFRAME | os::WS_VISIBLE, 0,
                          options.rect, s.desktop);
  app->window->app = app;
  os::Rect c = ClientScreenRectOf(app->window);
  app->edit =
      NewWindow(WindowKind::Foreign, "Edit", "", os::WS_CHILD | os::WS_VISIBLE | os::WS_BORDER, 0,
                os::Rect{0, 0, c.right - c.left, c.bottom - c.top}, app->window);
  app->edit->app = app;
  app->focus = app->edit;
  ActivateTopLevel(app->window);
  return ForeignApp{app->window, app->edit};
}

std::string EditText(const ForeignApp& app) {
  ForeignRec* a = FindApp(app);
  return a ? a->text : std::string();
}

std::vector<Received> ReceivedBy(const ForeignApp& app) {
  ForeignRec* a = FindApp(app);
  return a ? a->received : std::vector<Received>();
}

bool IsAlive(const ForeignApp& app) {
  ForeignRec* a = FindApp(app);
  return a && a->alive;
}

std::vector<std::pair<os::DWORD, os::DWORD>> ThreadAttachments() { return S().attachments; }

std::vector<InjectedEvent> InjectedEvents() { return S().injected; }
void ClearInjectedEvents() { S().injected.clear(); }

}  // namespace desktop
