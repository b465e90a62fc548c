#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "base/bus.h"
#include "base/messages.h"
#include "base/text.h"
#include "keyboard/key_tree.h"
#include "keyboard/scanning.h"
#include "platform/headless/desktop.h"
#include "support/keyboard_fixture.h"

namespace {

using Events = std::vector<std::pair<intptr_t, intptr_t>>;  // (message, key, event) flattened below

class KeyboardMarksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    desktop::Reset();
    live_ = mivo::MemLiveCount();
    testing_support::OpenPlainMainWindow(0, 0, 100, 100, false);
    ASSERT_TRUE(mivo::KeyTableInit());
    // root(panel) > group(panel) > a, inert, b;  root > box(container) > p1, p2(hidden)
    root_ = Key(mivo::KT_PANEL, 0);
    group_ = Key(mivo::KT_PANEL, root_);
    a_ = Key(mivo::KT_KEY, group_);
    inert_ = Key(mivo::KT_INERT, group_);
    b_ = Key(mivo::KT_KEY, group_);
    box_ = Key(mivo::KT_CONTAINER, root_);
    p1_ = Key(mivo::KT_PAGE, box_);
    p2_ = Key(mivo::KT_PAGE, box_);
  }
  void TearDown() override {
    mivo::KeyTableFree();
    mivo::SetMainWindow(nullptr);
    EXPECT_EQ(mivo::MemLiveCount(), live_);
  }
  static int32_t Key(int32_t type, int32_t parent) {
    return mivo::CreateKey(type, parent, 0, 0, 0, 0, 1, "", nullptr, nullptr, nullptr, nullptr,
                           nullptr, 0, 1);
  }
  // Posted key events as (key, event kind); repaint requests as (key, MM_KEY_REPAINT).
  static Events Taken() {
    Events out;
    os::Msg msg{};
    while (
        os::PeekMessage(&msg, nullptr, mivo::MM_KEY_EVENT, mivo::MM_KEY_REPAINT, os::PM_REMOVE)) {
      if (msg.message == mivo::MM_KEY_EVENT)
        out.push_back({static_cast<intptr_t>(msg.wParam), msg.lParam});
      if (msg.message == mivo::MM_KEY_REPAINT)
        out.push_back({static_cast<intptr_t>(msg.wParam), mivo::MM_KEY_REPAINT});
    }
    return out;
  }
  static uint32_t Flags(int32_t k) { return mivo::GetKey(k)->flags; }

  int32_t live_ = 0;
  int32_t root_ = 0, group_ = 0, a_ = 0, inert_ = 0, b_ = 0, box_ = 0, p1_ = 0, p2_ = 0;
};

TEST_F(KeyboardMarksTest, FocusSpreadsUpAndStopsAtAMarkedAncestor) {
  EXPECT_EQ(mivo::SetFocusFlags(a_), 1);
  EXPECT_EQ(Taken(),
            (Events{{a_, mivo::KE_FOCUS}, {group_, mivo::KE_FOCUS}, {root_, mivo::KE_FOCUS}}));
  EXPECT_EQ(mivo::SetFocusFlags(b_), 1);
  EXPECT_EQ(Taken(), (Events{{b_, mivo::KE_FOCUS}})) << "the group already has the mark";
  EXPECT_EQ(mivo::SetFocusFlags(b_), 0);
  EXPECT_TRUE(Taken().empty());
  EXPECT_EQ(mivo::ClearFocusFlags(a_), 1);
  EXPECT_EQ(
      Taken(),
      (Events{{a_, mivo::KE_UNFOCUS}, {group_, mivo::KE_UNFOCUS}, {root_, mivo::KE_UNFOCUS}}));
  EXPECT_TRUE(Flags(b_) & mivo::KF_FOCUS) << "clearing does not look at siblings";
  EXPECT_EQ(mivo::ClearFocusFlags(a_), 0);
}

TEST_F(KeyboardMarksTest, SelectionMarksSpreadLikeFocus) {
  EXPECT_EQ(mivo::SetSelectFlags(b_), 1);
  EXPECT_EQ(Taken(), (Events{{b_, mivo::KE_SELECT_MARK},
                             {group_, mivo::KE_SELECT_MARK},
                             {root_, mivo::KE_SELECT_MARK}}));
  EXPECT_EQ(mivo::SetSelectFlags(b_), 0);
  EXPECT_EQ(mivo::ClearSelectFlags(group_), 1);
  EXPECT_EQ(Taken(), (Events{{group_, mivo::KE_UNSELECT_MARK}, {root_, mivo::KE_UNSELECT_MARK}}));
  EXPECT_TRUE(Flags(b_) & mivo::KF_SELECT);
  EXPECT_EQ(Flags(b_) & mivo::KF_FOCUS, 0u) << "the two marks are independent";
}

