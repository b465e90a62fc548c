#include <gtest/gtest.h>

#include <string>

#include "base/bus.h"
#include "base/messages.h"
#include "base/settings.h"
#include "base/text.h"
#include "keyboard/key_tree.h"
#include "keyboard/keyboard.h"
#include "keyboard/painting.h"
#include "platform/headless/desktop.h"
#include "support/keyboard_fixture.h"
#include "support/scenario.h"
#include "support/sjis.h"

namespace {

class KeyboardInitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    desktop::Reset();
    live_ = mivo::MemLiveCount();
    mivo::settings.FrameWidth = 2;
    mivo::settings.MetricsMode = 1;
    mivo::keyboardState.HeightScale = 10000;
    mivo::settings.ForceMouseMove = 0;
    main_ = testing_support::OpenPlainMainWindow(0, 568, 1000, 200);
  }
  void TearDown() override {
    mivo::KeybdFinish();
    mivo::SetMainWindow(nullptr);
    EXPECT_EQ(mivo::MemLiveCount(), live_) << "blocks leaked";
  }
  static bool Posted(os::UINT message) {
    os::Msg msg{};
    return os::PeekMessage(&msg, nullptr, message, message, os::PM_REMOVE) != 0;
  }
  os::Window main_ = nullptr;
  int32_t live_ = 0;
};

struct PointerCase {
  int32_t force;
  int cursorX, cursorY;
  bool moves;
  os::DWORD dx, dy;
};

class KeyboardInitPointer : public KeyboardInitTest,
                            public ::testing::WithParamInterface<PointerCase> {};

TEST_P(KeyboardInitPointer, PlacesThePointerByRelativeMoves) {
  const PointerCase& c = GetParam();
  mivo::settings.ForceMouseMove = c.force;
  desktop::WriteFile("mivo_key.cfg", "key(1){cx=100000 cy=100000}\n");
  desktop::MoveCursor(c.cursorX, c.cursorY);
  desktop::ClearInjectedEvents();
  ASSERT_EQ(mivo::KeybdInit(main_, nullptr), 1);
  auto events = desktop::InjectedEvents();
  if (!c.moves) {
    EXPECT_TRUE(events.empty()) << "ForceMouseMove " << c.force;
    return;
  }
  ASSERT_EQ(events.size(), 1u);
  EXPECT_FALSE(events[0].keyboard);
  EXPECT_EQ(events[0].flags, os::MOUSEEVENTF_MOVE);
  EXPECT_EQ(events[0].dx, c.dx);
  EXPECT_EQ(events[0].dy, c.dy);
}

// The keys do not exist yet when the pointer is placed: 1 never finds one under it.
INSTANTIATE_TEST_SUITE_P(
    Cases, KeyboardInitPointer,
    ::testing::Values(PointerCase{0, 100, 100, false, 0, 0},
                      PointerCase{2, 100, 100, true, 1000 - 100 - 16, 768 - 100 - 16},
                      PointerCase{2, 500, 700, true, 1000 - 500 - 16, 768 - 700 - 16},
                      PointerCase{1, 500, 700, false, 0, 0},
                      PointerCase{3, 100, 100, false, 0, 0}));

TEST_F(KeyboardInitTest, ReadsTheColourFileThenTheKeyFileAndPostsGoStart) {
  mivo::SetSettingFileName("settings.txt");
  desktop::WriteFile("settings.txt", "ColorCfgFile = \"c.cfg\"\r\nKeyCfgFile = \"k.cfg\"\r\n");
  ASSERT_EQ(mivo::LoadSettings(), 1);
  desktop::WriteFile("c.cfg", "color(5){normal=ff0000}\n");
  desktop::WriteFile("k.cfg", "key(1){colorset=5 name=\"" + testing_support::Sjis("あ") + "\"}\n");
  ASSERT_EQ(mivo::KeybdInit(main_, nullptr), 1);
  EXPECT_EQ(mivo::GetKey(1)->colorSet, mivo::FindColorSetById(5));
  EXPECT_NE(mivo::GetKey(1)->window, nullptr);
  EXPECT_NE(mivo::keyboardState.KeyFont, nullptr);
  EXPECT_TRUE(Posted(mivo::MM_GO_START));
  EXPECT_TRUE(mivo::IsMivoWindow(mivo::GetKey(1)->window));
  mivo::ReleaseSettingTexts();
}

