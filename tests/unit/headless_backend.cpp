// The headless desktop against the Win32 behaviour the program relies on: messages,
// timers, the clock, key state, windows and hit testing, foreign applications.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/headless/desktop.h"
#include "platform/os.h"
#include "support/sjis.h"

using testing_support::Sjis;

namespace {

struct Seen {
  os::Window w;
  os::UINT msg;
  os::WPARAM wParam;
  os::LPARAM lParam;
};
std::vector<Seen> seen;
std::function<os::LRESULT(os::Window, os::UINT, os::WPARAM, os::LPARAM)> hook;

os::LRESULT RecordingProc(os::Window w, os::UINT msg, os::WPARAM wParam, os::LPARAM lParam) {
  seen.push_back(Seen{w, msg, wParam, lParam});
  if (hook) {
    os::LRESULT r = hook(w, msg, wParam, lParam);
    if (r != -16) return r;
  }
  return os::DefWindowProc(w, msg, wParam, lParam);
}

std::vector<os::UINT> SeenMessages(os::Window w, std::initializer_list<os::UINT> only) {
  std::vector<os::UINT> out;
  for (const Seen& s : seen) {
    if (s.w != w) continue;
    for (os::UINT m : only)
      if (s.msg == m) out.push_back(s.msg);
  }
  return out;
}

class HeadlessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    desktop::Reset();
    seen.clear();
    hook = nullptr;
    os::WndClass wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = "Probe";
    wc.hbrBackground = static_cast<os::Brush>(os::GetStockObject(os::WHITE_BRUSH));
    ASSERT_NE(os::RegisterClass(wc), 0);
  }
  void TearDown() override { hook = nullptr; }

  os::Window Top(os::Rect r, os::DWORD style = os::WS_POPUP | os::WS_VISIBLE, os::DWORD ex = 0) {
    return os::CreateWindowEx(ex, "Probe", "probe", style, r.left, r.top, r.right - r.left,
                              r.bottom - r.top, nullptr, nullptr, nullptr);
  }
  os::Window Child(os::Window parent, os::Rect r, int id = 0,
                   os::DWORD style = os::WS_CHILD | os::WS_VISIBLE) {
    return os::CreateWindowEx(0, "Probe", "", style, r.left, r.top, r.right - r.left,
                              r.bottom - r.top, parent, nullptr,
                              reinterpret_cast<void*>(static_cast<intptr_t>(id)));
  }
  // Takes every queued message and dispatches it; returns the message numbers in order.
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
};

constexpr os::UINT kA = os::WM_USER + 1, kB = os::WM_USER + 2, kC = os::WM_USER + 3;

// ---------------------------------------------------------------- messages

TEST_F(HeadlessTest, SendMessageIsReentrantAndReturnsTheInnerResult) {
  os::Window w = Top({0, 0, 100, 100});
  std::vector<std::string> order;
  hook = [&](os::Window x, os::UINT msg, os::WPARAM, os::LPARAM) -> os::LRESULT {
    if (msg == kA) {
      order.push_back("enter A");
      os::LRESULT inner = os::SendMessage(x, kB, 0, 0);
      order.push_back("leave A");
      return inner + 1;
    }
    if (msg == kB) {
      order.push_back("B");
      return 41;
    }
    return -16;
  };
  EXPECT_EQ(os::SendMessage(w, kA, 0, 0), 42);
  EXPECT_EQ(order, (std::vector<std::string>{"enter A", "B", "leave A"}));
}

TEST_F(HeadlessTest, PostedMessagesComeInOrderAndQuitOnlyAfterThem) {
  os::Window w = Top({0, 0, 100, 100});
  Drain();  // the creation paint
  os::PostMessage(w, kA, 1, 0);
  os::PostMessage(nullptr, kB, 2, 0);  // a thread message
  os::PostQuitMessage(7);
  os::PostMessage(w, kC, 3, 0);
  os::Msg m{};
  std::vector<std::pair<os::UINT, os::Window>> got;
  while (os::PeekMessage(&m, nullptr, 0, 0, os::PM_REMOVE)) {
    got.emplace_back(m.message, m.hwnd);
    if (m.message == os::WM_QUIT) {
      EXPECT_EQ(m.wParam, 7u);
      break;
    }
  }
  std::vector<std::pair<os::UINT, os::Window>> want{
      {kA, w}, {kB, nullptr}, {kC, w}, {os::WM_QUIT, nullptr}};
  EXPECT_EQ(got, want);
  EXPECT_FALSE(os::PeekMessage(&m, nullptr, 0, 0, os::PM_REMOVE));
}

TEST_F(HeadlessTest, PeekWithoutRemovingAndWithFilters) {
  os::Window a = Top({0, 0, 50, 50});
  os::Window b = Top({60, 0, 110, 50});
  Drain();
  os::PostMessage(a, kA, 0, 0);
  os::PostMessage(b, kB, 0, 0);
  os::Msg m{};
  ASSERT_TRUE(os::PeekMessage(&m, nullptr, 0, 0, os::PM_NOREMOVE));
  EXPECT_EQ(m.message, kA);
  ASSERT_TRUE(os::PeekMessage(&m, b, 0, 0, os::PM_REMOVE));  // by window
  EXPECT_EQ(m.message, kB);
  EXPECT_FALSE(os::PeekMessage(&m, nullptr, kB, kC, os::PM_REMOVE));  // by range
  ASSERT_TRUE(os::PeekMessage(&m, nullptr, 0, 0, os::PM_REMOVE));
  EXPECT_EQ(m.message, kA);
}

