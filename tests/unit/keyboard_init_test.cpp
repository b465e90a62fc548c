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
#include "support/sjis.h"

namespace {

class KeyboardInitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    desktop::Reset();
    live_ = mivo::MemLiveCount();
    mivo::FrameWidth = 2;
    mivo::MetricsMode = 1;
    mivo::HeightScale = 10000;
    mivo::ForceMouseMove = 0;
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
  mivo::ForceMouseMove = c.force;
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
  EXPECT_NE(mivo::KeyFont, nullptr);
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

TEST_F(KeyboardInitTest, FinishReleasesEverything) {
  desktop::WriteFile("mivo_key.cfg", "color(1){normal=1 fnormal=2} key(1){} key(2){parent=1}");
  ASSERT_EQ(mivo::KeybdInit(main_, nullptr), 1);
  EXPECT_EQ(mivo::KeybdFinish(), 1);
  EXPECT_EQ(mivo::DllMain(nullptr, 1, nullptr), 1);
  EXPECT_EQ(mivo::KeyCount, 0);
  EXPECT_EQ(mivo::ColorSetCount, 0);
  EXPECT_EQ(mivo::KeyFont, nullptr);
  EXPECT_EQ(desktop::DestroyedCount(mivo::KEY_WINDOW_CLASS), 2);
  EXPECT_EQ(mivo::GetKey(1), nullptr);
}

}  // namespace
