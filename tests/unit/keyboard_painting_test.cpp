#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/bus.h"
#include "base/settings.h"
#include "base/text.h"
#include "keyboard/key_tree.h"
#include "keyboard/painting.h"
#include "platform/headless/desktop.h"
#include "support/keyboard_fixture.h"
#include "support/sjis.h"

namespace {

using Op = desktop::DrawOp;

constexpr os::Colour FILL[3] = {0x0000FF, 0x00FF00, 0xFF0000};
constexpr os::Colour FRAME[3] = {0x000011, 0x000022, 0x000033};
constexpr os::Colour TEXT[3] = {0x000101, 0x000202, 0x000303};

class KeyboardPaintingTest : public testing_support::KeyboardFixture {
 protected:
  void SetUp() override {
    KeyboardFixture::SetUp();
    OpenMain(1000, 340);
    colours_ = mivo::CreateColorSet(1, FILL[0], FILL[1], FILL[2], FRAME[0], FRAME[1], FRAME[2],
                                    TEXT[0], TEXT[1], TEXT[2]);
  }

  int32_t Key(int32_t type, int32_t parent, const char* name, int32_t colorSet, uint32_t cx = 20000,
              uint32_t cy = 30000) {
    return mivo::CreateKey(type, parent, 0, 0, cx, cy, ++lastId_, name, nullptr, nullptr, nullptr,
                           nullptr, nullptr, colorSet, 1);
  }

  // What PaintKey alone draws into the key's window.
  static std::vector<Op> Paint(int32_t k) {
    os::Window w = mivo::GetKey(k)->window;
    desktop::ClearDrawing(w);
    EXPECT_EQ(mivo::PaintKey(k), 1);
    return desktop::Drawing(w);
  }

  static std::vector<Op> Only(const std::vector<Op>& ops, Op::Kind kind) {
    std::vector<Op> out;
    for (const Op& op : ops) {
      if (op.kind == kind) out.push_back(op);
    }
    return out;
  }

  static os::Rect Client(int32_t k) {
    os::Rect r{};
    os::GetClientRect(mivo::GetKey(k)->window, &r);
    return r;
  }

  int32_t colours_ = 0;
  int32_t lastId_ = 0;
};

struct StateCase {
  const char* what;
  int32_t type;
  uint32_t flags;
  int state;  // the colours expected
  bool rightAligned;
};

class KeyboardPaintingStates : public KeyboardPaintingTest,
                               public ::testing::WithParamInterface<StateCase> {};

TEST_P(KeyboardPaintingStates, FrameFillAndTextInTheStateColours) {
  const StateCase& c = GetParam();
  int32_t k = Key(c.type, 0, "AB", colours_);
  mivo::GetKey(k)->flags |= c.flags;
  const os::Rect r = Client(k);
  const std::vector<Op> ops = Paint(k);

  std::vector<Op> frames = Only(ops, Op::Frame);
  ASSERT_EQ(frames.size(), 2u) << c.what;
  for (int pass = 0; pass < 2; ++pass) {
    EXPECT_TRUE(frames[pass].hollow) << c.what;
    EXPECT_EQ(frames[pass].colour, FRAME[c.state]) << c.what;
    EXPECT_EQ(frames[pass].rect.left, r.left + pass) << c.what;
    EXPECT_EQ(frames[pass].rect.bottom, r.bottom - pass) << c.what;
  }
  std::vector<Op> fills = Only(ops, Op::Fill);
  ASSERT_EQ(fills.size(), 1u) << c.what;
  EXPECT_EQ(fills[0].colour, FILL[c.state]) << c.what;
  EXPECT_EQ(fills[0].rect.left, r.left + 2) << c.what;
  EXPECT_EQ(fills[0].rect.right, r.right - 2) << c.what;

  std::vector<Op> texts = Only(ops, Op::Text);
  ASSERT_EQ(texts.size(), 1u) << c.what;
  const Op& text = texts[0];
  EXPECT_EQ(text.text, "AB");
  EXPECT_EQ(text.colour, TEXT[c.state]) << c.what;
  const int tw = text.rect.right - text.rect.left;
  const int th = text.rect.bottom - text.rect.top;
  const int innerLeft = r.left + 2, innerRight = r.right - 2;
  if (c.rightAligned) {
    EXPECT_EQ(text.rect.right, innerRight) << c.what << ": ends at the inner edge";
  } else {
    EXPECT_EQ(text.rect.left, (innerLeft + innerRight - tw) / 2) << c.what;
  }
  EXPECT_EQ(text.rect.top, (r.top + 2 + r.bottom - 2 - th) / 2) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeyboardPaintingStates,
    ::testing::Values(StateCase{"normal", mivo::KT_KEY, 0, 0, false},
                      StateCase{"focus", mivo::KT_KEY, mivo::KF_FOCUS, 1, false},
                      StateCase{"selected", mivo::KT_CANDIDATE, mivo::KF_SELECT, 2, false},
                      StateCase{"selected wins over focus", mivo::KT_KEY,
                                mivo::KF_FOCUS | mivo::KF_SELECT, 2, false},
                      StateCase{"inert keys keep normal colours", mivo::KT_INERT,
                                mivo::KF_FOCUS | mivo::KF_SELECT, 0, false},
                      StateCase{"reading key is right-aligned", mivo::KT_KEY,
                                mivo::KF_READING | mivo::KF_FOCUS, 1, true}));

TEST_F(KeyboardPaintingTest, TheKeyFontIsTheMinchoFaceInShiftJis) {
  for (int32_t bold : {0, 1}) {
    mivo::settings.FontBold = bold;
    mivo::UpdateMetrics(main_);
    const std::vector<Op> texts = Only(Paint(Key(mivo::KT_KEY, 0, "x", colours_)), Op::Text);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].fontFace, testing_support::Sjis("ＭＳ 明朝"));
    EXPECT_EQ(texts[0].fontHeight, 20);
    EXPECT_EQ(texts[0].fontWeight, bold ? 700 : 500);
    EXPECT_EQ(texts[0].charSet, 128u);
    EXPECT_EQ(texts[0].outPrecision, 7u);
  }
}