TEST_F(HeadlessTest, PaintComesAfterPostedAndBeforeTimersAndBeginPaintValidates) {
  os::Window w = Top({0, 0, 100, 100});
  os::SetTimer(w, 5, 10);
  os::Sleep(10);
  os::PostMessage(w, kA, 0, 0);
  std::vector<os::UINT> got = Drain();
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got, (std::vector<os::UINT>{kA, os::WM_PAINT, os::WM_TIMER}));
  // DefWindowProc validated; nothing more until the window is invalidated again.
  EXPECT_TRUE(Drain().empty());
  os::Rect r{10, 10, 20, 20};
  os::InvalidateRect(w, &r, os::FALSE);
  os::Rect update{};
  EXPECT_TRUE(os::GetUpdateRect(w, &update, os::FALSE));
  EXPECT_EQ(update.left, 10);
  EXPECT_EQ(update.bottom, 20);
  EXPECT_EQ(Drain(), (std::vector<os::UINT>{os::WM_PAINT}));
}

TEST_F(HeadlessTest, AHiddenWindowIsNotPainted) {
  os::Window w = Top({0, 0, 100, 100}, os::WS_POPUP);
  os::InvalidateRect(w, nullptr, os::TRUE);
  EXPECT_TRUE(Drain().empty());
  os::ShowWindow(w, os::SW_SHOWNA);
  EXPECT_EQ(Drain(), (std::vector<os::UINT>{os::WM_PAINT}));
}

TEST_F(HeadlessTest, TimersFollowTheVirtualClock) {
  os::Window w = Top({0, 0, 100, 100});
  Drain();
  ASSERT_EQ(os::SetTimer(w, 1, 100), 1u);
  os::Sleep(99);
  EXPECT_TRUE(Drain().empty());
  os::Sleep(1);
  EXPECT_EQ(Drain(), (std::vector<os::UINT>{os::WM_TIMER}));
  // Three periods pass without the queue being read: one message, phase kept.
  os::Sleep(350);
  EXPECT_EQ(Drain(), (std::vector<os::UINT>{os::WM_TIMER}));
  os::Sleep(49);  // 499
  EXPECT_TRUE(Drain().empty());
  os::Sleep(1);  // 500
  EXPECT_EQ(Drain(), (std::vector<os::UINT>{os::WM_TIMER}));
  // The same id replaces the timer: due 300 ms from now, not at 600.
  os::SetTimer(w, 1, 300);
  os::Sleep(299);
  EXPECT_TRUE(Drain().empty());
  os::Sleep(1);
  EXPECT_EQ(Drain(), (std::vector<os::UINT>{os::WM_TIMER}));
  EXPECT_TRUE(os::KillTimer(w, 1));
  EXPECT_FALSE(os::KillTimer(w, 1));
  os::Sleep(1000);
  EXPECT_TRUE(Drain().empty());
}

TEST_F(HeadlessTest, TimerMessagesCarryTheirIdAndDieWithTheWindow) {
  os::Window w = Top({0, 0, 100, 100});
  Drain();
  os::SetTimer(w, 3, 50);
  os::SetTimer(w, 4, 20);
  os::Sleep(50);
  os::Msg m{};
  ASSERT_TRUE(os::PeekMessage(&m, nullptr, 0, 0, os::PM_REMOVE));
  EXPECT_EQ(m.wParam, 4u);  // due first
  ASSERT_TRUE(os::PeekMessage(&m, nullptr, 0, 0, os::PM_REMOVE));
  EXPECT_EQ(m.wParam, 3u);
  os::DestroyWindow(w);
  os::Sleep(500);
  EXPECT_FALSE(os::PeekMessage(&m, nullptr, 0, 0, os::PM_REMOVE));
}

TEST_F(HeadlessTest, ScriptedActionsRunInsideSleepAtTheirTime) {
  std::vector<uint64_t> ranAt;
  desktop::At(30, [&] { ranAt.push_back(desktop::Now()); });
  desktop::At(10, [&] { ranAt.push_back(desktop::Now()); });
  desktop::At(10, [&] {
    ranAt.push_back(desktop::Now() + 1000);  // same time: in the order given
  });
  os::Sleep(9);
  EXPECT_TRUE(ranAt.empty());
  os::Sleep(25);
  EXPECT_EQ(ranAt, (std::vector<uint64_t>{10, 1010, 30}));
  EXPECT_EQ(desktop::Now(), 34u);
  EXPECT_EQ(os::GetTickCount(), 34u);
}

TEST_F(HeadlessTest, QuitAtEndsTheLoop) {
  desktop::QuitAt(500);
  os::Msg m{};
  int turns = 0;
  for (; turns < 10000; ++turns) {
    if (os::PeekMessage(&m, nullptr, 0, 0, os::PM_REMOVE) && m.message == os::WM_QUIT) break;
    os::Sleep(1);
  }
  EXPECT_EQ(turns, 500);
  EXPECT_EQ(m.wParam, 0u);
}

