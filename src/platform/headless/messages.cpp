// The message queue, SendMessage, DefWindowProc, timers, the virtual clock and the
// program's small system calls (message boxes, beeps, WinExec).
#include <algorithm>

#include "platform/headless/internal.h"

namespace headless {

namespace {

bool IsDescendantOrSelf(const OsWindow* w, const OsWindow* ancestor) {
  for (; w; w = w->parent)
    if (w == ancestor) return true;
  return false;
}

bool InRange(UINT msg, UINT fmin, UINT fmax) {
  if (fmin == 0 && fmax == 0) return true;
  return msg >= fmin && msg <= fmax;
}

// hwnd filter of PeekMessage: null takes everything, -1 only thread messages, a window
// takes its own messages and its children's.
bool WindowMatches(Window filter, OsWindow* target) {
  if (!filter) return true;
  if (filter == reinterpret_cast<Window>(-1)) return target == nullptr;
  return target && IsDescendantOrSelf(target, filter);
}

LPARAM MakeLParam(LONG lo, LONG hi) {
  return static_cast<LPARAM>(static_cast<uint32_t>((lo & 0xFFFF) | ((hi & 0xFFFF) << 16)));
}

OsWindow* FirstPaint(OsWindow* w, Window filter) {
  for (OsWindow* c : w->children) {
    if (!(c->style & WS_VISIBLE)) continue;
    if (c->kind == WindowKind::Program && c->hasUpdate && WindowMatches(filter, c)) return c;
    if (OsWindow* d = FirstPaint(c, filter)) return d;
  }
  return nullptr;
}

// Takes the mouse message from the queue as Windows does at that moment: the hit test
// decides between client and frame messages, and a button press first asks the window
// whether the click activates its top-level window.
bool TakeMouse(Queued q, bool remove, Msg* out, bool* eaten) {
  auto& s = S();
  *eaten = false;
  OsWindow* w = Live(q.msg.hwnd);
  if (!w) {
    *eaten = true;
    return false;
  }
  LRESULT hit = Deliver(w, WM_NCHITTEST, 0, MakeLParam(q.msg.pt.x, q.msg.pt.y));
  if (!Live(w)) {
    *eaten = true;
    return false;
  }
  Msg m = q.msg;
  UINT clientMessage = q.msg.message;
  if (hit == HTCLIENT) {
    Rect c = ClientScreenRectOf(w);
    m.lParam = MakeLParam(q.msg.pt.x - c.left, q.msg.pt.y - c.top);
  } else {
    m.message = clientMessage - WM_MOUSEMOVE + 0x00A0;  // WM_NCMOUSEMOVE ...
    m.wParam = static_cast<WPARAM>(hit);
    m.lParam = MakeLParam(q.msg.pt.x, q.msg.pt.y);
  }
  bool press = clientMessage == WM_LBUTTONDOWN || clientMessage == WM_RBUTTONDOWN ||
               clientMessage == WM_MBUTTONDOWN;
  if (remove && press && w != s.active) {
    OsWindow* top = TopLevelOf(w);
    LRESULT r = Deliver(w, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(top),
                        MakeLParam(static_cast<LONG>(hit), static_cast<LONG>(clientMessage)));
    // Answers as Wine reads them: 0 and MA_ACTIVATE activate; other values do not.
    switch (r) {
      case 0:
      case MA_ACTIVATE:
        if (Live(top)) ActivateTopLevel(top);
        break;
      case 2:  // MA_ACTIVATEANDEAT
        if (Live(top)) ActivateTopLevel(top);
        *eaten = true;
        break;
      case 4:  // MA_NOACTIVATEANDEAT
        *eaten = true;
        break;
      default:
        break;
    }
    if (*eaten || !Live(w)) {
      *eaten = true;
      return false;
    }
  }
  *out = m;
  return true;
}

}  // namespace

LRESULT Deliver(OsWindow* w, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!w || !w->alive) return 0;
  switch (w->kind) {
    case WindowKind::Foreign:
      return ForeignReceive(w->app, w, msg, wParam, lParam);
    case WindowKind::Desktop:
      return 0;
    case WindowKind::Program:
      break;
  }
  if (w->proc) return w->proc(w, msg, wParam, lParam);
  return BuiltinProc(w, msg, wParam, lParam);
}

