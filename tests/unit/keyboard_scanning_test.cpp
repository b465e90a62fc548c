#include "keyboard/scanning.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "keyboard/key_tree.h"
#include "platform/headless/desktop.h"
#include "shell/bus.h"
#include "shell/messages.h"
#include "shell/text.h"

namespace {

using Events = std::vector<std::pair<intptr_t, intptr_t>>;  // (message, key, event) flattened below

class KeyboardMarksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    desktop::Reset();
    live_ = mivo::MemLiveCount();
    os::WndClass wc{};
    wc.lpfnWndProc = os::DefWindowProc;
    wc.lpszClassName = "KeyboardMarksMain";
    os::RegisterClass(wc);
    mivo::SetMainWindow(os::CreateWindowEx(0, "KeyboardMarksMain", "main", os::WS_POPUP, 0, 0, 100, 100,
                                           nullptr, nullptr, nullptr));
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
    return mivo::CreateKey(type, parent, 0, 0, 0, 0, 1, "", nullptr, nullptr, nullptr, nullptr, nullptr, 0, 1);
  }
  // Posted key events as (key, event kind); repaint requests as (key, MM_KEY_REPAINT).
  static Events Taken() {
    Events out;
    os::Msg msg{};
    while (os::PeekMessage(&msg, nullptr, mivo::MM_KEY_EVENT, mivo::MM_KEY_REPAINT, os::PM_REMOVE)) {
      if (msg.message == mivo::MM_KEY_EVENT) out.push_back({static_cast<intptr_t>(msg.wParam), msg.lParam});
      if (msg.message == mivo::MM_KEY_REPAINT) out.push_back({static_cast<intptr_t>(msg.wParam), mivo::MM_KEY_REPAINT});
    }
    return out;
  }
  static uint32_t Flags(int32_t k) { return mivo::GetKey(k)->flags; }

  int32_t live_ = 0;
  int32_t root_ = 0, group_ = 0, a_ = 0, inert_ = 0, b_ = 0, box_ = 0, p1_ = 0, p2_ = 0;
};

TEST_F(KeyboardMarksTest, FocusSpreadsUpAndStopsAtAMarkedAncestor) {
  EXPECT_EQ(mivo::SetFocusFlags(a_), 1);
  EXPECT_EQ(Taken(), (Events{{a_, mivo::KE_FOCUS}, {group_, mivo::KE_FOCUS}, {root_, mivo::KE_FOCUS}}));
  EXPECT_EQ(mivo::SetFocusFlags(b_), 1);
  EXPECT_EQ(Taken(), (Events{{b_, mivo::KE_FOCUS}})) << "the group already has the mark";
  EXPECT_EQ(mivo::SetFocusFlags(b_), 0);
  EXPECT_TRUE(Taken().empty());
  EXPECT_EQ(mivo::ClearFocusFlags(a_), 1);
  EXPECT_EQ(Taken(), (Events{{a_, mivo::KE_UNFOCUS}, {group_, mivo::KE_UNFOCUS}, {root_, mivo::KE_UNFOCUS}}));
  EXPECT_TRUE(Flags(b_) & mivo::KF_FOCUS) << "clearing does not look at siblings";
  EXPECT_EQ(mivo::ClearFocusFlags(a_), 0);
}

TEST_F(KeyboardMarksTest, SelectionMarksSpreadLikeFocus) {
  EXPECT_EQ(mivo::SetSelectFlags(b_), 1);
  EXPECT_EQ(Taken(), (Events{{b_, mivo::KE_SELECT_MARK}, {group_, mivo::KE_SELECT_MARK}, {root_, mivo::KE_SELECT_MARK}}));
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
  EXPECT_EQ(Taken(), (Events{{p2_, mivo::KE_FOCUS}, {box_, mivo::KE_FOCUS}, {root_, mivo::KE_FOCUS}}));
  EXPECT_EQ(Flags(p1_) & mivo::KF_FOCUS, 0u);
  EXPECT_EQ(mivo::ClearFocusFlags(box_), 0);
  EXPECT_EQ(Taken(), (Events{{p2_, mivo::KE_UNFOCUS}, {box_, mivo::KE_UNFOCUS}, {root_, mivo::KE_UNFOCUS}}));
}

}  // namespace