TEST_F(HeadlessTest, LocalTimeAdvancesWithTheClock) {
  desktop::SetLocalTime(os::SystemTime{2023, 12, 0, 31, 23, 59, 59, 500});
  struct Case {
    uint64_t sleep;
    os::WORD year, month, day, dayOfWeek, hour, minute, second, ms;
  };
  const Case cases[] = {
      {0, 2023, 12, 31, 0, 23, 59, 59, 500},    // a Sunday
      {499, 2023, 12, 31, 0, 23, 59, 59, 999},
      {1, 2024, 1, 1, 1, 0, 0, 0, 0},           // new year, Monday
      {30 * 86400000ull, 2024, 1, 31, 3, 0, 0, 0, 0},
      {30 * 86400000ull, 2024, 3, 1, 5, 0, 0, 0, 0},  // across 29 February
  };
  for (const Case& c : cases) {
    os::Sleep(static_cast<os::DWORD>(c.sleep));
    os::SystemTime t{};
    os::GetLocalTime(&t);
    EXPECT_EQ(t.wYear, c.year);
    EXPECT_EQ(t.wMonth, c.month);
    EXPECT_EQ(t.wDay, c.day);
    EXPECT_EQ(t.wDayOfWeek, c.dayOfWeek);
    EXPECT_EQ(t.wHour, c.hour);
    EXPECT_EQ(t.wMinute, c.minute);
    EXPECT_EQ(t.wSecond, c.second);
    EXPECT_EQ(t.wMilliseconds, c.ms);
  }
}

// ---------------------------------------------------------------- key state

TEST_F(HeadlessTest, AsyncKeyStateHasTheDownBitAndThePressedSinceLastQueryBit) {
  struct Step {
    const char* what;  // d = KeyDown, u = KeyUp, q = query
    int expected;      // for queries: the 16-bit result
  };
  const Step steps[] = {
      {"q", 0x0000}, {"d", 0}, {"q", 0x8001}, {"q", 0x8000}, {"u", 0},
      {"q", 0x0000}, {"d", 0}, {"u", 0},      {"q", 0x0001}, {"q", 0x0000},
  };
  int i = 0;
  for (const Step& s : steps) {
    if (s.what[0] == 'd') desktop::KeyDown(os::VK_NONCONVERT);
    if (s.what[0] == 'u') desktop::KeyUp(os::VK_NONCONVERT);
    if (s.what[0] == 'q') {
      EXPECT_EQ(static_cast<uint16_t>(os::GetAsyncKeyState(os::VK_NONCONVERT)), s.expected)
          << "step " << i;
    }
    ++i;
  }
}

TEST_F(HeadlessTest, KeyboardStateTogglesOnEachPress) {
  os::BYTE state[256];
  const int vk = os::VK_F12;
  struct Step {
    bool down;
    os::BYTE expected;
  };
  const Step steps[] = {{true, 0x81}, {true, 0x81} /* repeat: no flip */, {false, 0x01},
                        {true, 0x80}, {false, 0x00}};
  for (const Step& s : steps) {
    s.down ? desktop::KeyDown(vk) : desktop::KeyUp(vk);
    os::GetKeyboardState(state);
    EXPECT_EQ(state[vk], s.expected);
  }
  EXPECT_EQ(state[os::VK_RIGHT], 0);
}

TEST_F(HeadlessTest, PressKeyIsScriptedOnTheClock) {
  desktop::PressKey(os::VK_NONCONVERT, 100, 50);
  os::Sleep(100);
  EXPECT_EQ(static_cast<uint16_t>(os::GetAsyncKeyState(os::VK_NONCONVERT)), 0x8001);
  os::Sleep(49);
  EXPECT_TRUE(os::GetAsyncKeyState(os::VK_NONCONVERT) & 0x8000);
  os::Sleep(1);
  EXPECT_EQ(os::GetAsyncKeyState(os::VK_NONCONVERT), 0);
}

// ---------------------------------------------------------------- windows

TEST_F(HeadlessTest, ClientRectangleLosesTheFrame) {
  struct Case {
    os::DWORD style;
    int border;
  };
  const Case cases[] = {{os::WS_POPUP, 0},
                        {os::WS_POPUP | os::WS_BORDER, 1},
                        {os::WS_POPUP | os::WS_THICKFRAME, 4},
                        {os::WS_POPUP | os::WS_BORDER | os::WS_THICKFRAME, 5},
                        {os::WS_POPUP | os::WS_CAPTION, 1}};
  for (const Case& c : cases) {
    os::Window w = Top({100, 200, 400, 300}, c.style);
    os::Rect client{}, window{};
    os::GetClientRect(w, &client);
    os::GetWindowRect(w, &window);
    EXPECT_EQ(client.right, 300 - 2 * c.border) << c.style;
    EXPECT_EQ(client.bottom, 100 - 2 * c.border) << c.style;
    EXPECT_EQ(window.left, 100);
    os::Point p{100 + c.border + 3, 200 + c.border + 4};
    os::ScreenToClient(w, &p);
    EXPECT_EQ(p.x, 3);
    EXPECT_EQ(p.y, 4);
    os::ClientToScreen(w, &p);
    EXPECT_EQ(p.x, 100 + c.border + 3);
  }
}