TEST_F(KeyboardInitTest, AFailingKeyFileShowsTheKeyboardBoxAndFails) {
  desktop::WriteFile("mivo_key.cfg", "nokey(1)");
  EXPECT_EQ(mivo::KeybdInit(main_, nullptr), 0);
  auto boxes = desktop::MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].text, testing_support::Sjis("キーボードの設定に失敗しました"));
  EXPECT_EQ(boxes[1].caption, "Mivo Error");
  EXPECT_EQ(boxes[1].type, os::MB_OK);
  EXPECT_FALSE(Posted(mivo::MM_GO_START));
}

// Windows held back until the main window has its size stand, once made, exactly as
// windows made while the file was read: pages that wait, hidden keys, keys fitted to
// their children, keys below the root, and the shipped keyboard.
TEST_F(KeyboardInitTest, WindowsMadeLaterStandAsWindowsMadeAtOnce) {
  const std::string tree =
      "key(1){type=1 cx=100000 cy=100000}\n"
      "key(2){type=7 parent=1 x=6000 cx=40000 cy=90000}\n"
      "key(3){type=5 parent=2 name=\"A\"} key(4){type=5 parent=2 name=\"B\"}\n"
      "key(5){parent=3 x=1000 y=1000 cx=20000 cy=30000 name=\"C\"}\n"
      "key(6){parent=4 x=1000 y=1000 cx=20000 cy=30000 name=\"D\"}\n"
      "key(7){type=1 parent=1 x=1000 y=1000 cx=0 cy=0}\n"
      "key(8){parent=7 x=500 y=500 cx=10000 cy=10000 name=\"E\"}\n"
      "key(9){parent=7 x=1000 y=2000 cx=10000 cy=10000 name=\"F\" visible=0}\n"
      "key(10){parent=1 x=5000 y=5000 cx=10000 cy=10000 name=\"G\"}\n"
      "key(11){cx=10000 cy=10000 name=\"top\"}\n";
  // Then the second page shows, replacing the first, a key shown fits its parent, and one
  // shown again comes to the top of its siblings.
  const auto read = [this] {
    EXPECT_EQ(mivo::KeybdInit(main_, nullptr), 1);
    mivo::ShowKey(mivo::FindKeyById(4));
    mivo::ShowKey(mivo::FindKeyById(8));
    mivo::ShowKey(mivo::FindKeyById(10));
  };
  for (const std::string& file : {tree, testing_support::ShippedFile("mivo_key.cfg")}) {
    desktop::WriteFile("mivo_key.cfg", file);
    read();
    const auto atOnce = testing_support::KeyWindows(false);
    mivo::KeybdFinish();
    const int made = desktop::CreatedCount(mivo::KEY_WINDOW_CLASS);
    const int gone = desktop::DestroyedCount(mivo::KEY_WINDOW_CLASS);
    mivo::MakeKeyWindowsLater();
    read();
    EXPECT_EQ(desktop::CreatedCount(mivo::KEY_WINDOW_CLASS), made) << "none yet";
    mivo::MakeKeyWindowsNow();
    EXPECT_EQ(testing_support::KeyWindows(false), atOnce);
    EXPECT_EQ(desktop::CreatedCount(mivo::KEY_WINDOW_CLASS) - made,
              static_cast<int>(atOnce.size()));
    EXPECT_EQ(desktop::DestroyedCount(mivo::KEY_WINDOW_CLASS), gone);
    mivo::KeybdFinish();
  }
}

TEST_F(KeyboardInitTest, FinishReleasesEverything) {
  desktop::WriteFile("mivo_key.cfg", "color(1){normal=1 fnormal=2} key(1){} key(2){parent=1}");
  ASSERT_EQ(mivo::KeybdInit(main_, nullptr), 1);
  EXPECT_EQ(mivo::KeybdFinish(), 1);
  EXPECT_EQ(mivo::DllMain(nullptr, 1, nullptr), 1);
  EXPECT_EQ(mivo::keyboardState.KeyCount, 0);
  EXPECT_EQ(mivo::keyboardState.ColorSetCount, 0);
  EXPECT_EQ(mivo::keyboardState.KeyFont, nullptr);
  EXPECT_EQ(desktop::DestroyedCount(mivo::KEY_WINDOW_CLASS), 2);
  EXPECT_EQ(mivo::GetKey(1), nullptr);
}

}  // namespace
