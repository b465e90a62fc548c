// The scan's moves over a built key tree: steps, focus climbing, the lock toggle and the
// end of a selection.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/bus.h"
#include "base/messages.h"
#include "base/settings.h"
#include "base/text.h"
#include "keyboard/key_tree.h"
#include "keyboard/scanning.h"
#include "platform/headless/desktop.h"
#include "support/keyboard_fixture.h"

namespace {

// Indexes of the tree below, in creation order.
enum : int32_t {
  ROOT = 1,  // top-level panel
  ROW_A,     // a1, an inert key, a hidden key, a4
  A1,
  A_INERT,
  A_HIDDEN,
  A4,
  ROW_B,  // b1 alone
  B1,
  BOX,  // tabbed container: page 1 (two keys), page 2 (hidden, one key)
  P1,
  P1K1,
  P1K2,
  P2,
  P2K1,
  ROW_C,  // hidden, and so is its one key
  C1,
  TOP2,  // a second top-level key whose first child is inert
  TOP2_INERT,
  TOP2_KEY,
};

class ScanTree : public ::testing::Test {
 protected:
  void SetUp() override {
    desktop::Reset();
    live_ = mivo::MemLiveCount();
    testing_support::OpenPlainMainWindow(0, 0, 100, 100, false);
    ASSERT_TRUE(mivo::KeyTableInit());
    mivo::ResetScanState();
    mivo::settings.TimerSameGroup = 3;
    mivo::settings.TimerWait = -8;
    mivo::settings.TimerFlag = 1;
    struct Case {
      int32_t type, parent, visible;
    };
    const Case cases[] = {
        {mivo::KT_PANEL, 0, 1},     {mivo::KT_PANEL, ROOT, 1}, {mivo::KT_KEY, ROW_A, 1},
        {mivo::KT_INERT, ROW_A, 1}, {mivo::KT_KEY, ROW_A, 0},  {mivo::KT_KEY, ROW_A, 1},
        {mivo::KT_PANEL, ROOT, 1},  {mivo::KT_KEY, ROW_B, 1},  {mivo::KT_CONTAINER, ROOT, 1},
        {mivo::KT_PAGE, BOX, 1},    {mivo::KT_KEY, P1, 1},     {mivo::KT_KEY, P1, 1},
        {mivo::KT_PAGE, BOX, 0},    {mivo::KT_KEY, P2, 1},     {mivo::KT_PANEL, ROOT, 0},
        {mivo::KT_KEY, ROW_C, 0},   {mivo::KT_PANEL, 0, 1},    {mivo::KT_INERT, TOP2, 1},
        {mivo::KT_KEY, TOP2, 1},
    };
    int32_t id = 100;
    for (const Case& s : cases) {
      ASSERT_NE(mivo::CreateKey(s.type, s.parent, 0, 0, 0, 0, ++id, "", nullptr, nullptr, nullptr,
                                nullptr, nullptr, 0, s.visible),
                0);
    }
  }
  void TearDown() override {
    mivo::ResetScanState();
    mivo::KeyTableFree();
    mivo::SetMainWindow(nullptr);
    EXPECT_EQ(mivo::MemLiveCount(), live_);
  }
  // Messages of one number taken from the queue, as their wParams.
  static std::vector<os::WPARAM> Taken(os::UINT message) {
    std::vector<os::WPARAM> out;
    os::Msg msg{};
    while (os::PeekMessage(&msg, nullptr, message, message, os::PM_REMOVE))
      out.push_back(msg.wParam);
    return out;
  }
  static bool Focused(int32_t k) { return mivo::GetKey(k)->flags & mivo::KF_FOCUS; }