TEST_F(HeadlessTest, CreationSendsCreateAndSizeAndMovingSendsSize) {
  os::Window w = Top({0, 0, 200, 100}, os::WS_POPUP | os::WS_BORDER);
  EXPECT_EQ(SeenMessages(w, {os::WM_NCCREATE, os::WM_CREATE, os::WM_SIZE}),
            (std::vector<os::UINT>{os::WM_NCCREATE, os::WM_CREATE, os::WM_SIZE}));
  EXPECT_EQ(seen[2].lParam, (198 | (98 << 16)));
  seen.clear();
  os::MoveWindow(w, 10, 10, 200, 100, os::TRUE);  // moved, same size
  EXPECT_TRUE(SeenMessages(w, {os::WM_SIZE}).empty());
  os::SetWindowPos(w, nullptr, 0, 0, 300, 50, os::SWP_NOMOVE | os::SWP_NOZORDER);
  ASSERT_EQ(SeenMessages(w, {os::WM_SIZE}).size(), 1u);
  os::Rect r{};
  os::GetWindowRect(w, &r);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.right, 310);
}

TEST_F(HeadlessTest, CreateFailsWhenTheProcedureRefuses) {
  hook = [](os::Window, os::UINT msg, os::WPARAM, os::LPARAM) -> os::LRESULT {
    return msg == os::WM_CREATE ? -1 : -16;
  };
  EXPECT_EQ(Top({0, 0, 10, 10}), nullptr);
  EXPECT_EQ(desktop::TopLevelWindows().size(), 0u);
}

TEST_F(HeadlessTest, ClassesAreUniqueByName) {
  os::WndClass wc{};
  wc.lpfnWndProc = RecordingProc;
  wc.lpszClassName = "probe";  // class names ignore case
  EXPECT_EQ(os::RegisterClass(wc), 0);
  os::Window w = Top({0, 0, 10, 10});
  EXPECT_FALSE(os::UnregisterClass("Probe", nullptr));  // a window still uses it
  os::DestroyWindow(w);
  EXPECT_TRUE(os::UnregisterClass("Probe", nullptr));
  EXPECT_NE(os::RegisterClass(wc), 0);
}

TEST_F(HeadlessTest, DestroyWindowSendsDestroyToTheWindowThenItsChildren) {
  os::Window w = Top({0, 0, 100, 100});
  os::Window a = Child(w, {0, 0, 10, 10}, 1);
  os::Window b = Child(a, {0, 0, 5, 5}, 2);
  seen.clear();
  EXPECT_TRUE(os::DestroyWindow(w));
  std::vector<os::Window> destroyOrder, ncOrder;
  for (const Seen& s : seen) {
    if (s.msg == os::WM_DESTROY) destroyOrder.push_back(s.w);
    if (s.msg == os::WM_NCDESTROY) ncOrder.push_back(s.w);
  }
  EXPECT_EQ(destroyOrder, (std::vector<os::Window>{w, a, b}));
  EXPECT_EQ(ncOrder, (std::vector<os::Window>{b, a, w}));
  EXPECT_FALSE(os::IsWindow(w));
  EXPECT_FALSE(os::IsWindow(b));
  EXPECT_EQ(desktop::DestroyedCount("Probe"), 3);
  EXPECT_FALSE(os::DestroyWindow(w));
}

TEST_F(HeadlessTest, ChildWindowFromPointSkipsNothing) {
  os::Window parent = Top({100, 100, 300, 300}, os::WS_POPUP | os::WS_VISIBLE | os::WS_BORDER);
  os::Window hidden = Child(parent, {0, 0, 50, 50}, 1, os::WS_CHILD);
  os::Window shown = Child(parent, {60, 0, 110, 50}, 2);
  struct Case {
    os::Point p;
    os::Window expected;
  };
  const Case cases[] = {
      {{10, 10}, hidden},   // hidden children count here, as on Windows
      {{70, 10}, shown},
      {{150, 150}, parent},  // inside the client area, on no child
      {{198, 10}, nullptr},  // outside the client area (198 wide)
      {{-1, 10}, nullptr},
  };
  for (const Case& c : cases) EXPECT_EQ(os::ChildWindowFromPoint(parent, c.p), c.expected) << c.p.x;
}

TEST_F(HeadlessTest, WindowFromPointTakesTheTopmostVisibleDeepestWindow) {
  os::Window back = Top({0, 0, 400, 400});
  os::Window hidden = Child(back, {0, 0, 100, 100}, 1, os::WS_CHILD);
  os::Window child = Child(back, {100, 0, 200, 100}, 2);
  os::Window grandchild = Child(child, {10, 10, 20, 20}, 3);
  os::Window topmost = Top({300, 300, 500, 500}, os::WS_POPUP | os::WS_VISIBLE, os::WS_EX_TOPMOST);
  os::Window front = Top({350, 350, 450, 450});  // newer, but not top-most
  struct Case {
    os::Point p;
    os::Window expected;
  };
  const Case cases[] = {
      {{50, 50}, back},  // the hidden child is skipped
      {{150, 50}, child},
      {{115, 15}, grandchild},
      {{360, 360}, topmost},
      {{460, 460}, topmost},
      {{600, 600}, nullptr},
  };
  for (const Case& c : cases) EXPECT_EQ(os::WindowFromPoint(c.p), c.expected) << c.p.x << "," << c.p.y;
  EXPECT_NE(hidden, nullptr);
  // Sending the top-most window to the bottom ends its top-most state.
  os::SetWindowPos(topmost, os::HWND_BOTTOM, 0, 0, 0, 0, os::SWP_NOMOVE | os::SWP_NOSIZE);
  EXPECT_EQ(os::WindowFromPoint(os::Point{360, 360}), front);
  EXPECT_EQ(desktop::Info(topmost).exStyle & os::WS_EX_TOPMOST, 0u);
  os::SetWindowPos(topmost, os::HWND_TOPMOST, 0, 0, 0, 0, os::SWP_NOMOVE | os::SWP_NOSIZE);
  EXPECT_EQ(desktop::TopLevelWindows().front(), topmost);
}

