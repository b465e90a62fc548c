// The whole program scanning its keyboard on the headless desktop: the timer moving the
// focus, the switch selecting, the pointer focusing, and the macro texts of key events.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "base/bus.h"
#include "base/messages.h"
#include "keyboard/key_tree.h"
#include "keyboard/scanning.h"
#include "platform/headless/desktop.h"
#include "scanning_scenario.h"
#include "shell/app.h"
#include "support/scenario.h"

using namespace scanning_scenario;

namespace {

using testing_support::CentreOf;
using testing_support::MovePointerToKeyAt;

// Three rows under a root panel; the first row holds A, B and C, the second a single
// key, the third two keys.
const char* const kRows =
    "key(1){type=1 cx=100000 cy=100000 name=\"root\"}\n"
    "key(10){type=1 parent=1 x=0 y=0 cx=100000 cy=30000 name=\"row1\"}\n"
    "key(11){parent=10 x=0 y=0 cx=30000 cy=25000 name=\"A\" onselected=\"Direct(A)\"}\n"
    "key(12){parent=10 x=3300 y=0 cx=30000 cy=25000 name=\"B\" onselected=\"Direct(B)\"}\n"
    "key(13){parent=10 x=6600 y=0 cx=30000 cy=25000 name=\"C\" onselected=\"Direct(C)\"}\n"
    "key(20){type=1 parent=1 x=0 y=3300 cx=100000 cy=30000 name=\"row2\"}\n"
    "key(21){parent=20 x=0 y=0 cx=30000 cy=25000 name=\"X\" onselected=\"Direct(X)\"}\n"
    "key(30){type=1 parent=1 x=0 y=6600 cx=100000 cy=30000 name=\"row3\"}\n"
    "key(31){parent=30 x=0 y=0 cx=30000 cy=25000 name=\"Y\" onselected=\"Direct(Y)\"}\n"
    "key(32){parent=30 x=3300 y=0 cx=30000 cy=25000 name=\"Z\" onselected=\"Direct(Z)\"}\n"
    "home(10) start(10)\n";

void RunMacroAt(uint64_t ms, std::string macro) {
  desktop::At(ms, [macro] {
    mivo::SendToMain(mivo::MM_RUN_MACRO, reinterpret_cast<os::WPARAM>(macro.c_str()), 0);
  });
}

struct Timing {
  int interval, wait, sameGroup;
  bool written;  // false: the built-in defaults (a file cannot write the negative wait)
};

class AutomaticScanTiming : public ::testing::TestWithParam<Timing> {};

TEST_P(AutomaticScanTiming, StepsEveryIntervalPlusOneTickAndGoesHomeAfterThePasses) {
  const Timing t = GetParam();
  std::string settings = "TimerFlag = True\r\n";
  if (t.written) {
    settings += "TimerInterval = " + std::to_string(t.interval) +
                "\r\nTimerWait = " + std::to_string(t.wait) +
                "\r\nTimerSameGroup = " + std::to_string(t.sameGroup) + "\r\n";
  }
  Prepare(settings, kRows);
  const uint64_t end = 2'000 + static_cast<uint64_t>(t.sameGroup * 3 + 2) * (t.interval + 1) * 100 +
                       static_cast<uint64_t>(t.wait < 0 ? -t.wait : 0) * 100;
  auto focus = RecordFocus(0, end);
  desktop::QuitAt(end);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);

  // The rows in turn, `sameGroup` passes, then home (the first row) and one more step.
  std::vector<int32_t> expectedIds;
  for (int pass = 0; pass < t.sameGroup; ++pass)
    expectedIds.insert(expectedIds.end(), {10, 20, 30});
  expectedIds.insert(expectedIds.end(), {10, 20});
  ASSERT_GE(focus->size(), expectedIds.size());
  std::vector<int32_t> ids;
  std::vector<int> gaps;  // in ticks between one lit key and the next
  for (size_t i = 0; i < expectedIds.size(); ++i) {
    ids.push_back((*focus)[i].id);
    if (i > 0)
      gaps.push_back(static_cast<int>(std::lround(((*focus)[i].at - (*focus)[i - 1].at) / 100.0)));
  }
  EXPECT_EQ(ids, expectedIds);
  std::vector<int> expectedGaps(expectedIds.size() - 2, t.interval + 1);
  expectedGaps.push_back(t.interval + 1 - t.wait);  // the pause at home
  EXPECT_EQ(gaps, expectedGaps);
  EXPECT_TRUE(desktop::InjectedEvents().empty()) << "scanning alone types nothing";
}

