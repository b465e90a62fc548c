// Polling the twelve keys: a changed toggle bit is a press, in table order.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "sweep/keys.h"

namespace {

using mivo::sweep::SweepKeyTable;

constexpr int kF12 = 0x7B, kRight = 0x27, kLeft = 0x25, kUp = 0x26, kDown = 0x28;
constexpr int kPad0 = 0x60, kPad3 = 0x63, kPad5 = 0x65, kF13 = 0x7C;

struct Keyboard {
  uint8_t state[256] = {};
  // A press and release flips the toggle bit, as the system does.
  void Press(int vk) { state[vk] ^= 1; }
};

std::vector<int> Poll(SweepKeyTable& table, const Keyboard& kb) {
  int fired[mivo::sweep::kSweepKeyCount];
  const int n = mivo::sweep::PollSweepKeys(table, kb.state, fired);
  return std::vector<int>(fired, fired + n);
}

SweepKeyTable FreshTable(const Keyboard& kb) {
  SweepKeyTable table;
  mivo::sweep::FillSweepKeyTable(table);
  mivo::sweep::StoreSweepToggles(table, kb.state);
  return table;
}

TEST(SweepKeys, EachKeyFiresItsOwnIndex) {
  const struct {
    int vk;
    int index;
  } cases[] = {{kF12, 0}, {kRight, 1}, {kLeft, 2}, {kUp, 3},  {kDown, 4},  {kPad0, 5},
               {0x61, 6}, {0x62, 7},   {kPad3, 8}, {0x64, 9}, {kPad5, 10}, {kF13, 11}};
  for (const auto& c : cases) {
    Keyboard kb;
    SweepKeyTable table = FreshTable(kb);
    kb.Press(c.vk);
    EXPECT_EQ(Poll(table, kb), std::vector<int>{c.index}) << "vk " << c.vk;
  }
}

TEST(SweepKeys, OtherKeysDoNothing) {
  Keyboard kb;
  SweepKeyTable table = FreshTable(kb);
  for (int vk : {0x0D, 0x20, 0x41, 0x66, 0x7A, 0x7D, 0x1D}) kb.Press(vk);
  EXPECT_TRUE(Poll(table, kb).empty());
}

TEST(SweepKeys, SeveralPressesActInTableOrderWhateverTheirTiming) {
  Keyboard kb;
  SweepKeyTable table = FreshTable(kb);
  kb.Press(kF13);
  kb.Press(kPad3);
  kb.Press(kRight);
  kb.Press(kF12);
  EXPECT_EQ(Poll(table, kb), (std::vector<int>{0, 1, 8, 11}));
}

TEST(SweepKeys, TwoPressesInOneTickCancelOut) {
  Keyboard kb;
  SweepKeyTable table = FreshTable(kb);
  kb.Press(kRight);
  kb.Press(kRight);
  kb.Press(kUp);
  EXPECT_EQ(Poll(table, kb), std::vector<int>{3});
}

TEST(SweepKeys, APressIsSeenOnceThenRemembered) {
  Keyboard kb;
  SweepKeyTable table = FreshTable(kb);
  kb.Press(kLeft);
  EXPECT_EQ(Poll(table, kb), std::vector<int>{2});
  EXPECT_TRUE(Poll(table, kb).empty());
  kb.Press(kLeft);  // toggles back to 0: still a press
  EXPECT_EQ(Poll(table, kb), std::vector<int>{2});
}

TEST(SweepKeys, TogglesAtStartAreNotPresses) {
  Keyboard kb;
  kb.Press(kF12);
  kb.Press(kDown);
  SweepKeyTable table = FreshTable(kb);
  EXPECT_TRUE(Poll(table, kb).empty());
}

TEST(SweepKeys, OnlyTheToggleBitCounts) {
  Keyboard kb;
  SweepKeyTable table = FreshTable(kb);
  kb.state[kRight] |= 0x80;  // held down, but not toggled
  EXPECT_TRUE(Poll(table, kb).empty());
  kb.state[kRight] = 0x81;
  EXPECT_EQ(Poll(table, kb), std::vector<int>{1});
}

TEST(SweepKeys, KeypadSteps) {
  const struct {
    int index;
    int16_t step;
  } cases[] = {{5, 1}, {6, 2}, {7, 4},  {8, 10}, {9, 15}, {10, 20},
               {0, 0}, {4, 0}, {11, 0}, {-1, 0}, {12, 0}};
  for (const auto& c : cases) EXPECT_EQ(mivo::sweep::SweepStepForKey(c.index), c.step) << c.index;
}

}  // namespace