TEST_F(HeadlessTest, TopMostWindowsStayAboveNewWindows) {
  os::Window bar = Top({0, 0, 10, 10}, os::WS_POPUP | os::WS_VISIBLE, os::WS_EX_TOPMOST);
  os::Window later = Top({0, 0, 10, 10});
  desktop::ForeignApp app = desktop::StartForeignApp("Notepad", "memo");
  EXPECT_EQ(desktop::TopLevelWindows(), (std::vector<os::Window>{bar, app.window, later}));
  EXPECT_EQ(os::GetForegroundWindow(), app.window);
}

TEST_F(HeadlessTest, ChildIdsAndWindowSearch) {
  os::Window w = Top({0, 0, 100, 100});
  os::Window first = Child(w, {0, 0, 10, 10}, 11);
  os::Window second = Child(w, {0, 0, 10, 10}, 12);
  EXPECT_EQ(desktop::Info(second).id, 12);
  EXPECT_EQ(os::GetWindow(w, os::GW_CHILD), first);  // children keep creation order
  EXPECT_EQ(os::GetWindow(first, os::GW_HWNDNEXT), second);
  EXPECT_EQ(os::GetParent(second), w);
  EXPECT_EQ(os::FindWindow("PROBE", "probe"), w);
  EXPECT_EQ(os::FindWindow("Probe", "other"), nullptr);
  EXPECT_EQ(os::FindWindowEx(w, first, "Probe", nullptr), second);
  char buffer[4];
  EXPECT_EQ(os::GetClassName(w, buffer, sizeof buffer), 3);
  EXPECT_STREQ(buffer, "Pro");
}

TEST_F(HeadlessTest, SetWindowTextGoesThroughTheProcedure) {
  os::Window w = Top({0, 0, 10, 10});
  std::string title = Sjis("設定");
  EXPECT_TRUE(os::SetWindowText(w, title.c_str()));
  char buffer[16] = {};
  EXPECT_EQ(os::GetWindowText(w, buffer, sizeof buffer), 4);
  EXPECT_EQ(std::string(buffer), title);
  EXPECT_EQ(SeenMessages(w, {os::WM_SETTEXT}).size(), 1u);
}

TEST_F(HeadlessTest, DefWindowProcIsRecordedAndAnswersAsWindows) {
  os::Window w = Top({0, 0, 100, 100});
  struct Case {
    os::UINT msg;
    os::LPARAM lParam;
    os::LRESULT expected;
  };
  const Case cases[] = {{os::WM_MOUSEACTIVATE, 0, os::MA_ACTIVATE},
                        {os::WM_NCHITTEST, 50 | (50 << 16), os::HTCLIENT},
                        {os::WM_TIMER, 0, 0},
                        {os::WM_USER + 9, 0, 0}};
  for (const Case& c : cases) EXPECT_EQ(os::DefWindowProc(w, c.msg, 0, c.lParam), c.expected);
  std::vector<os::Msg> calls = desktop::DefWindowProcCalls(w);
  ASSERT_GE(calls.size(), 4u);
  EXPECT_EQ(calls[calls.size() - 2].message, os::WM_TIMER);
  EXPECT_EQ(calls.back().message, os::WM_USER + 9u);
  os::SendMessage(w, os::WM_CLOSE, 0, 0);
  EXPECT_FALSE(os::IsWindow(w));
}

// ---------------------------------------------------------------- mouse

TEST_F(HeadlessTest, ClickActivatesThroughMouseActivateThenButtons) {
  os::Window w = Top({100, 100, 300, 200}, os::WS_POPUP | os::WS_VISIBLE | os::WS_BORDER);
  os::Window key = Child(w, {10, 10, 60, 40}, 5);
  desktop::ForeignApp app = desktop::StartForeignApp("Notepad", "memo", {false, false, {400, 400, 600, 600}});
  desktop::PumpMessages();
  seen.clear();
  desktop::Click(100 + 1 + 20, 100 + 1 + 15);
  EXPECT_TRUE(seen.empty());  // input waits in the queue
  desktop::PumpMessages();
  std::vector<Seen> got;
  for (const Seen& s : seen)
    if (s.msg == os::WM_MOUSEACTIVATE || s.msg == os::WM_LBUTTONDOWN || s.msg == os::WM_LBUTTONUP)
      got.push_back(s);
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].w, key);
  EXPECT_EQ(got[0].msg, os::WM_MOUSEACTIVATE);
  EXPECT_EQ(got[0].wParam, reinterpret_cast<os::WPARAM>(w));
  EXPECT_EQ(got[0].lParam, os::HTCLIENT | (os::WM_LBUTTONDOWN << 16));
  EXPECT_EQ(got[1].msg, os::WM_LBUTTONDOWN);
  EXPECT_EQ(got[1].lParam, 10 | (5 << 16));  // client coordinates of the key
  EXPECT_EQ(got[2].msg, os::WM_LBUTTONUP);
  // DefWindowProc answered MA_ACTIVATE: the window took the foreground.
  EXPECT_EQ(os::GetForegroundWindow(), w);
  EXPECT_EQ(os::GetAsyncKeyState(os::VK_LBUTTON), 1);
  EXPECT_TRUE(desktop::IsAlive(app));
}

