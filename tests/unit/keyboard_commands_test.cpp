// The keyboard commands through KeybdMacro, on a small key tree behind the real main
// window procedure (so that Lock's message reaches the keyboard link).
#include "keyboard/keyboard_commands.h"

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
#include "shell/links.h"

namespace {

class KeyboardCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    desktop::Reset();
    live_ = mivo::MemLiveCount();
    os::WndClass wc{};
    wc.lpfnWndProc = mivo::MainWndProc;
    wc.lpszClassName = "KeyboardCommandsMain";
    os::RegisterClass(wc);
    mivo::SetMainWindow(os::CreateWindowEx(0, "KeyboardCommandsMain", "main", os::WS_POPUP, 0, 0,
                                           100, 100, nullptr, nullptr, nullptr));
    ASSERT_TRUE(mivo::KeyTableInit());
    mivo::ResetScanState();
    mivo::settings.TimerWait = -8;
    mivo::settings.TimerFlag = 1;
    mivo::settings.LockIntervalSlow = 12;
    mivo::settings.LockIntervalQuick = 6;
    mivo::settings.LockInterval = 6;
    panel_ = Key(mivo::KT_PANEL, 0, 1);
    k12_ = Key(mivo::KT_KEY, panel_, 12);
    k7_ = Key(mivo::KT_KEY, panel_, 7);
    inert_ = Key(mivo::KT_INERT, panel_, 30);
  }
  void TearDown() override {
    mivo::ResetScanState();
    mivo::KeyTableFree();
    mivo::SetMainWindow(nullptr);
    EXPECT_EQ(mivo::MemLiveCount(), live_);
  }
  static int32_t Key(int32_t type, int32_t parent, int32_t id) {
    return mivo::CreateKey(type, parent, 0, 0, 0, 0, id, "", nullptr, nullptr, nullptr, nullptr,
                           nullptr, 0, 1);
  }
  // Every posted message number still queued for the main window, in order.
  static std::vector<os::UINT> Posted() {
    std::vector<os::UINT> out;
    os::Msg msg{};
    while (os::PeekMessage(&msg, nullptr, mivo::MM_QUIT, mivo::MM_RUN_MACRO, os::PM_REMOVE)) {
      if (msg.message != mivo::MM_KEY_EVENT && msg.message != mivo::MM_KEY_REPAINT)
        out.push_back(msg.message);
    }
    return out;
  }

  int32_t live_ = 0;
  int32_t panel_ = 0, k12_ = 0, k7_ = 0, inert_ = 0;
};

struct Reading {
  const char* text;
  int32_t id;  // the id it names, 0 for none
};

class FirstNumber : public KeyboardCommands, public ::testing::WithParamInterface<Reading> {};
class WholeNumber : public KeyboardCommands, public ::testing::WithParamInterface<Reading> {};

TEST_P(FirstNumber, NamesTheKey) {
  const Reading& r = GetParam();
  EXPECT_EQ(mivo::KeyByFirstNumber(r.text), r.id ? mivo::FindKeyById(r.id) : 0)
      << (r.text ? r.text : "(null)");
}

TEST_P(WholeNumber, NamesTheKey) {
  const Reading& r = GetParam();
  EXPECT_EQ(mivo::KeyByWholeNumber(r.text), r.id ? mivo::FindKeyById(r.id) : 0)
      << (r.text ? r.text : "(null)");
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FirstNumber,
    ::testing::Values(Reading{"12", 12}, Reading{"key12", 12}, Reading{"-12", 12},
                      Reading{"7abc12", 7}, Reading{"id 7.9", 7}, Reading{"abc", 0}, Reading{"", 0},
                      Reading{nullptr, 0}, Reading{"13", 0},
                      // Too long for an id: names nothing rather than wrapping.
                      Reading{"4294967308", 0}));

INSTANTIATE_TEST_SUITE_P(Texts, WholeNumber,
                         ::testing::Values(Reading{"12", 12}, Reading{"12.7", 12},
                                           Reading{"12.", 12}, Reading{"007", 7},
                                           Reading{"key12", 0}, Reading{"12a", 0},
                                           Reading{"1.2.3", 0}, Reading{".5", 0}, Reading{"", 0},
                                           Reading{nullptr, 0}, Reading{"-12", 0},
                                           Reading{"4294967308", 0}));

TEST_F(KeyboardCommands, CodesOutsideTheTableAreNotMine) {
  for (os::WPARAM code : {0u, 257u, 512u, 515u, 520u, 528u, 539u, 543u, 544u, 548u, 1025u}) {
    EXPECT_EQ(mivo::KeybdMacro(code, "12"), mivo::NOT_MINE) << code;
  }
  EXPECT_TRUE(Posted().empty());
}

