#include <gtest/gtest.h>

#include <string>

#include "base/bus.h"
#include "base/settings.h"
#include "base/text.h"
#include "keyboard/key_tree.h"
#include "keyboard/painting.h"
#include "platform/headless/desktop.h"
#include "support/keyboard_fixture.h"

namespace {

// The key tables and window class over a main window at the bottom of a 1024 x 768
// screen whose client size each test chooses.
class KeyboardLayoutTest : public testing_support::KeyboardFixture {
 protected:
  static int32_t Key(int32_t type, int32_t parent, uint32_t x, uint32_t y, uint32_t cx, uint32_t cy,
                     const char* name = "k") {
    static int32_t nextId = 1;
    return mivo::CreateKey(type, parent, x, y, cx, cy, nextId++, name, nullptr, nullptr, nullptr,
                           nullptr, nullptr, 0, 1);
  }

  static os::Rect Stored(int32_t k) {
    const mivo::KeyRecord* key = mivo::GetKey(k);
    return {key->left, key->top, key->right, key->bottom};
  }
};

void ExpectRect(const os::Rect& got, const os::Rect& want, const std::string& what) {
  EXPECT_EQ(got.left, want.left) << what;
  EXPECT_EQ(got.top, want.top) << what;
  EXPECT_EQ(got.right, want.right) << what;
  EXPECT_EQ(got.bottom, want.bottom) << what;
}

// ---------------------------------------------------------------- metrics

struct MetricsCase {
  int mode;
  int width, height;
  uint32_t heightScale;
  int32_t medium;
  uint32_t layoutWidth, layoutHeight, fontHeight, fontScale;
};

class KeyboardMetrics : public KeyboardLayoutTest,
                        public ::testing::WithParamInterface<MetricsCase> {};

TEST_P(KeyboardMetrics, FollowTheMainWindowAndTheSettings) {
  const MetricsCase& c = GetParam();
  mivo::settings.MetricsMode = c.mode;
  mivo::keyboardState.HeightScale = c.heightScale;
  mivo::settings.MediumFontSize = c.medium;
  OpenMain(c.width, c.height);
  const std::string what = "mode " + std::to_string(c.mode) + " " + std::to_string(c.width) + "x" +
                           std::to_string(c.height) + " medium " + std::to_string(c.medium);
  EXPECT_EQ(mivo::keyboardState.LayoutWidth, c.layoutWidth) << what;
  EXPECT_EQ(mivo::keyboardState.LayoutHeight, c.layoutHeight) << what;
  EXPECT_EQ(mivo::keyboardState.FontHeight, c.fontHeight) << what;
  EXPECT_EQ(mivo::keyboardState.FontScale, c.fontScale) << what;
  EXPECT_NE(mivo::keyboardState.KeyFont, nullptr) << what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeyboardMetrics,
    ::testing::Values(MetricsCase{1, 1000, 340, 10000, 0, 1000, 340, 20, 1000},
                      MetricsCase{1, 1000, 340, 10000, 10, 1000, 340, 10, 500},
                      MetricsCase{1, 1000, 340, 20000, 0, 1000, 170, 10, 1000},
                      MetricsCase{1, 10, 340, 10000, 0, 10, 340, 10, 1000},
                      MetricsCase{2, 1000, 340, 10000, 0, 1024, 1020, 22, 1000},
                      MetricsCase{2, 1000, 340, 10000, 30, 1024, 1020, 30, 1363},
                      MetricsCase{2, 1000, 14, 10000, 12, 1024, 42, 0, 1000}));

TEST_F(KeyboardLayoutTest, OtherMetricsModesKeepTheLastFontHeight) {
  OpenMain(1000, 340);
  ASSERT_EQ(mivo::keyboardState.FontHeight, 20u);
  mivo::settings.MetricsMode = 3;
  os::SetWindowPos(main_, nullptr, 0, 0, 500, 100, os::SWP_NOZORDER);
  mivo::UpdateMetrics(main_);
  EXPECT_EQ(mivo::keyboardState.FontHeight, 20u);
  EXPECT_EQ(mivo::keyboardState.LayoutWidth, 1000u);
}

// ---------------------------------------------------------------- key rectangles

struct RectCase {
  const char* what;
  int mode;
  int frame;
  uint32_t x, y, cx, cy;
  bool inParent;  // inside a top-level panel whose client area is 404 x 336
  os::Rect expected;
};

class KeyboardRects : public KeyboardLayoutTest, public ::testing::WithParamInterface<RectCase> {};

TEST_P(KeyboardRects, LayOutFromTheFileUnits) {
  const RectCase& c = GetParam();
  mivo::settings.MetricsMode = c.mode;
  mivo::settings.FrameWidth = c.frame;
  OpenMain(1000, 340);
  int32_t parent = 0;
  if (c.inParent) {
    mivo::settings.FrameWidth = 2;
    parent = Key(mivo::KT_PANEL, 0, 0, 0, 40800, 100000);
    os::Rect client{};
    os::GetClientRect(mivo::GetKey(parent)->window, &client);
    if (c.mode == 1) {
      ASSERT_EQ(client.right, 404);
      ASSERT_EQ(client.bottom, 336);
    }
    mivo::settings.FrameWidth = c.frame;
  }
  int32_t k = Key(mivo::KT_KEY, parent, c.x, c.y, c.cx, c.cy);
  ExpectRect(Stored(k), c.expected, c.what);
  ExpectRect(mivo::LayoutKeyRect(k, parent), c.expected, c.what);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeyboardRects,
    ::testing::Values(
        RectCase{"top level", 1, 2, 1000, 2000, 10000, 50000, false, {101, 68, 197, 234}},
        RectCase{
            "top level without frame", 1, 0, 1000, 2000, 10000, 50000, false, {99, 66, 199, 236}},
        RectCase{"child: x counts in the parent's inner width",
                 1,
                 2,
                 100,
                 5000,
                 10000,
                 10000,
                 true,
                 {6, 168, 102, 198}},
        RectCase{"mode 2 uses the screen width",
                 2,
                 2,
                 10000,
                 20000,
                 30000,
                 40000,
                 false,
                 {104, 206, 407, 610}},
        RectCase{"mode 2 ignores the parent's size",
                 2,
                 2,
                 10000,
                 20000,
                 30000,
                 40000,
                 true,
                 {104, 206, 407, 610}}));

TEST_F(KeyboardLayoutTest, APageCoversItsContainerDownToTheTabStrip) {
  OpenMain(1000, 340);
  int32_t box = Key(mivo::KT_CONTAINER, 0, 0, 0, 50000, 100000);
  int32_t page = Key(mivo::KT_PAGE, box, 300, 400, 100, 100);
  EXPECT_EQ(mivo::GetKey(page)->x, 0u) << "a page's position is dropped";
  // The page's own fields now hold its tab (the container drew it); its window shows the
  // laid-out rectangle.
  desktop::WindowInfo pageInfo = desktop::Info(mivo::GetKey(page)->window);
  desktop::WindowInfo container = desktop::Info(mivo::GetKey(box)->window);
  ExpectRect({pageInfo.rect.left - container.rect.left, pageInfo.rect.top - container.rect.top,
              pageInfo.rect.right - container.rect.left, pageInfo.rect.bottom - container.rect.top},
             {0, 0, 496, 336 - 2 - 20}, "page");
}

// ---------------------------------------------------------------- fitting to children

TEST_F(KeyboardLayoutTest, AKeyWithoutSizeGrowsToItsChildrenAndTheMainWindowFollows) {
  OpenMain(1000, 340);
  int32_t panel = Key(mivo::KT_PANEL, 0, 1000, 0, 0, 0);
  Key(mivo::KT_KEY, panel, 0, 0, 20000, 30000);
  Key(mivo::KT_KEY, panel, 5000, 5000, 10000,
      0);  // no height of its own: its empty rectangle counts 0
  mivo::CreateKey(mivo::KT_KEY, panel, 9000, 9000, 90000, 90000, 77, "hidden", nullptr, nullptr,
                  nullptr, nullptr, nullptr, 0, 0);
  EXPECT_EQ(mivo::FitToChildren(panel), 1);
  // Width: origin 990 x 5000 / 10000 = 495 plus 10000 x 1000 / 100000 = 100; height: the
  // second child's origin 330 x 5000 / 10000 = 165. The panel itself starts at 99.
  ExpectRect(Stored(panel), {99, 0, 694, 165}, "panel");
  os::Rect r{};
  os::GetWindowRect(mivo::GetKey(panel)->window, &r);
  EXPECT_EQ(r.right - r.left, 595);
  EXPECT_EQ(r.bottom - r.top, 165);
  // The main window: tallest top-level key 165, plus 10; bottom edge kept, moved to x 0.
  os::GetWindowRect(main_, &r);
  ExpectRect(r, {0, 768 - 175, 1000, 768}, "main window");
  EXPECT_EQ(mivo::keyboardState.HeightScale, 10000u * 175u / 340u);
  EXPECT_EQ(mivo::FitToChildren(panel), 0) << "nothing left to change";
}

TEST_F(KeyboardLayoutTest, KeysWithASizeOrHiddenAreNotFitted) {
  OpenMain(1000, 340);
  int32_t sized = Key(mivo::KT_PANEL, 0, 0, 0, 50000, 50000);
  Key(mivo::KT_KEY, sized, 0, 0, 90000, 90000);
  int32_t hidden = mivo::CreateKey(mivo::KT_PANEL, 0, 0, 0, 0, 0, 500, "", nullptr, nullptr,
                                   nullptr, nullptr, nullptr, 0, 0);
  Key(mivo::KT_KEY, hidden, 0, 0, 90000, 90000);
  os::Rect before = Stored(sized);
  EXPECT_EQ(mivo::FitToChildren(sized), 0);
  EXPECT_EQ(mivo::FitToChildren(hidden), 0);
  ExpectRect(Stored(sized), before, "sized key");
}

// ---------------------------------------------------------------- hit tests on tabs

TEST_F(KeyboardLayoutTest, TabsHitTheirPagesInClientAndScreenCoordinates) {
  OpenMain(1000, 340);
  int32_t box = Key(mivo::KT_CONTAINER, 0, 0, 0, 50000, 100000);
  int32_t p1 = Key(mivo::KT_PAGE, box, 0, 0, 0, 0, "ab");
  int32_t p2 = Key(mivo::KT_PAGE, box, 0, 0, 0, 0, "abcd");
  ASSERT_EQ(mivo::ShowKey(p2), 1);  // paints the page and through it the container's tabs
  const mivo::KeyRecord* tab1 = mivo::GetKey(p1);
  const mivo::KeyRecord* tab2 = mivo::GetKey(p2);
  ASSERT_LT(tab1->left, tab1->right);
  EXPECT_EQ(tab1->right, tab2->left) << "the next tab starts where this one's outer edge ended";
  os::Window boxWindow = mivo::GetKey(box)->window;
  os::Point origin{0, 0};
  os::ClientToScreen(boxWindow, &origin);
  os::Point inMain{0, 0};
  os::ClientToScreen(main_, &inMain);
  const int midY = (tab1->top + tab1->bottom) / 2;
  struct Probe {
    int x, y;
    int32_t expected;
  } probes[] = {
      {tab1->left + 1, midY, p1},    {tab1->right - 1, midY, p1},
      {tab1->right + 1, midY, p2},   {tab2->right - 1, midY, p2},
      {tab1->left, midY, box},       {tab1->right, midY, box},  // edges belong to no tab
      {tab2->right + 20, midY, box}, {tab1->left + 1, tab1->top, box},
  };
  for (const Probe& p : probes) {
    EXPECT_EQ(mivo::KeyAtPoint(boxWindow, p.x, p.y), p.expected) << "client " << p.x << "," << p.y;
    EXPECT_EQ(mivo::KeyAtPoint(nullptr, origin.x + p.x, origin.y + p.y), p.expected)
        << "screen " << p.x << "," << p.y;
    EXPECT_EQ(mivo::KeyAtPoint(main_, origin.x - inMain.x + p.x, origin.y - inMain.y + p.y),
              p.expected)
        << "main client " << p.x << "," << p.y;
  }
  EXPECT_EQ(mivo::KeyAtPoint(boxWindow, 5, 5), p2)
      << "the page's window covers the container above the strip";
  desktop::MoveCursor(origin.x + tab1->left + 1, origin.y + midY);
  EXPECT_EQ(mivo::KeyUnderCursor(), p1);
  desktop::MoveCursor(1010, 10);
  EXPECT_EQ(mivo::KeyUnderCursor(), 0);
}

}  // namespace