void PurgeWindow(OsWindow* w) {
  auto& s = S();
  s.timers.erase(std::remove_if(s.timers.begin(), s.timers.end(),
                                [w](const Timer& t) { return t.window == w; }),
                 s.timers.end());
  s.queue.erase(std::remove_if(s.queue.begin(), s.queue.end(),
                               [w](const Queued& q) { return q.msg.hwnd == w; }),
                s.queue.end());
}

void RunDueActions(uint64_t until) {
  auto& s = S();
  for (;;) {
    auto next = s.actions.end();
    for (auto it = s.actions.begin(); it != s.actions.end(); ++it) {
      if (it->at > until) continue;
      if (next == s.actions.end() || it->at < next->at ||
          (it->at == next->at && it->serial < next->serial))
        next = it;
    }
    if (next == s.actions.end()) break;
    Action a = std::move(*next);
    s.actions.erase(next);
    if (a.at > s.now) s.now = a.at;
    a.run();
  }
  if (until > s.now) s.now = until;
}

}  // namespace headless

namespace os {

using namespace headless;

LRESULT SendMessage(Window window, UINT msg, WPARAM wParam, LPARAM lParam) {
  OsWindow* w = Live(window);
  if (!w) return 0;
  return Deliver(w, msg, wParam, lParam);
}

BOOL PostMessage(Window window, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto& s = S();
  OsWindow* w = nullptr;
  if (window) {
    w = Live(window);
    if (!w) return FALSE;
  }
  if (w && w->kind == WindowKind::Foreign) {
    // The application's own loop takes it at once; its TranslateMessage types the key.
    ForeignReceive(w->app, w, msg, wParam, lParam);
    if (msg == WM_KEYDOWN && Live(w)) {
      int ch = CharForKey(static_cast<int>(wParam));
      if (ch) ForeignReceive(w->app, w, WM_CHAR, static_cast<WPARAM>(ch), lParam);
    }
    return TRUE;
  }
  if (w && w->kind == WindowKind::Desktop) return TRUE;
  Queued q;
  q.kind = Queued::Posted;
  q.msg = Msg{w, msg, wParam, lParam, static_cast<DWORD>(s.now), s.cursor};
  s.queue.push_back(q);
  return TRUE;
}

BOOL PeekMessage(Msg* out, Window filter, UINT fmin, UINT fmax, UINT flags) {
  auto& s = S();
  if (!out) return FALSE;
  if (filter && filter != reinterpret_cast<Window>(-1) && !Live(filter)) return FALSE;
  bool remove = (flags & PM_REMOVE) != 0;
  // 1. posted messages and input, in the order they came
  for (size_t i = 0; i < s.queue.size();) {
    Queued q = s.queue[i];
    OsWindow* target = q.msg.hwnd;
    bool match = WindowMatches(filter, target);
    if (match && q.kind == Queued::Mouse) {
      UINT nc = q.msg.message - WM_MOUSEMOVE + 0x00A0;
      match = InRange(q.msg.message, fmin, fmax) || InRange(nc, fmin, fmax);
    } else if (match) {
      match = InRange(q.msg.message, fmin, fmax);
    }
    if (!match) {
      ++i;
      continue;
    }
    if (q.kind != Queued::Mouse) {
      *out = q.msg;
      if (remove) s.queue.erase(s.queue.begin() + static_cast<long>(i));
      return TRUE;
    }
    if (remove) s.queue.erase(s.queue.begin() + static_cast<long>(i));
    bool eaten = false;
    Msg m{};
    if (TakeMouse(q, remove, &m, &eaten)) {
      *out = m;
      return TRUE;
    }
    if (!remove) {
      if (eaten)
        s.queue.erase(s.queue.begin() + static_cast<long>(i));
      else
        ++i;
    }
    // A removed entry is gone; i already points at the next one.
  }
  // 2. the quit flag, once nothing is posted
  if (s.quitPosted && InRange(WM_QUIT, fmin, fmax)) {
    *out = Msg{nullptr, WM_QUIT, static_cast<WPARAM>(s.quitCode), 0, static_cast<DWORD>(s.now),
               s.cursor};
    if (remove) s.quitPosted = false;
    return TRUE;
  }
  // 3. paints of windows with an update region
  if (!s.dirty.empty() && InRange(WM_PAINT, fmin, fmax)) {
    if (OsWindow* w = FirstPaint(s.desktop, filter)) {
      *out = Msg{w, WM_PAINT, 0, 0, static_cast<DWORD>(s.now), s.cursor};
      return TRUE;
    }
  }
  // 4. timers that are due, earliest first
  if (InRange(WM_TIMER, fmin, fmax)) {
    Timer* due = nullptr;
    for (Timer& t : s.timers) {
      if (t.due > s.now || !WindowMatches(filter, t.window)) continue;
      if (!due || t.due < due->due || (t.due == due->due && t.serial < due->serial)) due = &t;
    }
    if (due) {
      *out = Msg{due->window, WM_TIMER, due->id, 0, static_cast<DWORD>(s.now), s.cursor};
      if (remove) {
        // Missed periods collapse into one message; the phase is kept.
        while (due->due <= s.now) due->due += due->interval;
      }
      return TRUE;
    }
  }
  return FALSE;
}

BOOL TranslateMessage(const Msg* msg) {
  auto& s = S();
  if (!msg) return FALSE;
  if (msg->message == WM_KEYDOWN) {
    bool ctrl = s.keys[VK_CONTROL].down, alt = s.keys[VK_MENU].down;
    int ch = (ctrl || alt) ? 0 : CharForKey(static_cast<int>(msg->wParam));
    if (ch) {
      Queued q;
      q.msg = Msg{msg->hwnd, WM_CHAR, static_cast<WPARAM>(ch), msg->lParam, msg->time, msg->pt};
      s.queue.push_front(q);  // the character comes next, before anything queued later
    }
    return TRUE;
  }
  return msg->message == WM_KEYUP || msg->message == WM_SYSKEYDOWN || msg->message == WM_SYSKEYUP;
}

LRESULT DispatchMessage(const Msg* msg) {
  if (!msg || !msg->hwnd) return 0;
  OsWindow* w = Live(msg->hwnd);
  if (!w) return 0;
  return Deliver(w, msg->message, msg->wParam, msg->lParam);
}

LRESULT DefWindowProc(Window window, UINT msg, WPARAM wParam, LPARAM lParam) {
  OsWindow* w = Live(window);
  if (!w) return 0;
  w->defCalls.push_back(Msg{w, msg, wParam, lParam, static_cast<DWORD>(S().now), S().cursor});
  switch (msg) {
    case WM_NCCREATE:
      return TRUE;
    case WM_SETTEXT:
      w->title = lParam ? reinterpret_cast<const char*>(lParam) : "";
      return TRUE;
    case WM_MOUSEACTIVATE:
      return MA_ACTIVATE;
    case WM_NCHITTEST: {
      Point p{static_cast<int16_t>(lParam & 0xFFFF), static_cast<int16_t>((lParam >> 16) & 0xFFFF)};
      return HitCode(w, p);
    }
    case WM_PAINT: {
      PaintStruct ps{};
      BeginPaint(w, &ps);
      EndPaint(w, &ps);
      return 0;
    }
    case WM_ERASEBKGND: {
      if (!w->background || !wParam) return 0;
      Rect r{};
      GetClientRect(w, &r);
      FillRect(reinterpret_cast<Dc>(wParam), &r, w->background);
      return 1;
    }
    case WM_CLOSE:
      DestroyWindow(w);
      return 0;
    default:
      return 0;
  }
}

void PostQuitMessage(int exitCode) {
  auto& s = S();
  s.quitPosted = true;
  s.quitCode = exitCode;
}

UINT_PTR SetTimer(Window window, UINT_PTR id, UINT elapseMs) {
  auto& s = S();
  OsWindow* w = nullptr;
  if (window) {
    w = Live(window);
    if (!w || w->kind != WindowKind::Program) return 0;
  }
  // Windows raises intervals below USER_TIMER_MINIMUM to 10 ms.
  UINT interval = std::max<UINT>(elapseMs, 10);
  for (Timer& t : s.timers) {
    if (t.window == w && t.id == id && (w || id != 0)) {
      t.interval = interval;
      t.due = s.now + interval;
      return id;
    }
  }
  Timer t;
  t.window = w;
  // A thread timer always gets a new id, as on Windows.
  t.id = w ? id : ++s.nextThreadTimer;
  t.interval = interval;
  t.due = s.now + interval;
  t.serial = ++s.serial;
  s.timers.push_back(t);
  return w ? (id ? id : 1) : t.id;
}

BOOL KillTimer(Window window, UINT_PTR id) {
  auto& s = S();
  OsWindow* w = window ? Live(window) : nullptr;
  if (window && !w) return FALSE;
  for (auto it = s.timers.begin(); it != s.timers.end(); ++it) {
    if (it->window == w && it->id == id) {
      s.timers.erase(it);
      // A WM_TIMER not yet taken goes with it: timers are generated, never queued here.
      return TRUE;
    }
  }
  return FALSE;
}

int MessageBox(Window owner, const char* text, const char* caption, UINT type) {
  auto& s = S();
  s.boxes.push_back(
      desktop::MessageBoxRecord{s.now, owner, text ? text : "", caption ? caption : "", type});
  return s.boxAnswer;
}

BOOL MessageBeep(UINT) {
  auto& s = S();
  s.beeps.push_back(s.now);
  return TRUE;
}

UINT WinExec(const char* commandLine, UINT) {
  if (!commandLine) return 0;
  S().started.push_back(commandLine);
  return 33;
}

void Sleep(DWORD ms) { RunDueActions(S().now + ms); }

namespace {

DWORD WaitingKinds() {
  auto& s = S();
  DWORD kinds = 0;
  for (const Queued& q : s.queue) {
    kinds |= q.kind == Queued::Mouse ? QS_MOUSEBUTTON
             : q.kind == Queued::Key ? QS_KEY
                                     : QS_POSTMESSAGE;
  }
  if (s.quitPosted) kinds |= QS_POSTMESSAGE;
  if (!s.dirty.empty() && FirstPaint(s.desktop, nullptr)) kinds |= QS_PAINT;
  for (const Timer& t : s.timers) {
    if (t.due <= s.now) kinds |= QS_TIMER;
  }
  return kinds;
}

bool MessageWaiting() { return WaitingKinds() != 0; }

}  // namespace

// The clock runs on to the next scripted action or due timer, one moment at a time,
// until a message waits, raw input came, or the time is up.
DWORD MsgWaitForMultipleObjectsEx(DWORD, const void*, DWORD ms, DWORD, DWORD) {
  auto& s = S();
  const uint64_t until = ms == INFINITE ? UINT64_MAX : s.now + ms;
  const uint64_t inputs = s.rawInputs;
  for (;;) {
    if (MessageWaiting() || s.rawInputs != inputs) return WAIT_OBJECT_0;
    uint64_t next = until;
    for (const Action& a : s.actions) next = std::min(next, std::max(a.at, s.now));
    for (const Timer& t : s.timers) next = std::min(next, t.due);
    if (next == UINT64_MAX) return WAIT_TIMEOUT;  // nothing can ever come
    RunDueActions(next);
    if (next >= until) {
      return MessageWaiting() || s.rawInputs != inputs ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
    }
  }
}

// Every kind waiting counts as new: the model keeps no record of what was looked at.
DWORD GetQueueStatus(UINT flags) {
  const DWORD kinds = WaitingKinds() & flags;
  return kinds << 16 | kinds;
}

BOOL RegisterRawInputDevices(const RawInputDevice* devices, UINT count) {
  auto& s = S();
  for (UINT i = 0; i < count; ++i) {
    if (devices[i].usUsagePage != HID_USAGE_PAGE_GENERIC) return FALSE;
    if (devices[i].usUsage == HID_USAGE_GENERIC_KEYBOARD) s.rawKeyboard = true;
    if (devices[i].usUsage == HID_USAGE_GENERIC_MOUSE) s.rawMouse = true;
  }
  return TRUE;
}

DWORD GetTickCount() { return static_cast<DWORD>(S().now); }

}  // namespace os