TEST_F(HeadlessTest, AClickAnsweredWithoutActivationLeavesTheForeground) {
  os::Window w = Top({0, 0, 200, 100});
  desktop::ForeignApp app = desktop::StartForeignApp("Notepad", "memo", {false, false, {400, 400, 600, 600}});
  hook = [](os::Window, os::UINT msg, os::WPARAM, os::LPARAM) -> os::LRESULT {
    return msg == os::WM_MOUSEACTIVATE ? -1 : -16;
  };
  desktop::PumpMessages();
  desktop::Click(50, 50);
  desktop::PumpMessages();
  EXPECT_EQ(os::GetForegroundWindow(), app.window);
  EXPECT_EQ(SeenMessages(w, {os::WM_LBUTTONDOWN}).size(), 1u);
}

TEST_F(HeadlessTest, ClickOnTheThickFrameIsANonClientPress) {
  os::Window w = Top({0, 100, 200, 200}, os::WS_POPUP | os::WS_VISIBLE | os::WS_THICKFRAME);
  desktop::StartForeignApp("Notepad", "memo", {false, false, {400, 400, 600, 600}});
  desktop::PumpMessages();
  seen.clear();
  desktop::Click(100, 101);  // top edge of the frame
  desktop::PumpMessages();
  auto nc = SeenMessages(w, {os::WM_NCLBUTTONDOWN, os::WM_LBUTTONDOWN, os::WM_MOUSEACTIVATE});
  ASSERT_EQ(nc.size(), 2u);
  for (const Seen& s : seen)
    if (s.msg == os::WM_MOUSEACTIVATE) {
      EXPECT_EQ(s.lParam & 0xFFFF, os::HTTOP);
    }
  EXPECT_EQ(nc[1], os::WM_NCLBUTTONDOWN);
}

TEST_F(HeadlessTest, ButtonsReportClicksToTheirParent) {
  os::Window w = Top({0, 0, 300, 300});
  os::Window button = os::CreateWindowEx(0, "BUTTON", "OK", os::WS_CHILD | os::WS_VISIBLE, 10, 10,
                                         80, 30, w, nullptr, reinterpret_cast<void*>(1003));
  ASSERT_NE(button, nullptr);
  desktop::PumpMessages();
  seen.clear();
  desktop::ClickButton(button);
  desktop::Click(20, 20);
  desktop::PumpMessages();
  std::vector<Seen> commands;
  for (const Seen& s : seen)
    if (s.msg == os::WM_COMMAND) commands.push_back(s);
  ASSERT_EQ(commands.size(), 2u);
  for (const Seen& c : commands) {
    EXPECT_EQ(c.wParam, 1003u);  // MAKEWPARAM(id, BN_CLICKED)
    EXPECT_EQ(c.lParam, reinterpret_cast<os::LPARAM>(button));
  }
  char text[8];
  os::GetWindowText(button, text, sizeof text);
  EXPECT_STREQ(text, "OK");
}

TEST_F(HeadlessTest, CursorMovesReachTheWindowUnderIt) {
  os::Window w = Top({100, 100, 300, 300});
  desktop::PumpMessages();
  seen.clear();
  desktop::MoveCursor(150, 160);
  desktop::MoveCursor(151, 162);  // coalesced with the first
  desktop::MoveCursor(10, 10);    // over nothing of the program
  desktop::PumpMessages();
  std::vector<Seen> moves;
  for (const Seen& s : seen)
    if (s.msg == os::WM_MOUSEMOVE) moves.push_back(s);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].w, w);
  EXPECT_EQ(moves[0].lParam, 51 | (62 << 16));
}

// ---------------------------------------------------------------- foreign applications

TEST_F(HeadlessTest, InjectedKeysTypeIntoTheForegroundApplication) {
  struct Case {
    std::vector<std::pair<int, bool>> keys;  // vk, down
    std::string text;
  };
  const int S = os::VK_SHIFT;
  const Case cases[] = {
      {{{S, true}, {'A', true}, {'A', false}, {S, false}}, "A"},
      {{{'A', true}, {'A', false}}, "a"},
      {{{'1', true}, {'1', false}, {S, true}, {'1', true}, {'1', false}, {S, false}}, "1!"},
      {{{os::VK_SPACE, true}, {os::VK_RETURN, true}, {os::VK_TAB, true}}, " \r\t"},
      {{{'B', true}, {'C', true}, {os::VK_BACK, true}}, "b"},
      {{{os::VK_CONTROL, true}, {'C', true}, {'C', false}, {os::VK_CONTROL, false}}, ""},
  };
  for (const Case& c : cases) {
    desktop::Reset();
    desktop::ForeignApp app = desktop::StartForeignApp("Notepad", "memo");
    for (auto [vk, down] : c.keys)
      os::keybd_event(static_cast<os::BYTE>(vk), 0, down ? 0 : os::KEYEVENTF_KEYUP, 0);
    EXPECT_EQ(desktop::EditText(app), c.text);
    EXPECT_EQ(desktop::InjectedEvents().size(), c.keys.size());
  }
}