TEST_F(KeyboardCommands, ACommandWithoutItsArgumentDoesNothing) {
  for (os::WPARAM code :
       {mivo::KC_HIDE, mivo::KC_SET_HOME, mivo::KC_SET_KEYBOARD, mivo::KC_SET_PYOSOKU,
        mivo::KC_SET_YOSOKU, mivo::KC_SHOW, mivo::KC_SET_FOCUS, mivo::KC_SELECT_KEY, mivo::KC_LOCK,
        mivo::KC_LOCK_SLOW, mivo::KC_LOCK_QUICK}) {
    EXPECT_EQ(mivo::KeybdMacro(code, nullptr), -1) << code;
  }
  EXPECT_TRUE(Posted().empty());
  EXPECT_EQ(mivo::settings.LockInterval, 6);
  EXPECT_EQ(mivo::keyboardState.CurrentKey, 0);
  EXPECT_TRUE(desktop::InjectedEvents().empty());
}

TEST_F(KeyboardCommands, HideAndShowReadTheFirstNumber) {
  EXPECT_EQ(mivo::KeybdMacro(mivo::KC_HIDE, "key12"), -1);
  EXPECT_TRUE(mivo::GetKey(k12_)->flags & mivo::KF_HIDDEN);
  EXPECT_EQ(mivo::KeybdMacro(mivo::KC_HIDE, "no digit"), -1);
  EXPECT_FALSE(mivo::GetKey(k7_)->flags & mivo::KF_HIDDEN);
  EXPECT_EQ(mivo::KeybdMacro(mivo::KC_SHOW, "key12"), -1);
  EXPECT_FALSE(mivo::GetKey(k12_)->flags & mivo::KF_HIDDEN);
}

TEST_F(KeyboardCommands, SetFocusReadsTheWholeNumber) {
  mivo::KeybdMacro(mivo::KC_SET_FOCUS, "key12");
  EXPECT_EQ(mivo::keyboardState.CurrentKey, 0) << "not a whole number";
  mivo::KeybdMacro(mivo::KC_SET_FOCUS, "12.7");
  EXPECT_EQ(mivo::keyboardState.CurrentKey, k12_);
}

TEST_F(KeyboardCommands, RolesAreSetOnlyForKeysThatExist) {
  mivo::KeybdMacro(mivo::KC_SET_HOME, "7");
  mivo::KeybdMacro(mivo::KC_SET_HOME, "99");
  EXPECT_EQ(mivo::keyboardState.HomeKey, k7_);
  mivo::KeybdMacro(mivo::KC_SET_KEYBOARD, "key12");
  mivo::KeybdMacro(mivo::KC_SET_KEYBOARD, "none");
  EXPECT_EQ(mivo::keyboardState.KeyboardKey, k12_);
}

TEST_F(KeyboardCommands, PanelCommandsRefreshTheirCandidatesEvenForAnUnknownKey) {
  mivo::KeybdMacro(mivo::KC_SET_PYOSOKU, "99");
  mivo::KeybdMacro(mivo::KC_SET_YOSOKU, "99");
  EXPECT_EQ(Posted(),
            (std::vector<os::UINT>{mivo::MM_PREDICT_CANDIDATES, mivo::MM_IME_CANDIDATES}));
}

TEST_F(KeyboardCommands, FocusMovesArePosted) {
  mivo::KeybdMacro(mivo::KC_GO_HOME, nullptr);
  mivo::KeybdMacro(mivo::KC_GO_KEYBOARD, nullptr);
  mivo::KeybdMacro(mivo::KC_GO_PYOSOKU, nullptr);
  mivo::KeybdMacro(mivo::KC_GO_YOSOKU, nullptr);
  EXPECT_EQ(Posted(), (std::vector<os::UINT>{mivo::MM_GO_HOME, mivo::MM_GO_KEYBOARD,
                                             mivo::MM_GO_PYOSOKU, mivo::MM_GO_YOSOKU}));
}

TEST_F(KeyboardCommands, SelectKeyOnAnInertKeyFocusesItsParentAndSelectsNothing) {
  EXPECT_EQ(mivo::KeybdMacro(mivo::KC_SELECT_KEY, "30"), -1);
  EXPECT_EQ(mivo::keyboardState.CurrentKey, panel_);
  EXPECT_TRUE(Posted().empty());
  mivo::KeybdMacro(mivo::KC_SELECT_KEY, "7");
  EXPECT_EQ(mivo::keyboardState.CurrentKey, k7_);
  EXPECT_EQ(Posted(), (std::vector<os::UINT>{mivo::MM_KEY_SELECTED}));
}