TEST_F(KeyboardMarksTest, InertKeysTakeNoMarkButAskForARepaint) {
  EXPECT_EQ(mivo::SetFocusFlags(inert_), 0);
  EXPECT_EQ(Taken(), (Events{{inert_, mivo::MM_KEY_REPAINT}}));
  EXPECT_EQ(mivo::SetSelectFlags(inert_), 0);
  mivo::GetKey(inert_)->flags |= mivo::KF_FOCUS;
  EXPECT_EQ(mivo::ClearFocusFlags(inert_), 0);
  EXPECT_TRUE(Taken().empty());
}

TEST_F(KeyboardMarksTest, AContainerHandsTheFocusToItsShownPage) {
  mivo::GetKey(p1_)->flags |= mivo::KF_HIDDEN;
  EXPECT_EQ(mivo::SetFocusFlags(box_), 0) << "the page's climb already marked the container";
  EXPECT_EQ(Taken(),
            (Events{{p2_, mivo::KE_FOCUS}, {box_, mivo::KE_FOCUS}, {root_, mivo::KE_FOCUS}}));
  EXPECT_EQ(Flags(p1_) & mivo::KF_FOCUS, 0u);
  EXPECT_EQ(mivo::ClearFocusFlags(box_), 0);
  EXPECT_EQ(Taken(),
            (Events{{p2_, mivo::KE_UNFOCUS}, {box_, mivo::KE_UNFOCUS}, {root_, mivo::KE_UNFOCUS}}));
}

// ---- key events: which text a handled event runs, judged against what was drawn

struct EventCase {
  const char* name;
  uint32_t flags, painted;
  intptr_t code;
  const char* runs;  // the key's text that is sent to run, or null for nothing
};

class KeyEventRun : public KeyboardMarksTest, public ::testing::WithParamInterface<EventCase> {};

TEST_P(KeyEventRun, RunsOnlyForAChangeNotYetDrawn) {
  const EventCase& c = GetParam();
  const int32_t k = mivo::CreateKey(mivo::KT_KEY, group_, 0, 0, 0, 0, 9, "", "focus", "unfocus",
                                    "select", "unselect", "selected", 0, 1);
  ASSERT_NE(k, 0);
  mivo::KeyRecord* key = mivo::GetKey(k);
  key->flags = c.flags;
  key->paintedFlags = c.painted;
  mivo::RunKeyEvent(k, c.code);
  std::vector<std::string> sent;
  for (const os::Msg& m : desktop::DefWindowProcCalls(mivo::GetMainWindow())) {
    if (m.message == mivo::MM_RUN_MACRO) sent.push_back(reinterpret_cast<const char*>(m.wParam));
  }
  EXPECT_EQ(sent, c.runs ? std::vector<std::string>{c.runs} : std::vector<std::string>{});
}

constexpr uint32_t F = mivo::KF_FOCUS, S = mivo::KF_SELECT, H = mivo::KF_HIDDEN;

INSTANTIATE_TEST_SUITE_P(
    Events, KeyEventRun,
    ::testing::Values(
        EventCase{"FocusGained", F, 0, mivo::KE_FOCUS, "focus"},
        EventCase{"FocusAlreadyDrawn", F, F, mivo::KE_FOCUS, nullptr},
        EventCase{"FocusDrawnButSelectionNot", F | S, F, mivo::KE_FOCUS, nullptr},
        EventCase{"FocusGainedThenLost", 0, 0, mivo::KE_FOCUS, nullptr},
        EventCase{"FocusLost", 0, F, mivo::KE_UNFOCUS, "unfocus"},
        EventCase{"FocusLostJudgedAsGained", F, 0, mivo::KE_UNFOCUS, nullptr},
        EventCase{"SelectionGained", S, 0, mivo::KE_SELECT_MARK, "select"},
        EventCase{"SelectionGainedWhileFocusDrawn", F | S, F, mivo::KE_SELECT_MARK, "select"},
        EventCase{"SelectionLost", 0, S, mivo::KE_UNSELECT_MARK, "unselect"},
        EventCase{"SelectionLostJudgedAsGained", S, 0, mivo::KE_UNSELECT_MARK, nullptr},
        EventCase{"OnlyHiddenChanged", H | F, F, mivo::KE_FOCUS, nullptr},
        EventCase{"SelectedAlwaysRuns", F, F, mivo::KE_SELECTED, "selected"},
        EventCase{"UnknownCode", F, 0, mivo::KE_SELECTED + 1, nullptr}),
    [](const ::testing::TestParamInfo<EventCase>& param) { return std::string(param.param.name); });

