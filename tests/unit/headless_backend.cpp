// What only the headless desktop has: the virtual clock, scripted input, the window
// tree it shows tests, mouse delivery, foreign applications and its recordings. What
// both backends do alike is in tests/contract.
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
    for (int guard = 0; guard < 1000 && os::PeekMessage(&m, nullptr, 0, 0, os::PM_REMOVE);
         ++guard) {
      got.push_back(m.message);
      if (m.message == os::WM_QUIT) break;
      os::DispatchMessage(&m);
    }
    return got;
  }
};

// ---------------------------------------------------------------- the virtual clock

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

// The wait ends at the moment something comes that the program could see, and only then.
TEST_F(HeadlessTest, AWaitForMessagesEndsWhenSomethingComes) {
  struct Case {
    const char* what;
    std::function<void()> script;  // run at 0 ms, before the wait
    bool raw;                      // raw keyboard and mouse input registered
    os::DWORD timeout;
    os::DWORD result;
    uint64_t endsAt;
  };
  const Case cases[] = {
      {"nothing comes", [] {}, true, 50, os::WAIT_TIMEOUT, 50},
      {"a timer falls due", [] { os::SetTimer(desktop::Find("Probe"), 1, 30); }, true, os::INFINITE,
       os::WAIT_OBJECT_0, 30},
      {"a message is posted",
       [] { desktop::At(20, [] { os::PostMessage(desktop::Find("Probe"), 1234, 0, 0); }); }, true,
       100, os::WAIT_OBJECT_0, 20},
      {"one is already queued", [] { os::PostMessage(desktop::Find("Probe"), 1234, 0, 0); }, true,
       100, os::WAIT_OBJECT_0, 0},
      {"a key changes in another application",
       [] {
         desktop::StartForeignApp("Editor", "editor");
         desktop::PressKey(0x1D, 15, 5);
       },
       true, 100, os::WAIT_OBJECT_0, 15},
      {"a key changes in another application, no raw input",
       [] {
         desktop::StartForeignApp("Editor", "editor");
         desktop::PressKey(0x1D, 15, 5);
       },
       false, 100, os::WAIT_TIMEOUT, 100},
      {"a button goes down outside the program's windows",
       [] {
         desktop::MoveCursor(900, 700);
         desktop::At(40, [] { desktop::MouseDown(os::VK_LBUTTON); });
       },
       true, 100, os::WAIT_OBJECT_0, 40},
      {"an unrelated scripted action", [] { desktop::At(10, [] {}); }, true, 25, os::WAIT_TIMEOUT,
       25},
  };
  for (const Case& c : cases) {
    SetUp();
    os::Window w = Top({0, 0, 100, 100});
    Drain();
    if (c.raw) {
      const os::RawInputDevice devices[] = {
          {os::HID_USAGE_PAGE_GENERIC, os::HID_USAGE_GENERIC_KEYBOARD, os::RIDEV_INPUTSINK, w},
          {os::HID_USAGE_PAGE_GENERIC, os::HID_USAGE_GENERIC_MOUSE, os::RIDEV_INPUTSINK, w}};
      ASSERT_TRUE(os::RegisterRawInputDevices(devices, 2));
    }
    c.script();
    EXPECT_EQ(os::MsgWaitForMultipleObjectsEx(0, nullptr, c.timeout, os::QS_ALLINPUT,
                                              os::MWMO_INPUTAVAILABLE),
              c.result)
        << c.what;
    EXPECT_EQ(desktop::Now(), c.endsAt) << c.what;
  }
}

TEST_F(HeadlessTest, LocalTimeAdvancesWithTheClock) {
  desktop::SetLocalTime(os::SystemTime{2023, 12, 0, 31, 23, 59, 59, 500});
  struct Case {
    uint64_t sleep;
    os::WORD year, month, day, dayOfWeek, hour, minute, second, ms;
  };
  const Case cases[] = {
      {0, 2023, 12, 31, 0, 23, 59, 59, 500},  // a Sunday
      {499, 2023, 12, 31, 0, 23, 59, 59, 999},
      {1, 2024, 1, 1, 1, 0, 0, 0, 0},  // new year, Monday
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

TEST_F(HeadlessTest, TopMostWindowsStayAboveNewWindows) {
  os::Window bar = Top({0, 0, 10, 10}, os::WS_POPUP | os::WS_VISIBLE, os::WS_EX_TOPMOST);
  os::Window later = Top({0, 0, 10, 10});
  desktop::ForeignApp app = desktop::StartForeignApp("Notepad", "memo");
  EXPECT_EQ(desktop::TopLevelWindows(), (std::vector<os::Window>{bar, app.window, later}));
  EXPECT_EQ(os::GetForegroundWindow(), app.window);
  // Sending a top-most window to the bottom ends its top-most state.
  os::SetWindowPos(bar, os::HWND_BOTTOM, 0, 0, 0, 0, os::SWP_NOMOVE | os::SWP_NOSIZE);
  EXPECT_EQ(desktop::Info(bar).exStyle & os::WS_EX_TOPMOST, 0u);
}

TEST_F(HeadlessTest, DefWindowProcCallsAreRecordedAndDestroyedWindowsCounted) {
  os::Window w = Top({0, 0, 100, 100});
  Child(Child(w, {0, 0, 10, 10}, 1), {0, 0, 5, 5}, 2);
  for (os::UINT msg : {os::WM_MOUSEACTIVATE, os::WM_NCHITTEST, os::WM_TIMER, os::WM_USER + 9})
    os::DefWindowProc(w, msg, 0, 0);
  std::vector<os::Msg> calls = desktop::DefWindowProcCalls(w);
  ASSERT_GE(calls.size(), 4u);
  EXPECT_EQ(calls[calls.size() - 2].message, os::WM_TIMER);
  EXPECT_EQ(calls.back().message, os::WM_USER + 9u);
  os::SendMessage(w, os::WM_CLOSE, 0, 0);
  EXPECT_EQ(desktop::DestroyedCount("Probe"), 3);
}

// ---------------------------------------------------------------- mouse

TEST_F(HeadlessTest, ClickActivatesThroughMouseActivateThenButtons) {
  os::Window w = Top({100, 100, 300, 200}, os::WS_POPUP | os::WS_VISIBLE | os::WS_BORDER);
  os::Window key = Child(w, {10, 10, 60, 40}, 5);
  desktop::ForeignApp app =
      desktop::StartForeignApp("Notepad", "memo", {false, false, {400, 400, 600, 600}});
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
  desktop::ForeignApp app =
      desktop::StartForeignApp("Notepad", "memo", {false, false, {400, 400, 600, 600}});
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

TEST_F(HeadlessTest, InjectedButtonsReachTheApplicationUnderThePointer) {
  desktop::ForeignApp app =
      desktop::StartForeignApp("Notepad", "memo", {false, false, {0, 700, 200, 768}});
  os::SetCursorPos(0, 767);
  os::mouse_event(os::MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
  os::mouse_event(os::MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
  std::vector<desktop::Received> got = desktop::ReceivedBy(app);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].message, os::WM_LBUTTONDOWN);
  EXPECT_EQ(got[1].message, os::WM_LBUTTONUP);
  EXPECT_EQ(desktop::InjectedEvents().size(), 2u);  // SetCursorPos is not injected
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
