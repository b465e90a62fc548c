// Scanning over pages and tabs, the lock, the keyboard commands that steer the scan,
// reloading, and the key windows' share of the pointer and the docking.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/bus.h"
#include "base/messages.h"
#include "base/settings.h"
#include "keyboard/key_tree.h"
#include "keyboard/scanning.h"
#include "platform/headless/desktop.h"
#include "scanning_scenario.h"
#include "shell/app.h"
#include "support/scenario.h"
#include "support/sjis.h"

using namespace scanning_scenario;
using testing_support::Sjis;

namespace {

using testing_support::CentreOf;
using testing_support::MovePointerToKeyAt;
using testing_support::RunMacroAt;

std::vector<int32_t> Ids(const std::vector<Change>& changes, size_t count) {
  std::vector<int32_t> out;
  for (size_t i = 0; i < changes.size() && i < count; ++i) out.push_back(changes[i].id);
  return out;
}

// A tabbed container with two pages of two keys each; the second page starts hidden.
const char* const kTabs =
    "key(1){type=1 cx=100000 cy=100000}\n"
    "key(2){type=7 parent=1 cx=100000 cy=90000 name=\"box\"}\n"
    "key(3){type=5 parent=2 name=\"P1\"}\n"
    "key(4){parent=3 x=0 cx=20000 cy=20000 name=\"a\"}\n"
    "key(5){parent=3 x=5000 cx=20000 cy=20000 name=\"b\"}\n"
    "key(6){type=5 parent=2 name=\"P2\" visible=0}\n"
    "key(7){parent=6 x=0 cx=20000 cy=20000 name=\"c\"}\n"
    "key(8){parent=6 x=5000 cx=20000 cy=20000 name=\"d\"}\n"
    "home(4) start(4)\n";

TEST(ScanningKeysScenario, PagesAreScannedThenTheirTabsAndASelectedTabShowsItsPage) {
  Prepare("TimerFlag = True\r\n", kTabs);
  auto focus = RecordFocus(0, 20'000);
  auto user = SelectWhenLit({6}, 100, 20'000);
  desktop::QuitAt(9'000);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  ASSERT_EQ(user->releases.size(), 1u);
  // The keys of the shown page, the tabs (the hidden one too), back into the page; the
  // selected tab shows its page and the scan goes on there.
  EXPECT_EQ(Ids(*focus, 9), (std::vector<int32_t>{4, 5, 3, 6, 7, 8, 3, 6, 7}));
}

TEST(ScanningKeysScenario, SelectingATabShowsItsPageAndHidesTheOther) {
  Prepare("TimerFlag = True\r\n", kTabs);
  auto user = SelectWhenLit({6}, 100, 20'000);
  bool p1Hidden = false, p2Shown = false;
  desktop::At(4'000, [&] {
    const mivo::KeyRecord* p1 = mivo::GetKey(mivo::FindKeyById(3));
    const mivo::KeyRecord* p2 = mivo::GetKey(mivo::FindKeyById(6));
    p1Hidden = (p1->flags & mivo::KF_HIDDEN) && p1->window == nullptr;
    p2Shown = !(p2->flags & mivo::KF_HIDDEN) && p2->window != nullptr;
  });
  desktop::QuitAt(4'500);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  ASSERT_EQ(user->releases.size(), 1u);
  EXPECT_TRUE(p1Hidden);
  EXPECT_TRUE(p2Shown);
}

// Key 11 starts a lock on Down; the rest of its macro waits for the lock to end.
const char* const kLockBoard =
    "key(1){type=1 cx=100000 cy=100000}\n"
    "key(10){type=1 parent=1 x=0 y=0 cx=100000 cy=40000 name=\"row\"}\n"
    "key(11){parent=10 x=0 cx=30000 cy=30000 name=\"down\" onselected=\"Lock(Down) Direct(A)\"}\n"
    "key(12){parent=10 x=5000 cx=30000 cy=30000 name=\"B\" onselected=\"Direct(B)\"}\n"
    "home(10) start(11)\n";

constexpr int kDown = 40;

std::vector<uint64_t> DownPresses() {
  std::vector<uint64_t> out;
  for (const Timed& t : KeyEvents()) {
    if (t.what == std::to_string(kDown) + "d") out.push_back(t.at);
  }
  return out;
}

enum class LockEnd { SecondLock, FocusMovedByCommand, FocusMovedByPointer, SwitchOnAnotherKey };

struct LockCase {
  LockEnd end;
  const char* settings;
  const char* typed;  // what the editor holds at the end
};

class LockScenario : public ::testing::TestWithParam<LockCase> {};

TEST_P(LockScenario, RepeatsEveryLockIntervalPlusOneTickUntilItEnds) {
  const LockCase c = GetParam();
  Prepare(std::string(c.settings) + "LoggingMode = True\r\n", kLockBoard);
  desktop::ForeignApp editor = desktop::StartForeignApp("Notepad", "Untitled");
  desktop::At(100, [] { desktop::MoveCursor(5, 5); });
  RunMacroAt(1'050, "SelectKey(11)");  // starts the lock on key 11
  int32_t focusedDuringLock = 0;
  desktop::At(3'000, [&] { focusedDuringLock = FocusedId(); });
  constexpr uint64_t kEnd = 4'000;
  switch (c.end) {
    case LockEnd::SecondLock:
      desktop::PressKey(kSwitch, kEnd, 50);  // the switch on the locked key runs Lock again
      break;
    case LockEnd::FocusMovedByCommand:
      RunMacroAt(kEnd, "SetFocus(12)");
      break;
    case LockEnd::FocusMovedByPointer:
      MovePointerToKeyAt(kEnd, 12);
      break;
    case LockEnd::SwitchOnAnotherKey:
      // The pointer rests on key 12 while the switch is used.
      desktop::At(kEnd, [] {
        os::Point p = CentreOf(12);
        desktop::MoveCursor(p.x, p.y);
      });
      RunMacroAt(kEnd + 10, "SetFocus(11)");
      desktop::PressKey(kSwitch, kEnd + 20, 50);
      break;
  }
  desktop::QuitAt(8'000);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);

  const std::vector<uint64_t> downs = DownPresses();
  ASSERT_GE(downs.size(), 3u);
  EXPECT_LT(downs[0], 1'100u) << "pressed at once when the lock starts";
  // The lock starts from a selection, whose TimerWait pause comes first (like a
  // typematic delay): the first repeat after LockInterval + 1 - TimerWait ticks.
  EXPECT_GT(downs[1] - downs[0], 1'400u);
  EXPECT_LE(downs[1] - downs[0], 1'510u);
  for (size_t i = 2; i < downs.size(); ++i) EXPECT_EQ(downs[i] - downs[i - 1], 700u) << i;
  EXPECT_LT(downs.back(), kEnd + 100) << "no repeat after the end";
  EXPECT_GT(downs.back() + 700, kEnd) << "repeats went on until the end";
  EXPECT_EQ(focusedDuringLock, 11) << "the scan stays on the locked key";
  EXPECT_EQ(mivo::keyboardState.LockedKey, 0);
  EXPECT_EQ(desktop::EditText(editor), c.typed);
  // Each repeat (not the first press) is logged with the locked key's id.
  const std::string log = desktop::ReadFile("LogFile.txt");
  size_t repeats = 0;
  for (size_t at = log.find("\tTIMER\tLockAction\t11\r\n"); at != std::string::npos;
       at = log.find("\tTIMER\tLockAction\t11\r\n", at + 1)) {
    ++repeats;
  }
  EXPECT_EQ(repeats + 1, downs.size());
}

INSTANTIATE_TEST_SUITE_P(
    Ends, LockScenario,
    ::testing::Values(
        // Lock given again: the waiting rest runs (A), and the second run's own rest too.
        LockCase{LockEnd::SecondLock, "TimerFlag = True\r\n", "aa"},
        // Ended by a focus move: the rest stays put aside.
        LockCase{LockEnd::FocusMovedByCommand, "TimerFlag = True\r\n", ""},
        LockCase{LockEnd::FocusMovedByPointer, "TimerFlag = True\r\nMouseOnScan = True\r\n", ""},
        LockCase{LockEnd::SwitchOnAnotherKey, "", "b"}));

TEST(ScanningKeysScenario, LockSlowRepeatsAtTheSlowIntervalAndTheRestRunsAtOnce) {
  Prepare("TimerFlag = True\r\n",
          "key(1){type=1 cx=100000 cy=100000}\n"
          "key(11){parent=1 cx=30000 cy=30000 onselected=\"LockSlow(Down) Direct(A)\"}\n"
          "home(11) start(11)\n");
  desktop::ForeignApp editor = desktop::StartForeignApp("Notepad", "Untitled");
  RunMacroAt(1'050, "SelectKey(11)");
  desktop::QuitAt(5'000);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  const std::vector<uint64_t> downs = DownPresses();
  ASSERT_GE(downs.size(), 3u);
  for (size_t i = 2; i < downs.size(); ++i) EXPECT_EQ(downs[i] - downs[i - 1], 1'300u) << i;
  EXPECT_EQ(desktop::EditText(editor), "a");
}

TEST(ScanningKeysScenario, ToggleAutoScanFromAKeyStopsAndRestartsTheScan) {
  Prepare(
      "TimerFlag = True\r\n",
      "key(1){type=1 cx=100000 cy=100000}\n"
      "key(10){type=1 parent=1 x=0 y=0 cx=100000 cy=40000 name=\"row\"}\n"
      "key(11){parent=10 x=0 cx=30000 cy=30000 name=\"a\"}\n"
      "key(12){parent=10 x=5000 cx=30000 cy=30000 name=\"toggle\" onselected=\"ToggleAutoScan\"}\n"
      "key(20){type=1 parent=1 x=0 y=5000 cx=100000 cy=40000 name=\"row2\"}\n"
      "home(10) start(10)\n");
  desktop::At(100, [] { desktop::MoveCursor(5, 5); });
  auto user = SelectWhenLit({10, 12}, 100, 30'000);
  auto focus = RecordFocus(0, 30'000);
  std::vector<int32_t> idle;
  uint64_t restartedAt = 0;
  int32_t homeIndex = 0;
  // After the second selection scanning is off: the light stays on the toggle key.
  Every(200, 100, 30'000, [&, user] {
    if (user->releases.size() < 2) return true;
    desktop::At(desktop::Now() + 3'000, [&] {
      idle.push_back(FocusedId());
      EXPECT_EQ(mivo::settings.TimerFlag, 0);
      desktop::PressKey(kSwitch, desktop::Now(), 50);  // switched on again from the same key
      restartedAt = desktop::Now() + 50;
      homeIndex = mivo::FindKeyById(10);
    });
    return false;
  });
  desktop::QuitAt(12'000);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  ASSERT_EQ(user->releases.size(), 2u);
  EXPECT_EQ(idle, (std::vector<int32_t>{12}));
  EXPECT_EQ(mivo::settings.TimerFlag, 1);
  // After the restart: home at once, then one step 15 ticks later.
  size_t restart = 0;
  while (restart < focus->size() && (*focus)[restart].at <= restartedAt) ++restart;
  ASSERT_LT(restart + 1, focus->size());
  const Change home = (*focus)[restart];
  const Change next = (*focus)[restart + 1];
  EXPECT_LT(home.at, restartedAt + 100);
  EXPECT_EQ(home.id, 10);
  EXPECT_EQ(next.id, 20);
  EXPECT_GT(next.at - home.at, 1'400u);
  EXPECT_LE(next.at - home.at, 1'510u);
  // Switching on is announced with the home key (nobody takes the message).
  int announced = 0;
  for (const os::Msg& m : desktop::DefWindowProcCalls(desktop::Find("MivoMain"))) {
    if (m.message == mivo::MM_AUTOSCAN_ON && m.wParam == static_cast<os::WPARAM>(homeIndex))
      ++announced;
  }
  EXPECT_EQ(announced, 1);
}

const char* const kInert =
    "key(1){type=1 cx=100000 cy=100000}\n"
    "key(40){type=1 parent=1 x=0 y=0 cx=100000 cy=40000 name=\"row\" onselected=\"Direct(Q)\"}\n"
    "key(41){type=6 parent=40 x=0 cx=30000 cy=30000 name=\"label\" onselected=\"Direct(W)\"}\n"
    "key(42){parent=40 x=5000 cx=30000 cy=30000 name=\"e\" onselected=\"Direct(E)\"}\n"
    "key(60){type=1 x=0 y=5000 cx=100000 cy=40000 name=\"top\" onselected=\"Direct(T)\"}\n"
    "key(61){type=6 parent=60 x=0 cx=30000 cy=30000 name=\"label\"}\n"
    "key(62){parent=60 x=5000 cx=30000 cy=30000 name=\"f\" onselected=\"Direct(F)\"}\n"
    "home(40) start(42)\n";

TEST(ScanningKeysScenario, SelectKeyOnAnInertKeyFocusesItsGroupAndSelectsNothing) {
  Prepare("", kInert);
  desktop::ForeignApp editor = desktop::StartForeignApp("Notepad", "Untitled");
  RunMacroAt(500, "SelectKey(41)");
  int32_t focused = 0;
  desktop::At(900, [&] { focused = FocusedId(); });
  desktop::QuitAt(1'500);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_EQ(focused, 40);
  EXPECT_EQ(desktop::EditText(editor), "");
}

TEST(ScanningKeysScenario, AGroupOpeningOnAnInertKeyIsSelectedOnceNotForEver) {
  Prepare("", kInert);
  desktop::ForeignApp editor = desktop::StartForeignApp("Notepad", "Untitled");
  // The top-level key has no sibling and its first child is inert.
  RunMacroAt(500, "SelectKey(60)");
  int32_t focused = 0;
  desktop::At(2'500, [&] { focused = FocusedId(); });
  desktop::QuitAt(3'000);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_EQ(focused, 60) << "the focus climbed back from the inert child";
  EXPECT_EQ(desktop::EditText(editor), "t");
}

TEST(ScanningKeysScenario, LoadCfgCOfAMissingFileEndsTheProgram) {
  Prepare("LoggingMode = True\r\n",
          "key(1){type=1 cx=100000 cy=100000}\n"
          "key(11){parent=1 cx=30000 cy=30000 onselected=\"LoadCfgC(absent.cfg)\"}\n"
          "home(11) start(11)\n");
  RunMacroAt(500, "SelectKey(11)");
  desktop::QuitAt(10'000);  // safety net
  EXPECT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_LT(desktop::Now(), 1'000u) << "the failure ends the program at once";
  const auto boxes = desktop::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u) << "no leak box after the failure box";
  EXPECT_EQ(boxes[0].text, Sjis("キーボードの設定に失敗しました"));
  EXPECT_EQ(boxes[0].caption, "Mivo Error");
  EXPECT_EQ(boxes[0].owner, nullptr);
  EXPECT_EQ(boxes[0].type, os::MB_OK | os::MB_TOPMOST);
}

TEST(ScanningKeysScenario, LoadCfgCWithEmptyParenthesesReloadsTheConfiguredKeyboard) {
  Prepare("",
          "key(1){type=1 cx=100000 cy=100000}\n"
          "key(11){parent=1 cx=30000 cy=30000 onselected=\"LoadCfgC()\"}\n"
          "key(12){parent=1 x=5000 cx=30000 cy=30000}\n"
          "home(12) start(11)\n");
  RunMacroAt(500, "SelectKey(11)");
  int32_t focused = 0;
  desktop::At(1'000, [&] { focused = FocusedId(); });
  desktop::QuitAt(1'500);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_TRUE(desktop::MessageBoxes().empty()) << "an empty file name is no file name";
  EXPECT_GE(desktop::Now(), 1'500u) << "the program goes on";
  EXPECT_EQ(focused, 12) << "reloaded and gone to the home key";
}

TEST(ScanningKeysScenario, LoadCfgNcReplacesTheKeysAndGoesToTheNewHome) {
  Prepare("",
          "key(1){type=1 cx=100000 cy=100000}\n"
          "key(11){parent=1 cx=30000 cy=30000 onselected=\"LoadCfgNc(second.cfg)\"}\n"
          "home(11) start(11)\n");
  desktop::WriteFile("second.cfg",
                     "key(1){type=1 cx=100000 cy=100000}\n"
                     "key(21){parent=1 cx=30000 cy=30000 name=\"new\"}\n"
                     "key(22){parent=1 x=5000 cx=30000 cy=30000 name=\"home\"}\n"
                     "home(22)\n");
  RunMacroAt(500, "SelectKey(11)");
  int32_t focused = 0;
  desktop::At(1'000, [&] { focused = FocusedId(); });
  desktop::QuitAt(1'500);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_EQ(focused, 22);
  EXPECT_TRUE(desktop::MessageBoxes().empty());
  // Both candidate refreshes the reload asks for are taken by their links.
  std::vector<os::UINT> refreshes;
  for (const os::Msg& m : desktop::DefWindowProcCalls(desktop::Find("MivoMain"))) {
    if (m.message == mivo::MM_IME_CANDIDATES || m.message == mivo::MM_PREDICT_CANDIDATES)
      refreshes.push_back(m.message);
  }
  EXPECT_EQ(refreshes, std::vector<os::UINT>{});
}

TEST(ScanningKeysScenario, AResizedKeyboardIsDockedAgainAtItsNewHeight) {
  Prepare("",
          "key(1){type=1 cx=100000 cy=100000}\n"
          "key(11){parent=1 cx=30000 cy=30000}\n"
          "home(11) start(11)\n");
  os::Rect before{}, after{}, bar{}, workArea{};
  desktop::At(500, [&] {
    os::Window main = desktop::Find("MivoMain");
    before = desktop::AppBar().rect;
    os::Rect r{};
    os::GetWindowRect(main, &r);
    // The user drags the top edge up by 100 pixels.
    os::SetWindowPos(main, nullptr, r.left, r.top - 100, r.right - r.left, r.bottom - r.top + 100,
                     os::SWP_NOZORDER | os::SWP_NOACTIVATE);
  });
  desktop::At(700, [&] {
    os::GetWindowRect(desktop::Find("MivoMain"), &after);
    bar = desktop::AppBar().rect;
    workArea = desktop::WorkArea();
  });
  desktop::QuitAt(1'000);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_EQ(bar.bottom - bar.top, (before.bottom - before.top) + 100)
      << "the reserved edge follows";
  EXPECT_EQ(after.top, bar.top);
  EXPECT_EQ(after.bottom, bar.bottom);
  EXPECT_EQ(workArea.bottom, bar.top);
}

TEST(ScanningKeysScenario, AClickOnAKeyLeavesTheApplicationInFront) {
  Prepare("",
          "key(1){type=1 cx=100000 cy=100000}\n"
          "key(11){parent=1 cx=30000 cy=30000 onselected=\"Direct(A)\"}\n"
          "home(11) start(11)\n");
  desktop::ForeignApp editor = desktop::StartForeignApp("Notepad", "Untitled");
  os::Window foregroundAfter = nullptr;
  desktop::At(500, [] {
    os::Point p = CentreOf(11);
    desktop::Click(p.x, p.y);
  });
  desktop::At(800, [&] { foregroundAfter = os::GetForegroundWindow(); });
  desktop::QuitAt(1'000);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_EQ(foregroundAfter, editor.window);
}

}  // namespace
