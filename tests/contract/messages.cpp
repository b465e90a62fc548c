// Messages: SendMessage, the posted queue and its order, WM_QUIT, paints and timers,
// each class's own procedure and what DefWindowProc answers.
#include <string>
#include <utility>
#include <vector>

#include "contract/probe.h"

using contract::Drain;
using contract::kNotMine;
using contract::Probe;

namespace {

constexpr os::UINT kA = os::WM_USER + 1, kB = os::WM_USER + 2, kC = os::WM_USER + 3;

CONTRACT_TEST(Messages, SendMessageIsReentrantAndReturnsTheInnerResult) {
  Probe p;
  os::Window w = p.Top({0, 0, 100, 100});
  std::vector<std::string> order;
  p.hook = [&](os::Window x, os::UINT msg, os::WPARAM, os::LPARAM) -> os::LRESULT {
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
    return kNotMine;
  };
  EXPECT_EQ(os::SendMessage(w, kA, 0, 0), 42);
  EXPECT_EQ(order, (std::vector<std::string>{"enter A", "B", "leave A"}));
}

CONTRACT_TEST(Messages, PostedMessagesComeInOrderAndQuitOnlyAfterThem) {
  Probe p;
  os::Window w = p.Top({0, 0, 100, 100});
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

// What the main loop's rest relies on: the queue status shows what waits, and a wait
// ends for a message, a timer falling due, or the time given.
CONTRACT_TEST(Messages, QueueStatusAndAWaitForMessages) {
  Probe p;
  os::Window w = p.Top({0, 0, 100, 100});
  Drain();
  const auto waiting = [] { return os::GetQueueStatus(os::QS_ALLINPUT) >> 16; };
  const auto wait = [](os::DWORD ms) {
    return os::MsgWaitForMultipleObjectsEx(0, nullptr, ms, os::QS_ALLINPUT,
                                           os::MWMO_INPUTAVAILABLE);
  };
  EXPECT_EQ(waiting(), 0u);
  EXPECT_EQ(wait(20), os::WAIT_TIMEOUT);
  os::PostMessage(w, kA, 0, 0);
  EXPECT_NE(waiting() & os::QS_POSTMESSAGE, 0u);
  EXPECT_EQ(wait(2000), os::WAIT_OBJECT_0);
  EXPECT_EQ(Drain(), (std::vector<os::UINT>{kA}));
  EXPECT_EQ(waiting(), 0u);
  os::SetTimer(w, 1, 30);
  EXPECT_EQ(wait(2000), os::WAIT_OBJECT_0);
  EXPECT_NE(waiting() & os::QS_TIMER, 0u);
  EXPECT_EQ(Drain(), (std::vector<os::UINT>{os::WM_TIMER}));
  os::KillTimer(w, 1);
}

CONTRACT_TEST(Messages, PeekWithoutRemovingAndWithFilters) {
  Probe p;
  os::Window a = p.Top({0, 0, 50, 50});
  os::Window b = p.Top({60, 0, 110, 50});
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

CONTRACT_TEST(Messages, PaintComesAfterPostedAndBeforeTimersAndBeginPaintValidates) {
  Probe p;
  os::Window w = p.Top({0, 0, 100, 100});
  os::SetTimer(w, 5, 200);
  os::Sleep(250);
  os::PostMessage(w, kA, 0, 0);
  std::vector<os::UINT> got = Drain();
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got, (std::vector<os::UINT>{kA, os::WM_PAINT, os::WM_TIMER}));
  os::KillTimer(w, 5);  // a real clock would bring its next period
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

CONTRACT_TEST(Messages, AHiddenWindowIsNotPainted) {
  Probe p;
  os::Window w = p.Top({0, 0, 100, 100}, os::WS_POPUP);
  os::InvalidateRect(w, nullptr, os::TRUE);
  EXPECT_TRUE(Drain().empty());
  os::ShowWindow(w, os::SW_SHOWNA);
  EXPECT_EQ(Drain(), (std::vector<os::UINT>{os::WM_PAINT}));
}

// Real time on a real desktop: the sleeps leave room on either side of every due time.
CONTRACT_TEST(Messages, TimersPostWhenDueAndMissedPeriodsCollapse) {
  Probe p;
  os::Window w = p.Top({0, 0, 100, 100});
  Drain();
  ASSERT_EQ(os::SetTimer(w, 1, 200), 1u);
  os::Sleep(50);
  EXPECT_TRUE(Drain().empty());
  os::Sleep(200);  // 250
  EXPECT_EQ(Drain(), (std::vector<os::UINT>{os::WM_TIMER}));
  EXPECT_EQ(p.SeenBy(w, {os::WM_TIMER}).size(), 1u);  // through the procedure
  // Three periods pass without the queue being read: one message.
  os::Sleep(700);
  EXPECT_EQ(Drain(), (std::vector<os::UINT>{os::WM_TIMER}));
  EXPECT_TRUE(os::KillTimer(w, 1));
  EXPECT_FALSE(os::KillTimer(w, 1));
  os::Sleep(450);
  EXPECT_TRUE(Drain().empty());
}

CONTRACT_TEST(Messages, TimerMessagesCarryTheirIdAndDieWithTheWindow) {
  Probe p;
  os::Window w = p.Top({0, 0, 100, 100});
  Drain();
  os::SetTimer(w, 3, 100);
  os::SetTimer(w, 4, 20);
  os::Sleep(150);
  os::Msg m{};
  ASSERT_TRUE(os::PeekMessage(&m, nullptr, 0, 0, os::PM_REMOVE));
  EXPECT_EQ(m.wParam, 4u);  // due first
  ASSERT_TRUE(os::PeekMessage(&m, nullptr, 0, 0, os::PM_REMOVE));
  EXPECT_EQ(m.wParam, 3u);
  os::DestroyWindow(w);
  os::Sleep(200);
  EXPECT_FALSE(os::PeekMessage(&m, nullptr, 0, 0, os::PM_REMOVE));
}

// ---------------------------------------------------------------- procedures

// What each class's procedure saw; each class must get its own procedure.
struct ClassSeen {
  int creates = 0;
  int userMessages = 0;
  os::Window lastWindow = nullptr;
};
ClassSeen g_seenA, g_seenB;

os::LRESULT Record(ClassSeen& seen, os::Window w, os::UINT msg, os::WPARAM wParam,
                   os::LPARAM lParam, os::LRESULT answer) {
  seen.lastWindow = w;
  if (msg == os::WM_CREATE) ++seen.creates;
  if (msg == kA) {
    ++seen.userMessages;
    return answer + static_cast<os::LRESULT>(wParam) + lParam;
  }
  return os::DefWindowProc(w, msg, wParam, lParam);
}

os::LRESULT ProcA(os::Window w, os::UINT msg, os::WPARAM wParam, os::LPARAM lParam) {
  return Record(g_seenA, w, msg, wParam, lParam, 1000);
}

os::LRESULT ProcB(os::Window w, os::UINT msg, os::WPARAM wParam, os::LPARAM lParam) {
  return Record(g_seenB, w, msg, wParam, lParam, 2000);
}

os::WndClass MakeClass(const char* name, os::WndProc proc) {
  os::WndClass wc{};
  wc.lpfnWndProc = proc;
  wc.hCursor = os::IDC_ARROW;
  wc.hbrBackground = os::GetStockObject(os::WHITE_BRUSH);
  wc.lpszClassName = name;
  return wc;
}

os::Window MakeWindow(const char* cls) {
  return os::CreateWindowEx(0, cls, cls, os::WS_POPUP, 10, 20, 300, 200, nullptr, nullptr, nullptr);
}

CONTRACT_TEST(Messages, EachClassHasItsOwnProcedure) {
  g_seenA = g_seenB = ClassSeen{};
  ASSERT_NE(os::RegisterClass(MakeClass("CheckA", ProcA)), 0);
  ASSERT_NE(os::RegisterClass(MakeClass("CheckB", ProcB)), 0);
  os::Window a = MakeWindow("CheckA");
  os::Window b = MakeWindow("CheckB");
  ASSERT_TRUE(a != nullptr && b != nullptr);
  EXPECT_TRUE(g_seenA.creates == 1 && g_seenB.creates == 1);
  EXPECT_EQ(os::SendMessage(a, kA, 3, 4), 1007);
  EXPECT_EQ(os::SendMessage(b, kA, 3, 4), 2007);
  EXPECT_EQ(g_seenA.lastWindow, a);

  // Posted messages come back through PeekMessage and DispatchMessage.
  Drain();
  const int before = g_seenB.userMessages;
  EXPECT_NE(os::PostMessage(b, kA, 7, 8), 0);
  os::Msg msg{};
  bool got = false;
  while (os::PeekMessage(&msg, nullptr, 0, 0, os::PM_REMOVE)) {
    if (msg.message == kA && msg.hwnd == b && msg.wParam == 7 && msg.lParam == 8) got = true;
    os::DispatchMessage(&msg);
  }
  EXPECT_TRUE(got && g_seenB.userMessages == before + 1);

  EXPECT_TRUE(os::DestroyWindow(b) != 0 && !os::IsWindow(b));
  // A class registered again after UnregisterClass gets its new procedure.
  EXPECT_NE(os::UnregisterClass("CheckB", nullptr), 0);
  EXPECT_NE(os::RegisterClass(MakeClass("CheckB", ProcA)), 0);
  os::Window b2 = MakeWindow("CheckB");
  EXPECT_EQ(os::SendMessage(b2, kA, 0, 0), 1000);
  os::DestroyWindow(b2);
  os::DestroyWindow(a);
  os::UnregisterClass("CheckA", nullptr);
  os::UnregisterClass("CheckB", nullptr);
}

CONTRACT_TEST(Messages, DefWindowProcAnswersAsWindows) {
  Probe p;
  os::Window w = p.Top({0, 0, 100, 100});
  struct Case {
    os::UINT msg;
    os::LPARAM lParam;
    os::LRESULT expected;
  };
  const Case cases[] = {{os::WM_MOUSEACTIVATE, 0, os::MA_ACTIVATE},
                        {os::WM_NCHITTEST, 50 | (50 << 16), os::HTCLIENT},
                        {os::WM_TIMER, 0, 0},
                        {os::WM_USER + 9, 0, 0}};
  for (const Case& c : cases)
    EXPECT_EQ(os::DefWindowProc(w, c.msg, 0, c.lParam), c.expected) << c.msg;
  os::SendMessage(w, os::WM_CLOSE, 0, 0);
  EXPECT_FALSE(os::IsWindow(w));
}

}  // namespace