TEST_F(KeyboardPaintingTest, WithoutAFrameTheFillCoversTheWholeKey) {
  mivo::settings.FrameWidth = 0;
  int32_t k = Key(mivo::KT_PANEL, 0, "panel", colours_);
  const std::vector<Op> ops = Paint(k);
  EXPECT_TRUE(Only(ops, Op::Frame).empty());
  EXPECT_TRUE(Only(ops, Op::Text).empty()) << "panels have no text";
  ASSERT_EQ(Only(ops, Op::Fill).size(), 1u);
  const os::Rect r = Client(k);
  EXPECT_EQ(Only(ops, Op::Fill)[0].rect.right, r.right);
  EXPECT_EQ(Only(ops, Op::Fill)[0].rect.bottom, r.bottom);
}

TEST_F(KeyboardPaintingTest, AHugeFrameStopsWhereItMeetsItself) {
  mivo::settings.FrameWidth = 1000000000;
  int32_t k = Key(mivo::KT_KEY, 0, "x", colours_);
  const std::vector<Op> frames = Only(Paint(k), Op::Frame);
  const os::Rect r = Client(k);
  const int32_t half = (std::min(r.right - r.left, r.bottom - r.top) + 1) / 2;
  EXPECT_LE(static_cast<int32_t>(frames.size()), half);
  for (const Op& f : frames) {
    EXPECT_LT(f.rect.left, f.rect.right);
    EXPECT_LT(f.rect.top, f.rect.bottom);
  }
}

TEST_F(KeyboardPaintingTest, AbsentColoursLeaveThePixelsAndUseTheContextPen) {
  int32_t bare = Key(mivo::KT_KEY, 0, "x", 0);
  std::vector<Op> ops = Paint(bare);
  EXPECT_TRUE(Only(ops, Op::Fill).empty()) << "no brush: nothing is filled";
  ASSERT_EQ(Only(ops, Op::Frame).size(), 2u);
  EXPECT_EQ(Only(ops, Op::Frame)[0].colour, 0u) << "the stock black pen";
  EXPECT_EQ(Only(ops, Op::Text)[0].colour, 0u);
}

TEST_F(KeyboardPaintingTest, AStateWithoutAPenFramesWithThePenTheKeyLastHeld) {
  const os::Colour none = 0xFFFFFFFF;
  int32_t set = mivo::CreateColorSet(2, FILL[0], FILL[1], FILL[2], none, FRAME[1], none, TEXT[0],
                                     TEXT[1], TEXT[2]);
  int32_t k = Key(mivo::KT_KEY, 0, "x", set);
  mivo::GetKey(k)->flags |= mivo::KF_FOCUS;
  EXPECT_EQ(Only(Paint(k), Op::Frame).at(0).colour, FRAME[1]);
  mivo::GetKey(k)->flags &= ~mivo::KF_FOCUS;
  EXPECT_EQ(Only(Paint(k), Op::Frame).at(0).colour, FRAME[1]) << "the key's own context kept it";
}

TEST_F(KeyboardPaintingTest, APageIsOpenTowardsItsTab) {
  int32_t box = Key(mivo::KT_CONTAINER, 0, "", colours_, 50000, 100000);
  int32_t page = Key(mivo::KT_PAGE, box, "tab", colours_);
  const os::Rect r = Client(page);
  const std::vector<Op> ops = Paint(page);
  std::vector<Op> frames = Only(ops, Op::Frame);
  ASSERT_EQ(frames.size(), 2u);
  for (const Op& f : frames)
    EXPECT_EQ(f.rect.bottom, r.bottom + 2) << "bottom edge held below the window";
  EXPECT_EQ(frames[1].rect.top, r.top + 1);
  EXPECT_TRUE(Only(ops, Op::Text).empty()) << "the page's name is drawn on its tab";
  EXPECT_FALSE(Only(desktop::Drawing(mivo::GetKey(box)->window), Op::Text).empty())
      << "the container redrew its tabs";
}