TEST_F(KeyboardCommands, ToggleAutoScanFlipsAndAnnouncesTheHomeKey) {
  mivo::keyboardState.HomeKey = k7_;
  mivo::keyboardState.TickCount = 3;
  EXPECT_EQ(mivo::KeybdMacro(mivo::KC_TOGGLE_AUTO_SCAN, nullptr), -1);
  EXPECT_EQ(mivo::settings.TimerFlag, 0);
  EXPECT_EQ(mivo::keyboardState.RefocusOnce, 1);
  EXPECT_EQ(mivo::keyboardState.TickCount, -8);
  EXPECT_TRUE(Posted().empty());
  mivo::keyboardState.RefocusOnce = 0;
  mivo::KeybdMacro(mivo::KC_TOGGLE_AUTO_SCAN, nullptr);
  EXPECT_EQ(mivo::settings.TimerFlag, 1);
  EXPECT_EQ(mivo::keyboardState.RefocusOnce, 0);
  os::Msg msg{};
  ASSERT_TRUE(
      os::PeekMessage(&msg, nullptr, mivo::MM_AUTOSCAN_ON, mivo::MM_AUTOSCAN_ON, os::PM_REMOVE));
  EXPECT_EQ(msg.wParam, static_cast<os::WPARAM>(k7_));
}

struct LockCommandCase {
  os::WPARAM code;
  os::LRESULT starting, ending;  // the command's result when it starts and ends a lock
  int32_t interval;
};

class LockCommand : public KeyboardCommands,
                    public ::testing::WithParamInterface<LockCommandCase> {};

TEST_P(LockCommand, AnswersAndSetsTheInterval) {
  const LockCommandCase& c = GetParam();
  mivo::FocusKey(k12_);
  EXPECT_EQ(mivo::KeybdMacro(c.code, "Down"), c.starting);
  EXPECT_EQ(mivo::keyboardState.LockedKey, k12_);
  EXPECT_EQ(mivo::settings.LockInterval, c.interval);
  EXPECT_EQ(mivo::KeybdMacro(c.code, "Down"), c.ending);
  EXPECT_EQ(mivo::keyboardState.LockedKey, 0);
}

INSTANTIATE_TEST_SUITE_P(Words, LockCommand,
                         ::testing::Values(LockCommandCase{mivo::KC_LOCK, -3, -2, 6},
                                           LockCommandCase{mivo::KC_LOCK_SLOW, -1, -1, 12},
                                           LockCommandCase{mivo::KC_LOCK_QUICK, -1, -1, 6}));

TEST_F(KeyboardCommands, LockSlowThenLockQuickChangesTheRunningInterval) {
  mivo::settings.LockIntervalQuick = 4;
  mivo::FocusKey(k12_);
  mivo::KeybdMacro(mivo::KC_LOCK_SLOW, "Down");
  EXPECT_EQ(mivo::settings.LockInterval, 12);
  mivo::KeybdMacro(mivo::KC_LOCK_QUICK, "Down");  // ends the lock, keeps the quick interval
  EXPECT_EQ(mivo::settings.LockInterval, 4);
  EXPECT_EQ(mivo::keyboardState.LockedKey, 0);
}

TEST_F(KeyboardCommands, AFailedReloadQuitsAroundItsBoxAndKeepsRolesAndColourSets) {
  ASSERT_TRUE(mivo::ColorSetTableInit());
  ASSERT_NE(mivo::CreateColorSet(5, 1, 2, 3, 4, 5, 6, 7, 8, 9), 0);
  mivo::keyboardState.HomeKey = k7_;
  mivo::FocusKey(k12_);
  EXPECT_EQ(mivo::KeybdMacro(mivo::KC_LOAD_CFG_C, "absent.cfg"), -1);
  EXPECT_EQ(mivo::keyboardState.KeyCount, 0) << "the keys are gone";
  EXPECT_EQ(mivo::keyboardState.ColorSetCount, 1);
  EXPECT_EQ(mivo::keyboardState.HomeKey, k7_);
  EXPECT_EQ(mivo::keyboardState.CurrentKey, k12_);
  const auto boxes = desktop::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].type, os::MB_OK | os::MB_TOPMOST);
  EXPECT_EQ(Posted(), (std::vector<os::UINT>{mivo::MM_QUIT, mivo::MM_QUIT}));
  mivo::ColorSetTableFree();
}

}  // namespace