TEST_F(HeadlessTest, ForeignApplicationRecordsKeyMessagesWithTheirTime) {
  desktop::ForeignApp app = desktop::StartForeignApp("Notepad", "memo");
  os::Sleep(25);
  os::keybd_event('A', 0, 0, 0);
  os::Sleep(5);
  os::keybd_event('A', 0, os::KEYEVENTF_KEYUP, 0);
  std::vector<desktop::Received> got = desktop::ReceivedBy(app);
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].message, os::WM_KEYDOWN);
  EXPECT_EQ(got[0].at, 25u);
  EXPECT_EQ(got[1].message, os::WM_CHAR);
  EXPECT_EQ(got[1].wParam, static_cast<os::WPARAM>('a'));
  EXPECT_EQ(got[2].message, os::WM_KEYUP);
  EXPECT_EQ(got[2].at, 30u);
  std::vector<desktop::InjectedEvent> injected = desktop::InjectedEvents();
  ASSERT_EQ(injected.size(), 2u);
  EXPECT_EQ(injected[1].at, 30u);
  EXPECT_EQ(injected[1].flags, os::KEYEVENTF_KEYUP);
}

TEST_F(HeadlessTest, ImeCharactersAppendOneOrTwoBytes) {
  desktop::ForeignApp app = desktop::StartForeignApp("Notepad", "memo");
  std::string a = Sjis("あ");
  ASSERT_EQ(a.size(), 2u);
  unsigned code = (static_cast<unsigned char>(a[0]) << 8) | static_cast<unsigned char>(a[1]);
  os::SendMessage(app.edit, os::WM_IME_NOTIFY, 2, 0);
  os::SendMessage(app.edit, os::WM_IME_CHAR, code, 1);
  os::SendMessage(app.edit, os::WM_IME_CHAR, 'a', 1);
  os::SendMessage(app.edit, os::WM_IME_NOTIFY, 1, 0);
  EXPECT_EQ(desktop::EditText(app), a + "a");
  // Back removes whole characters.
  os::keybd_event(os::VK_BACK, 0, 0, 0);
  EXPECT_EQ(desktop::EditText(app), a);
  os::keybd_event(os::VK_BACK, 0, 0, 0);
  EXPECT_EQ(desktop::EditText(app), "");
  std::vector<desktop::Received> got = desktop::ReceivedBy(app);
  ASSERT_GE(got.size(), 4u);
  EXPECT_EQ(got[0].message, os::WM_IME_NOTIFY);
  EXPECT_EQ(got[1].wParam, code);
}

TEST_F(HeadlessTest, ForeignApplicationsCloseOnDestroyOrQuitUnlessTheyIgnoreIt) {
  struct Case {
    os::UINT message;
    bool post;
    desktop::ForeignOptions options;
    bool closes;
  };
  const Case cases[] = {
      {os::WM_DESTROY, false, {}, true},
      {os::WM_DESTROY, false, {true, false, {100, 100, 300, 300}}, false},
      {os::WM_QUIT, true, {}, true},
      {os::WM_QUIT, true, {false, true, {100, 100, 300, 300}}, false},
      {os::WM_CLOSE, false, {true, true, {100, 100, 300, 300}}, true},
  };
  for (const Case& c : cases) {
    desktop::Reset();
    desktop::ForeignApp app = desktop::StartForeignApp("Editor", "doc", c.options);
    if (c.post)
      os::PostMessage(app.window, c.message, 0, 0);
    else
      os::SendMessage(app.window, c.message, 0, 0);
    EXPECT_EQ(desktop::IsAlive(app), !c.closes) << c.message;
    EXPECT_EQ(os::IsWindow(app.window) != 0, !c.closes);
    EXPECT_EQ(os::GetForegroundWindow() == app.window, !c.closes);
    ASSERT_FALSE(desktop::ReceivedBy(app).empty());
    EXPECT_EQ(desktop::ReceivedBy(app)[0].message, c.message);
  }
}

TEST_F(HeadlessTest, AttachedInputSharesTheForegroundFocus) {
  os::Window own = Top({0, 0, 100, 100});
  desktop::ForeignApp app = desktop::StartForeignApp("Notepad", "memo");
  os::SetFocus(own);
  EXPECT_EQ(os::GetFocus(), own);  // not attached: the program's own focus
  os::DWORD pid = 0;
  os::DWORD tid = os::GetWindowThreadProcessId(os::GetForegroundWindow(), &pid);
  EXPECT_NE(tid, os::GetCurrentThreadId());
  EXPECT_NE(pid, desktop::kProgramProcess);
  EXPECT_EQ(os::SetFocus(app.window), nullptr);  // another thread's window: refused
  ASSERT_TRUE(os::AttachThreadInput(os::GetCurrentThreadId(), tid, os::TRUE));
  EXPECT_EQ(os::GetFocus(), app.edit);
  os::SetFocus(app.window);
  EXPECT_EQ(os::GetFocus(), app.window);
  EXPECT_TRUE(os::AttachThreadInput(os::GetCurrentThreadId(), tid, os::FALSE));
  EXPECT_FALSE(os::AttachThreadInput(os::GetCurrentThreadId(), tid, os::FALSE));
  EXPECT_EQ(os::GetFocus(), own);
  EXPECT_TRUE(desktop::ThreadAttachments().empty());
}