TEST_F(KeyboardPaintingTest, TabStripWithTheSecondPageShown) {
  int32_t other =
      mivo::CreateColorSet(2, 0x111111, 0x222222, 0x333333, 0x444444, 0x555555, 0x666666, 7, 8, 9);
  int32_t box = Key(mivo::KT_CONTAINER, 0, "", other, 50000, 100000);
  int32_t p1 = Key(mivo::KT_PAGE, box, "ab", colours_);
  int32_t p2 = Key(mivo::KT_PAGE, box, "abcd", colours_);
  mivo::ShowKey(p2);
  const os::Rect r = Client(box);
  const std::vector<Op> ops = Paint(box);

  const mivo::KeyRecord* t1 = mivo::GetKey(p1);
  const mivo::KeyRecord* t2 = mivo::GetKey(p2);
  std::vector<Op> texts = Only(ops, Op::Text);
  ASSERT_EQ(texts.size(), 2u);
  const int w1 = texts[0].rect.right - texts[0].rect.left;
  const int w2 = texts[1].rect.right - texts[1].rect.left;
  EXPECT_EQ(t1->left, r.left);
  EXPECT_EQ(t1->right, r.left + w1 + 5);
  EXPECT_EQ(t2->left, r.left + w1 + 5) << "the second tab starts after the first name + 5";
  EXPECT_EQ(t2->right, t2->left + w2 + 5);
  EXPECT_EQ(t1->top, r.bottom - 20);
  EXPECT_EQ(t2->bottom, r.bottom);

  std::vector<Op> lines = Only(ops, Op::Line);
  ASSERT_EQ(lines.size(), 2u) << "border lines only above the shown tab";
  EXPECT_EQ(lines[0].rect.top, r.bottom - 21);
  EXPECT_EQ(lines[1].rect.top, r.bottom - 22);
  EXPECT_EQ(lines[0].rect.left, 0);
  EXPECT_EQ(lines[0].rect.right, r.right);

  std::vector<Op> fills = Only(ops, Op::Fill);
  ASSERT_EQ(fills.size(), 3u);
  EXPECT_EQ(fills[2].colour, 0x111111u) << "the rest of the strip in the container's colour";
  EXPECT_EQ(fills[2].rect.right, r.right);
  EXPECT_EQ(fills[2].rect.left, t2->right) << "from the last tab's outer edge";
}

TEST_F(KeyboardPaintingTest, AContainerWithoutPagesFillsItsWholeStrip) {
  int32_t box = Key(mivo::KT_CONTAINER, 0, "", colours_, 50000, 100000);
  const os::Rect r = Client(box);
  std::vector<Op> fills = Only(Paint(box), Op::Fill);
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0].rect.left, r.left);
  EXPECT_EQ(fills[0].rect.top, r.bottom - 20);
  EXPECT_EQ(fills[0].rect.right, r.right);
  EXPECT_EQ(fills[0].rect.bottom, r.bottom);
}

TEST_F(KeyboardPaintingTest, RepaintOnlyWhenTheFlagsChanged) {
  int32_t k = Key(mivo::KT_KEY, 0, "x", colours_);
  os::Window w = mivo::GetKey(k)->window;
  desktop::ClearDrawing(w);
  EXPECT_EQ(mivo::RepaintIfChanged(k), 0);
  EXPECT_TRUE(desktop::Drawing(w).empty());
  mivo::GetKey(k)->flags |= mivo::KF_FOCUS;
  EXPECT_EQ(mivo::RepaintIfChanged(k), 1);
  EXPECT_EQ(mivo::GetKey(k)->paintedFlags, mivo::KF_FOCUS);
  EXPECT_EQ(Only(desktop::Drawing(w), Op::Fill).at(0).colour, FILL[1]);
  desktop::ClearDrawing(w);
  EXPECT_EQ(mivo::RepaintIfChanged(k), 0);
  EXPECT_TRUE(desktop::Drawing(w).empty());
}

TEST_F(KeyboardPaintingTest, KeyWindowsPaintOnWmPaintAndNeverErase) {
  int32_t k = Key(mivo::KT_KEY, 0, "x", colours_);
  os::Window w = mivo::GetKey(k)->window;
  desktop::ClearDrawing(w);
  EXPECT_EQ(os::SendMessage(w, os::WM_ERASEBKGND, 0, 0), 0);
  EXPECT_TRUE(desktop::Drawing(w).empty());
  os::InvalidateRect(w, nullptr, os::TRUE);
  os::UpdateWindow(w);
  EXPECT_EQ(Only(desktop::Drawing(w), Op::Fill).size(), 1u);
  desktop::ClearDrawing(w);
  os::SendMessage(w, os::WM_PAINT, 0, 0);
  EXPECT_TRUE(desktop::Drawing(w).empty()) << "no update region: nothing to paint";
}

}  // namespace