INSTANTIATE_TEST_SUITE_P(Settings, AutomaticScanTiming,
                         ::testing::Values(Timing{6, -8, 3, false}, Timing{3, 2, 2, true},
                                           Timing{2, 0, 1, true}, Timing{4, 3, 4, true}));

TEST(SwitchScenario, TypingAbcWithTheSwitch) {
  Prepare("TimerFlag = True\r\nCounterMode = True\r\n", kRows);
  desktop::ForeignApp editor = desktop::StartForeignApp("Notepad", "Untitled");
  // Into the row, the letter, and back home each time.
  auto user = SelectWhenLit({10, 11, 10, 12, 10, 13}, 100, 60'000);
  desktop::QuitAt(60'000);
  Every(100, 100, 60'000, [user] {
    if (user->next < user->ids.size() || user->held) return true;
    desktop::At(desktop::Now() + 500, [] { os::PostQuitMessage(0); });
    return false;
  });
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  ASSERT_EQ(user->releases.size(), 6u);
  EXPECT_EQ(KeyEventNames(), (std::vector<std::string>{"65d", "65u", "66d", "66u", "67d", "67u"}));
  EXPECT_EQ(desktop::EditText(editor), "abc");
  // Each letter follows the release that selected it at once.
  const std::vector<uint64_t> presses = PressTimes();
  ASSERT_EQ(presses.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_GE(presses[i], user->releases[2 * i + 1]);
    EXPECT_LT(presses[i], user->releases[2 * i + 1] + 50);
  }
  EXPECT_EQ(desktop::Find("Notepad"), os::GetForegroundWindow())
      << "the editor keeps the foreground";
  // Six selections counted: the field after the time stamp.
  const std::string counter = desktop::ReadFile("Counter.txt");
  const size_t tab = counter.find('\t');
  ASSERT_NE(tab, std::string::npos) << counter;
  EXPECT_EQ(counter.substr(tab + 1, counter.find('\t', tab + 1) - tab - 1), "6") << counter;
}

TEST(SwitchScenario, BeepModeBeepsAtEveryAutomaticStep) {
  Prepare("TimerFlag = True\r\nBeepMode = True\r\n", kRows);
  auto focus = RecordFocus(0, 5'000);
  desktop::QuitAt(5'000);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  const std::vector<uint64_t> beeps = desktop::Beeps();
  ASSERT_EQ(beeps.size() + 1, focus->size()) << "one beep per step after the start key";
  for (size_t i = 0; i < beeps.size(); ++i) {
    EXPECT_LE(beeps[i], (*focus)[i + 1].at) << i;
    EXPECT_GT(beeps[i] + 20, (*focus)[i + 1].at) << i;
  }
}

TEST(SwitchScenario, AfterASelectionTheNextStepWaitsTimerWaitLonger) {
  Prepare("TimerFlag = True\r\n", kRows);
  auto user = SelectWhenLit({10}, 100, 10'000);
  auto focus = RecordFocus(0, 10'000);
  desktop::QuitAt(6'000);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  ASSERT_EQ(user->releases.size(), 1u);
  // Selecting the row lights its first key; the next step comes 15 ticks later.
  size_t entered = 0;
  while (entered < focus->size() && (*focus)[entered].id != 11) ++entered;
  ASSERT_LT(entered + 1, focus->size());
  EXPECT_LT((*focus)[entered].at, user->releases[0] + 50);
  EXPECT_EQ((*focus)[entered + 1].id, 12);
  // The selection falls between two ticks, so the pause is just under 15 whole ticks.
  const uint64_t pause = (*focus)[entered + 1].at - (*focus)[entered].at;
  EXPECT_GT(pause, 1'400u);
  EXPECT_LE(pause, 1'510u);
}

TEST(SwitchScenario, WithScanningOffThePointerFocusesAndTheSwitchSelects) {
  Prepare("LoggingMode = True\r\n", kRows);
  desktop::ForeignApp editor = desktop::StartForeignApp("Notepad", "Untitled");
  MovePointerToKeyAt(500, 12);
  desktop::At(700, [] { EXPECT_EQ(FocusedId(), 12) << "the pointer moved the focus"; });
  desktop::PressKey(kSwitch, 800, 50);
  // The pointer leaves the keyboard: the switch selects the key that has the focus.
  desktop::At(1'500, [] { desktop::MoveCursor(5, 5); });
  desktop::PressKey(kSwitch, 1'600, 50);
  desktop::At(2'500,
              [] { EXPECT_EQ(FocusedId(), 12) << "without automatic scanning the focus stays"; });
  desktop::QuitAt(3'000);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_EQ(desktop::EditText(editor), "bb");
  const std::string log = desktop::ReadFile("LogFile.txt");
  size_t ends = 0;
  for (size_t at = log.find("\tAfterSelected\tEnd\t12\r\n"); at != std::string::npos;
       at = log.find("\tAfterSelected\tEnd\t12\r\n", at + 1)) {
    ++ends;
  }
  EXPECT_EQ(ends, 2u) << log;
}

class MouseOnScan : public ::testing::TestWithParam<bool> {};

TEST_P(MouseOnScan, DecidesWhetherThePointerMovesTheAutomaticScan) {
  const bool on = GetParam();
  Prepare(std::string("TimerFlag = True\r\nTimerInterval = 100\r\nMouseOnScan = ") +
              (on ? "True" : "False") + "\r\n",
          kRows);
  MovePointerToKeyAt(500, 32);
  int32_t focused = -1;
  desktop::At(700, [&] { focused = FocusedId(); });
  desktop::QuitAt(1'000);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_EQ(focused, on ? 32 : 10);
}

INSTANTIATE_TEST_SUITE_P(Setting, MouseOnScan, ::testing::Bool());

TEST(SwitchScenario, AGroupWithOneKeySelectsItAtOnceAndTwoKeysWait) {
  Prepare("", kRows);
  desktop::ForeignApp editor = desktop::StartForeignApp("Notepad", "Untitled");
  RunMacroAt(500, "SelectKey(20)");
  desktop::At(800, [] { EXPECT_EQ(FocusedId(), 21); });
  RunMacroAt(1'000, "SelectKey(30)");
  desktop::At(1'300, [] { EXPECT_EQ(FocusedId(), 31) << "the first of two keys takes the focus"; });
  desktop::QuitAt(2'000);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_EQ(desktop::EditText(editor), "x") << "the single key ran, the pair waits for the switch";
}

// Every key event types a letter of its own, so the editor shows the order they ran in.
const char* const kTracedGroups =
    "key(1){type=1 cx=100000 cy=100000 name=\"root\" onfocus=\"Direct(I)\" onunfocus=\"Direct(J)\""
    " onselect=\"Direct(U)\"}\n"
    "key(10){type=1 parent=1 x=0 y=0 cx=100000 cy=40000 onfocus=\"Direct(C)\" "
    "onunfocus=\"Direct(D)\""
    " onselect=\"Direct(T)\"}\n"
    "key(11){parent=10 cx=30000 cy=30000 onfocus=\"Direct(A)\" onunfocus=\"Direct(B)\""
    " onselect=\"Direct(S)\" onselected=\"Direct(K)\"}\n"
    "key(20){type=1 parent=1 x=0 y=5000 cx=100000 cy=40000 onfocus=\"Direct(E)\" "
    "onunfocus=\"Direct(F)\"}\n"
    "key(21){parent=20 cx=30000 cy=30000 onfocus=\"Direct(G)\" onunfocus=\"Direct(H)\"}\n"
    "home(11) start(11)\n";

TEST(SwitchScenario, MovingTheFocusAcrossGroupsSkipsTheSharedAncestor) {
  Prepare("", kTracedGroups);
  desktop::ForeignApp editor = desktop::StartForeignApp("Notepad", "Untitled");
  std::string atStart;
  desktop::At(400, [&] { atStart = desktop::EditText(editor); });
  RunMacroAt(500, "SetFocus(21)");
  desktop::QuitAt(1'500);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_EQ(atStart, "aci") << "the start key and its ancestors gain the focus";
  // Key 11 and row 10 lose it, then key 21 and row 20 gain it; the root runs neither.
  EXPECT_EQ(desktop::EditText(editor),
            "aci"
            "bd"
            "ge");
}

TEST(SwitchScenario, TheSwitchedKeyOwnOnselectDoesNotRunWhileItsAncestorsDo) {
  Prepare("", kTracedGroups);
  desktop::ForeignApp editor = desktop::StartForeignApp("Notepad", "Untitled");
  desktop::At(100, [] { desktop::MoveCursor(5, 5); });  // away from the keyboard
  desktop::PressKey(kSwitch, 500, 100);
  desktop::QuitAt(1'500);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  // The start's focus texts, then the row's and the root's onselect, then the key's
  // onselected; the key itself was drawn selected at once, so its onselect never ran.
  EXPECT_EQ(desktop::EditText(editor),
            "aci"
            "tu"
            "k");
}

}  // namespace