TEST_F(HeadlessTest, RelativeMouseMovesAreSignedAndClampedToTheScreen) {
  os::SetCursorPos(100, 100);
  os::mouse_event(os::MOUSEEVENTF_MOVE, static_cast<os::DWORD>(-10), 5, 0, 0);
  os::Point p{};
  os::GetCursorPos(&p);
  EXPECT_EQ(p.x, 90);
  EXPECT_EQ(p.y, 105);
  os::mouse_event(os::MOUSEEVENTF_MOVE, static_cast<os::DWORD>(-500), 5000, 0, 0);
  os::GetCursorPos(&p);
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, 767);
  desktop::ForeignApp app = desktop::StartForeignApp("Notepad", "memo", {false, false, {0, 700, 200, 768}});
  os::mouse_event(os::MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
  os::mouse_event(os::MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
  std::vector<desktop::Received> got = desktop::ReceivedBy(app);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].message, os::WM_LBUTTONDOWN);
  EXPECT_EQ(got[1].message, os::WM_LBUTTONUP);
  EXPECT_EQ(desktop::InjectedEvents().size(), 4u);
}

// ---------------------------------------------------------------- boxes, beeps, programs

TEST_F(HeadlessTest, MessageBoxesAreRecordedAndAnswered) {
  os::Sleep(12);
  std::string text = Sjis("設定ファイルの読込に失敗しました");
  EXPECT_EQ(os::MessageBox(nullptr, text.c_str(), "Mivo Error", os::MB_OK), os::IDOK);
  desktop::SetMessageBoxAnswer(os::IDNO);
  EXPECT_EQ(os::MessageBox(nullptr, "q", "c", os::MB_YESNO), os::IDNO);
  std::vector<desktop::MessageBoxRecord> boxes = desktop::MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, text);
  EXPECT_EQ(boxes[0].caption, "Mivo Error");
  EXPECT_EQ(boxes[0].at, 12u);
  EXPECT_EQ(boxes[1].type, os::MB_YESNO);
  os::MessageBeep(0xFFFFFFFF);
  EXPECT_EQ(desktop::Beeps(), (std::vector<uint64_t>{12}));
  EXPECT_EQ(os::WinExec("mivoSweep.exe", os::SW_SHOWNORMAL), 33u);
  EXPECT_EQ(desktop::StartedPrograms(), (std::vector<std::string>{"mivoSweep.exe"}));
}

// ---------------------------------------------------------------- application bar

TEST_F(HeadlessTest, AppBarReservesItsEdgeOfTheScreen) {
  os::Window bar = Top({0, 500, 1024, 740});
  os::AppBarData abd{36, bar, os::WM_USER + 1, 0, {}, 0};
  ASSERT_EQ(os::SHAppBarMessage(os::ABM_NEW, &abd), 1u);
  EXPECT_EQ(os::SHAppBarMessage(os::ABM_NEW, &abd), 0u);  // already registered
  abd.uEdge = os::ABE_BOTTOM;
  abd.rc = os::Rect{-20, 528, 1100, 800};
  os::SHAppBarMessage(os::ABM_QUERYPOS, &abd);
  EXPECT_EQ(abd.rc.left, 0);
  EXPECT_EQ(abd.rc.right, 1024);
  EXPECT_EQ(abd.rc.bottom, 768);
  abd.rc.top = abd.rc.bottom - 240;
  os::SHAppBarMessage(os::ABM_SETPOS, &abd);
  os::Rect work = desktop::WorkArea();
  EXPECT_EQ(work.bottom, 528);
  EXPECT_EQ(work.right, 1024);
  EXPECT_EQ(os::SHAppBarMessage(os::ABM_GETSTATE, &abd), os::ABS_ALWAYSONTOP);
  desktop::SetAppBarState(os::ABS_AUTOHIDE);
  EXPECT_EQ(os::SHAppBarMessage(os::ABM_GETSTATE, &abd), os::ABS_AUTOHIDE);
  desktop::NotifyAppBar(os::ABN_POSCHANGED, 0);
  os::Msg m{};
  ASSERT_TRUE(os::PeekMessage(&m, bar, os::WM_USER + 1, os::WM_USER + 1, os::PM_REMOVE));
  EXPECT_EQ(m.wParam, os::ABN_POSCHANGED);
  os::SHAppBarMessage(os::ABM_REMOVE, &abd);
  EXPECT_EQ(desktop::WorkArea().bottom, 768);
  desktop::SetAppBarRefused(true);
  EXPECT_EQ(os::SHAppBarMessage(os::ABM_NEW, &abd), 0u);
  EXPECT_FALSE(desktop::AppBar().registered);
}

TEST_F(HeadlessTest, SystemMetricsComeFromTheConfig) {
  desktop::Config config;
  config.screenWidth = 1280;
  config.screenHeight = 1024;
  config.maximizedWidth = 1280;
  config.maximizedHeight = 990;
  desktop::Reset(config);
  EXPECT_EQ(os::GetSystemMetrics(os::SM_CXSCREEN), 1280);
  EXPECT_EQ(os::GetSystemMetrics(os::SM_CYSCREEN), 1024);
  EXPECT_EQ(os::GetSystemMetrics(os::SM_CYMAXIMIZED), 990);
  os::Rect r{};
  os::GetWindowRect(os::GetDesktopWindow(), &r);
  EXPECT_EQ(r.right, 1280);
}

}  // namespace