  int32_t live_ = 0;
};

struct StepCase {
  const char* name;
  int32_t from;
  int32_t home;
  int32_t sameGroup;
  std::vector<int32_t> expected;  // CurrentKey after each step
};

class ScanStepWalk : public ScanTree, public ::testing::WithParamInterface<StepCase> {};

TEST_P(ScanStepWalk, VisitsTheKeysInOrder) {
  const StepCase& c = GetParam();
  mivo::settings.TimerSameGroup = c.sameGroup;
  mivo::keyboardState.HomeKey = c.home;
  mivo::keyboardState.CurrentKey = c.from;
  mivo::SetFocusFlags(c.from);
  std::vector<int32_t> visited;
  for (size_t i = 0; i < c.expected.size(); ++i) {
    mivo::ScanStep();
    visited.push_back(mivo::keyboardState.CurrentKey);
    if (mivo::keyboardState.CurrentKey != 0) {
      EXPECT_TRUE(Focused(mivo::keyboardState.CurrentKey)) << "step " << i;
    }
  }
  EXPECT_EQ(visited, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Trees, ScanStepWalk,
    ::testing::Values(
        // Inert and hidden keys are passed over; three passes, then home.
        StepCase{"RowPassesThenHome", A1, ROW_A, 3, {A4, A1, A4, A1, A4, ROW_A}},
        // From home the top rows: the hidden row is passed over, and the group restarts.
        StepCase{"TopRows", ROW_A, ROW_A, 3, {ROW_B, BOX, ROW_A, ROW_B}},
        // The shown page, then its tabs (the hidden page too), then back into the page.
        StepCase{"PagesAndTabs", P1K1, ROW_A, 3, {P1K2, P1, P2, P1K1}},
        // A top-level key has no siblings: it stays until the passes send it home.
        StepCase{"TopLevel", ROOT, ROW_A, 3, {ROOT, ROOT, ROW_A}},
        StepCase{"OnePassOnly", B1, ROW_A, 1, {ROW_A}},
        // Nothing focused: the step starts at home.
        StepCase{"FromNothing", 0, ROW_B, 3, {ROW_B, BOX}},
        // No visible key is reachable (hidden home in a hidden group, or no home): the
        // step ends and the focus stays where it was.
        StepCase{"HiddenHomeNothingVisible", C1, C1, 3, {C1, C1}},
        StepCase{"NoHomeNothingVisible", C1, 0, 3, {C1}},
        StepCase{"HiddenHomeSinglePass", B1, C1, 1, {B1, B1}},
        StepCase{"HiddenHomeNoPasses", B1, C1, 0, {B1}},
        // A hidden home whose group has visible keys still leads to them.
        StepCase{"HiddenHomeWithVisibleSiblings", B1, A_HIDDEN, 1, {A4}}),
    [](const ::testing::TestParamInfo<StepCase>& param) { return std::string(param.param.name); });

TEST_F(ScanTree, ReturningHomeRestartsTheTickCountFromTimerWait) {
  mivo::keyboardState.HomeKey = ROW_A;
  mivo::keyboardState.CurrentKey = B1;
  mivo::settings.TimerSameGroup = 1;
  mivo::keyboardState.TickCount = 0;
  mivo::ScanStep();
  EXPECT_EQ(mivo::keyboardState.CurrentKey, ROW_A);
  EXPECT_EQ(mivo::keyboardState.TickCount, -8);
  EXPECT_EQ(mivo::keyboardState.GroupRounds, 0);
}

TEST_F(ScanTree, ALockKeepsTheStepOnTheLockedKey) {
  mivo::keyboardState.CurrentKey = A1;
  mivo::keyboardState.LockedKey = B1;
  mivo::ScanStep();
  EXPECT_EQ(mivo::keyboardState.CurrentKey, B1);
  EXPECT_TRUE(Focused(B1));
  mivo::keyboardState.LockedKey = 0;
}

struct ClimbCase {
  int32_t target;
  int32_t expected;
};

class FocusClimb : public ScanTree, public ::testing::WithParamInterface<ClimbCase> {};

TEST_P(FocusClimb, LandsOnTheNearestKeyThatCanTakeIt) {
  EXPECT_EQ(mivo::FocusKey(GetParam().target), GetParam().expected);
  EXPECT_EQ(mivo::keyboardState.CurrentKey, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Targets, FocusClimb,
                         ::testing::Values(ClimbCase{A1, A1}, ClimbCase{A_INERT, ROW_A},
                                           ClimbCase{TOP2_INERT, TOP2},
                                           ClimbCase{A_HIDDEN, A_HIDDEN}, ClimbCase{0, 0},
                                           ClimbCase{999, 0}, ClimbCase{-3, 0}));

TEST_F(ScanTree, FocusOnADeletedKeyClimbsToNothing) {
  mivo::FocusKey(A1);
  mivo::DeleteKey(B1);
  EXPECT_EQ(mivo::FocusKey(B1), 0);
  EXPECT_FALSE(Focused(A1)) << "the old focus was cleared";
  EXPECT_FALSE(Focused(ROOT));
}

TEST_F(ScanTree, MovingTheFocusKeepsTheMarkOnSharedAncestors) {
  mivo::FocusKey(A1);
  Taken(mivo::MM_KEY_EVENT);
  mivo::FocusKey(B1);
  EXPECT_FALSE(Focused(A1));
  EXPECT_FALSE(Focused(ROW_A));
  EXPECT_TRUE(Focused(ROOT));
  EXPECT_TRUE(Focused(ROW_B));
  EXPECT_TRUE(Focused(B1));
}

TEST_F(ScanTree, FocusMovingOffTheLockedKeyAsksForTheLockToEnd) {
  mivo::FocusKey(A1);
  mivo::keyboardState.LockedKey = A1;
  Taken(mivo::MM_LOCK);
  mivo::FocusKey(A1);
  EXPECT_TRUE(Taken(mivo::MM_LOCK).empty());
  mivo::FocusKey(A4);
  EXPECT_EQ(Taken(mivo::MM_LOCK), (std::vector<os::WPARAM>{0}));
  mivo::keyboardState.LockedKey = 0;
}

struct LockCase {
  bool running;
  const char* text;
  int32_t current;
  os::LRESULT result;
  int32_t lockedAfter;
  const char* textAfter;  // null: none
  size_t presses;         // Down presses made at once
};

class LockToggleResult : public ScanTree, public ::testing::WithParamInterface<LockCase> {};

TEST_P(LockToggleResult, StartsEndsOrDoesNothing) {
  const LockCase& c = GetParam();
  mivo::keyboardState.CurrentKey = c.current;
  if (c.running) {
    mivo::keyboardState.LockedKey = B1;
    mivo::keyboardState.LockText = mivo::TextDuplicate("Up");
  }
  mivo::keyboardState.TickCount = 5;
  desktop::ClearInjectedEvents();
  EXPECT_EQ(mivo::LockToggle(c.text), c.result);
  EXPECT_EQ(mivo::keyboardState.LockedKey, c.lockedAfter);
  if (c.textAfter) {
    ASSERT_NE(mivo::keyboardState.LockText, nullptr);
    EXPECT_STREQ(mivo::keyboardState.LockText, c.textAfter);
  } else {
    EXPECT_EQ(mivo::keyboardState.LockText, nullptr);
  }
  size_t downs = 0;
  for (const auto& e : desktop::InjectedEvents()) {
    if (e.keyboard && e.vk == os::VK_DOWN && !(e.flags & os::KEYEVENTF_KEYUP)) ++downs;
  }
  EXPECT_EQ(downs, c.presses);
  if (c.result == -3) {
    EXPECT_EQ(mivo::keyboardState.TickCount, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, LockToggleResult,
                         ::testing::Values(LockCase{false, "Down", A1, -3, A1, "Down", 1},
                                           LockCase{false, nullptr, A1, 0, 0, nullptr, 0},
                                           LockCase{true, "Down", A1, -2, 0, nullptr, 0},
                                           LockCase{true, nullptr, A1, -2, 0, nullptr, 0},
                                           // No focus: pressed once, but no lock runs.
                                           LockCase{false, "Down", 0, -3, 0, "Down", 1}));

TEST_F(ScanTree, ALockWithoutFocusStartsAnewAndReplacesItsText) {
  mivo::keyboardState.CurrentKey = 0;
  EXPECT_EQ(mivo::LockToggle("Down"), -3);
  EXPECT_EQ(mivo::LockToggle("Up"), -3);
  EXPECT_STREQ(mivo::keyboardState.LockText, "Up");
  EXPECT_EQ(mivo::keyboardState.LockedKey, 0);
}

TEST_F(ScanTree, SelectingAGroupEntersItAndSelectsALoneKey) {
  mivo::FocusKey(ROW_B);
  Taken(mivo::MM_KEY_SELECTED);
  mivo::AfterSelect(ROW_B);
  EXPECT_EQ(mivo::keyboardState.CurrentKey, B1);
  EXPECT_EQ(Taken(mivo::MM_KEY_SELECTED), (std::vector<os::WPARAM>{B1}));
  mivo::FocusKey(ROW_A);
  mivo::AfterSelect(ROW_A);
  EXPECT_EQ(mivo::keyboardState.CurrentKey, A1);
  EXPECT_TRUE(Taken(mivo::MM_KEY_SELECTED).empty()) << "two keys: the first waits for the switch";
}

TEST_F(ScanTree, AGroupOpeningOnAnInertKeyIsNotSelectedAgain) {
  mivo::FocusKey(TOP2);
  Taken(mivo::MM_KEY_SELECTED);
  mivo::AfterSelect(TOP2);
  EXPECT_EQ(mivo::keyboardState.CurrentKey, TOP2);
  EXPECT_TRUE(Taken(mivo::MM_KEY_SELECTED).empty());
  EXPECT_TRUE(Focused(TOP2));
}

struct AfterCase {
  const char* name;
  int32_t selected;
  int timerFlag;
  bool locked;
  int32_t expected;
};

class AfterSelectMove : public ScanTree, public ::testing::WithParamInterface<AfterCase> {};

TEST_P(AfterSelectMove, AKeyWithoutChildrenGoesHomeOnlyWhenScanningAlone) {
  const AfterCase& c = GetParam();
  mivo::settings.TimerFlag = c.timerFlag;
  mivo::keyboardState.HomeKey = ROW_B;
  mivo::FocusKey(c.selected);
  if (c.locked) mivo::keyboardState.LockedKey = c.selected;
  mivo::keyboardState.TickCount = 3;
  mivo::keyboardState.GroupRounds = 2;
  mivo::AfterSelect(c.selected);
  EXPECT_EQ(mivo::keyboardState.CurrentKey, c.expected);
  EXPECT_EQ(mivo::keyboardState.TickCount, -8);
  EXPECT_EQ(mivo::keyboardState.GroupRounds, 0);
  mivo::keyboardState.LockedKey = 0;
}

INSTANTIATE_TEST_SUITE_P(Cases, AfterSelectMove,
                         ::testing::Values(AfterCase{"AutomaticGoesHome", A1, 1, false, ROW_B},
                                           AfterCase{"PointerStays", A1, 0, false, A1},
                                           AfterCase{"LockStays", A1, 1, true, A1}),
                         [](const ::testing::TestParamInfo<AfterCase>& param) {
                           return std::string(param.param.name);
                         });

TEST_F(ScanTree, AfterSelectOfAnotherKeyOnlyRestartsTheCount) {
  mivo::FocusKey(A1);
  mivo::keyboardState.TickCount = 4;
  mivo::AfterSelect(A4);
  EXPECT_EQ(mivo::keyboardState.CurrentKey, A1);
  EXPECT_EQ(mivo::keyboardState.TickCount, -8);
}

TEST_F(ScanTree, SwitchingScanningOffKeepsTheFocusOnTheSelectingKey) {
  mivo::FocusKey(A1);
  mivo::keyboardState.RefocusOnce = 1;
  mivo::AfterSelect(A1);
  EXPECT_EQ(mivo::keyboardState.CurrentKey, A1);
  EXPECT_EQ(mivo::keyboardState.RefocusOnce, 0);
  EXPECT_TRUE(Focused(A1));
}

TEST_F(ScanTree, RoleMessagesTakeOnlyValidIndexes) {
  mivo::SetHomeKey(A1);
  mivo::SetHomeKey(0);
  mivo::SetHomeKey(mivo::keyboardState.KeyCount + 1);
  EXPECT_EQ(mivo::keyboardState.HomeKey, A1);
  mivo::SetStartKey(B1);
  mivo::SetStartKey(-1);
  EXPECT_EQ(mivo::keyboardState.StartKey, B1);
}

TEST_F(ScanTree, ActivatingAHiddenTabShowsItsPage) {
  EXPECT_EQ(mivo::ActivateKey(P2), 1);
  EXPECT_FALSE(mivo::GetKey(P2)->flags & mivo::KF_HIDDEN);
  EXPECT_EQ(Taken(mivo::MM_KEY_SELECTED), (std::vector<os::WPARAM>{P2}));
  EXPECT_EQ(mivo::ActivateKey(A_INERT), 0);
  EXPECT_EQ(mivo::ActivateKey(999), 0);
  EXPECT_TRUE(Taken(mivo::MM_KEY_SELECTED).empty());
}

}  // namespace
