// A keyboard without a file: the key tables, the key window class and the metrics
// settings in place, and a main window at the bottom of the 1024 x 768 screen.
#pragma once

#include <gtest/gtest.h>

#include "base/bus.h"
#include "base/settings.h"
#include "base/text.h"
#include "keyboard/key_tree.h"
#include "keyboard/painting.h"
#include "platform/headless/desktop.h"

namespace testing_support {

// A main window of a plain class (DefWindowProc), made the program's main window.
inline os::Window OpenPlainMainWindow(int x, int y, int width, int height, bool visible = true) {
  os::WndClass wc{};
  wc.lpfnWndProc = os::DefWindowProc;
  wc.lpszClassName = "KeyboardTestMain";
  os::RegisterClass(wc);  // already registered after the first call: that is fine
  os::Window w = os::CreateWindowEx(0, "KeyboardTestMain", "main",
                                    os::WS_POPUP | (visible ? os::WS_VISIBLE : 0), x, y, width,
                                    height, nullptr, nullptr, nullptr);
  mivo::SetMainWindow(w);
  return w;
}

class KeyboardFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    desktop::Reset();
    live_ = mivo::MemLiveCount();
    mivo::settings.FrameWidth = 2;
    mivo::settings.MetricsMode = 1;
    mivo::settings.MediumFontSize = 0;
    mivo::settings.FontBold = 0;
    mivo::keyboardState.HeightScale = 10000;
    ASSERT_TRUE(mivo::KeyTableInit());
    ASSERT_TRUE(mivo::ColorSetTableInit());
    ASSERT_TRUE(mivo::RegisterKeyWindowClass(nullptr));
  }

  void TearDown() override {
    mivo::KeyTableFree();
    mivo::ColorSetTableFree();
    mivo::DeleteKeyFont();
    mivo::SetMainWindow(nullptr);
    EXPECT_EQ(mivo::MemLiveCount(), live_) << "blocks leaked";
  }

  // The main window, `width` x `height`, standing on the bottom edge of the screen.
  void OpenMain(int width, int height) {
    main_ = OpenPlainMainWindow(0, 768 - height, width, height);
    mivo::SetKeyboardInstance(nullptr);
    mivo::UpdateMetrics(main_);
  }

  os::Window main_ = nullptr;
  int32_t live_ = 0;
};

}  // namespace testing_support