TEST_F(KeyboardMarksTest, AnEventForAKeyThatIsGoneRunsNothing) {
  mivo::DeleteKey(b_);
  EXPECT_EQ(mivo::RunKeyEvent(b_, mivo::KE_SELECTED), 0);
  EXPECT_EQ(mivo::RunKeyEvent(0, mivo::KE_SELECTED), 0);
  for (const os::Msg& m : desktop::DefWindowProcCalls(mivo::GetMainWindow())) {
    EXPECT_NE(m.message, mivo::MM_RUN_MACRO);
  }
}

// ---- the keyboard link's answers

struct LinkCase {
  os::UINT message;
  os::LRESULT result;
};

class KeyboardLink : public KeyboardMarksTest, public ::testing::WithParamInterface<LinkCase> {};

TEST_P(KeyboardLink, AnswersAsItsTableSays) {
  mivo::ResetScanState();
  const LinkCase& c = GetParam();
  EXPECT_EQ(mivo::KeybdMainProc(mivo::GetMainWindow(), c.message, 0, 0), c.result);
  EXPECT_EQ(mivo::keyboardState.LockedKey, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, KeyboardLink,
    ::testing::Values(LinkCase{os::WM_TIMER, mivo::NOT_MINE}, LinkCase{mivo::MM_AFTER_SELECT, -1},
                      LinkCase{mivo::MM_KEY_EVENT, -1}, LinkCase{mivo::MM_KEY_SELECTED, -1},
                      LinkCase{mivo::MM_GO_HOME, -1}, LinkCase{mivo::MM_GO_KEYBOARD, -1},
                      LinkCase{mivo::MM_GO_START, -1}, LinkCase{mivo::MM_SCAN_STEP, -1},
                      LinkCase{mivo::MM_KEY_REPAINT, -1}, LinkCase{mivo::MM_SET_HOME, -1},
                      LinkCase{mivo::MM_SET_START, -1}, LinkCase{mivo::MM_SET_KEYBOARD, -1},
                      LinkCase{mivo::MM_LOCK, 0},  // no text and no lock: nothing to toggle
                      LinkCase{mivo::MM_LOCK_REPEAT, -1},
                      // Posted by the keyboard but taken by no link, or by other links.
                      LinkCase{mivo::MM_AUTOSCAN_ON, mivo::NOT_MINE},
                      LinkCase{mivo::MM_GO_YOSOKU, mivo::NOT_MINE},
                      LinkCase{mivo::MM_GO_PYOSOKU, mivo::NOT_MINE},
                      LinkCase{mivo::MM_SET_PYOSOKU, mivo::NOT_MINE},
                      LinkCase{mivo::MM_RUN_MACRO, mivo::NOT_MINE},
                      LinkCase{mivo::MM_KEY_MOUSEMOVE, mivo::NOT_MINE}));

TEST_F(KeyboardMarksTest, ASelectionIsCountedThenEndsAfterItsTextAndIsRepainted) {
  mivo::KeybdMainProc(mivo::GetMainWindow(), mivo::MM_KEY_SELECTED, static_cast<os::WPARAM>(b_), 0);
  std::vector<std::pair<os::UINT, os::WPARAM>> posted;
  os::Msg msg{};
  while (os::PeekMessage(&msg, nullptr, 0, 0, os::PM_REMOVE))
    posted.push_back({msg.message, msg.wParam});
  const os::WPARAM b = static_cast<os::WPARAM>(b_);
  EXPECT_EQ(posted, (std::vector<std::pair<os::UINT, os::WPARAM>>{{mivo::MM_AFTER_SELECT, b},
                                                                  {mivo::MM_KEY_REPAINT, b}}));
}

TEST_F(KeyboardMarksTest, ARoleMessageBeyondAnyIndexIsNotCutDownToOne) {
  if constexpr (sizeof(os::WPARAM) > 4) {
    const os::WPARAM wide = (static_cast<os::WPARAM>(1) << 32) | static_cast<os::WPARAM>(a_);
    for (os::UINT message : {mivo::MM_SET_HOME, mivo::MM_SET_START, mivo::MM_SET_KEYBOARD}) {
      mivo::KeybdMainProc(mivo::GetMainWindow(), message, wide, 0);
    }
    EXPECT_EQ(mivo::keyboardState.HomeKey, 0);
    EXPECT_EQ(mivo::keyboardState.StartKey, 0);
    EXPECT_EQ(mivo::keyboardState.KeyboardKey, 0);
  }
  mivo::KeybdMainProc(mivo::GetMainWindow(), mivo::MM_SET_HOME, static_cast<os::WPARAM>(a_), 0);
  EXPECT_EQ(mivo::keyboardState.HomeKey, a_);
}

}  // namespace
