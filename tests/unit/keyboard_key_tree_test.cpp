#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/bus.h"
#include "base/messages.h"
#include "base/settings.h"
#include "base/text.h"
#include "keyboard/key_tree.h"
#include "keyboard/keyboard.h"
#include "keyboard/painting.h"
#include "keyboard/scanning.h"
#include "platform/headless/desktop.h"
#include "support/keyboard_fixture.h"

namespace {

// A main window of 1000 x 340 client pixels at the bottom of a 1024 x 768 screen, with
// the key tables, the key window class and the metrics in place.
class KeyboardTreeTest : public testing_support::KeyboardFixture {
 protected:
  void SetUp() override {
    KeyboardFixture::SetUp();
    OpenMain(1000, 340);
  }

  static int32_t Key(int32_t type, int32_t parent, int32_t id, uint32_t x = 0, uint32_t y = 0,
                     uint32_t cx = 10000, uint32_t cy = 10000, int32_t visible = 1) {
    return mivo::CreateKey(type, parent, x, y, cx, cy, id, "k", nullptr, nullptr, nullptr, nullptr,
                           nullptr, 0, visible);
  }

  using Events = std::vector<std::pair<intptr_t, intptr_t>>;
  Events Posted(os::UINT only) {
    Events out;
    os::Msg msg{};
    // Only that message: an unpainted window would answer WM_PAINT for ever.
    while (os::PeekMessage(&msg, nullptr, only, only, os::PM_REMOVE)) {
      out.push_back({static_cast<intptr_t>(msg.wParam), msg.lParam});
    }
    return out;
  }
};

TEST_F(KeyboardTreeTest, DeletedSlotsAreReusedAndTheCountIsAHighWaterMark) {
  for (int32_t id = 1; id <= 5; ++id) ASSERT_EQ(Key(mivo::KT_NO_WINDOW, 0, id), id);
  mivo::DeleteKey(3);
  EXPECT_EQ(mivo::keyboardState.KeyCount, 5);
  EXPECT_EQ(mivo::GetKey(3), nullptr);
  EXPECT_EQ(Key(mivo::KT_NO_WINDOW, 0, 30), 3) << "the lowest free slot";
  mivo::DeleteKey(5);
  EXPECT_EQ(mivo::keyboardState.KeyCount, 4);
  EXPECT_EQ(Key(mivo::KT_NO_WINDOW, 0, 50), 5);
}

// Lookups by id and the choice of slot keep their meaning (the lowest free slot; the
// lowest slot holding the id) through any mix of creations and deletions, duplicate ids
// and holes included, checked against a plain walk of the table.
TEST_F(KeyboardTreeTest, SlotsAndIdLookupsMatchAWalkOfTheTable) {
  const auto walkForId = [](int32_t id) {
    for (int32_t k = 1; k <= mivo::keyboardState.KeyCount; ++k) {
      if (mivo::GetKey(k) && mivo::GetKey(k)->id == id) return k;
    }
    return 0;
  };
  const auto walkForSlot = [] {
    for (int32_t k = 1; k <= mivo::keyboardState.KeyCount; ++k) {
      if (!mivo::GetKey(k)) return k;
    }
    return mivo::keyboardState.KeyCount + 1;
  };
  uint32_t r = 12345;
  for (int step = 0; step < 3000; ++step) {
    r = r * 1103515245u + 12345u;
    const int32_t id = static_cast<int32_t>(r >> 16) % 40;
    if ((r >> 8) % 3 != 0) {
      const int32_t expected = walkForSlot();
      ASSERT_EQ(Key(mivo::KT_NO_WINDOW, 0, id), expected) << "step " << step;
    } else {
      mivo::DeleteKey(1 + static_cast<int32_t>(r >> 12) % (mivo::keyboardState.KeyCount + 1));
    }
    for (int32_t any = 0; any < 40; ++any)
      ASSERT_EQ(mivo::FindKeyById(any), walkForId(any)) << "step " << step << " id " << any;
  }
}

TEST_F(KeyboardTreeTest, The2049thKeyIsRefused) {
  for (int32_t id = 1; id <= mivo::KEY_TABLE_SIZE; ++id)
    ASSERT_EQ(Key(mivo::KT_NO_WINDOW, 0, id), id);
  EXPECT_EQ(Key(mivo::KT_NO_WINDOW, 0, 9999), 0);
  EXPECT_EQ(mivo::keyboardState.KeyCount, mivo::KEY_TABLE_SIZE);
  mivo::DeleteKey(100);
  EXPECT_EQ(Key(mivo::KT_NO_WINDOW, 0, 9999), 100);
}

TEST_F(KeyboardTreeTest, The65thColourSetIsRefused) {
  for (int32_t id = 1; id <= mivo::COLOR_SET_TABLE_SIZE; ++id) {
    ASSERT_EQ(mivo::CreateColorSet(id, 1, 2, 3, 4, 5, 6, 7, 8, 9), id);
  }
  EXPECT_EQ(mivo::CreateColorSet(65, 1, 2, 3, 4, 5, 6, 7, 8, 9), 0);
  EXPECT_EQ(mivo::FindColorSetById(65), 0);
}

TEST_F(KeyboardTreeTest, DeletingAllKeysEndsEvenWithAHoleBelowTheTop) {
  for (int32_t id = 1; id <= 5; ++id) Key(mivo::KT_KEY, 0, id);
  mivo::DeleteKey(4);
  mivo::DeleteKey(5);  // the count drops to 4, whose slot is empty
  ASSERT_EQ(mivo::keyboardState.KeyCount, 4);
  mivo::DeleteAllKeys();
  EXPECT_EQ(mivo::keyboardState.KeyCount, 0);
  EXPECT_EQ(desktop::DestroyedCount(mivo::KEY_WINDOW_CLASS), 5);
}

TEST_F(KeyboardTreeTest, LookupsTakeTheLowestIndex) {
  int32_t a = Key(mivo::KT_KEY, 0, 7);
  int32_t b = Key(mivo::KT_KEY, 0, 7);
  ASSERT_LT(a, b);
  EXPECT_EQ(mivo::FindKeyById(7), a);
  EXPECT_EQ(mivo::FindKeyByWindow(mivo::GetKey(b)->window), b);
  EXPECT_EQ(mivo::FindKeyByWindow(nullptr), 0);
  EXPECT_EQ(mivo::FindKeyById(8), 0);
  EXPECT_TRUE(mivo::IsMivoWindow(main_));
  EXPECT_TRUE(mivo::IsMivoWindow(mivo::GetKey(a)->window));
  EXPECT_FALSE(mivo::IsMivoWindow(nullptr));
}

TEST_F(KeyboardTreeTest, InvalidIndexesDoNothing) {
  Key(mivo::KT_KEY, 0, 1);
  for (int32_t k : {-1, 0, 2, 5000}) {
    EXPECT_EQ(mivo::GetKey(k), nullptr) << k;
    EXPECT_EQ(mivo::ShowKey(k), 0) << k;
    EXPECT_EQ(mivo::HideKey(k), 0) << k;
    EXPECT_EQ(mivo::SetKeyText(k, "x"), 0) << k;
    EXPECT_EQ(mivo::PaintKey(k), 0) << k;
    EXPECT_EQ(mivo::SetFocusFlags(k), 0) << k;
    mivo::DeleteKey(k);
  }
  EXPECT_EQ(mivo::keyboardState.KeyCount, 1);
}

struct TreeRuleCase {
  int32_t parentType;  // 0: no parent
  int32_t childType;
  bool made;
};

class KeyboardTreeRules : public KeyboardTreeTest,
                          public ::testing::WithParamInterface<TreeRuleCase> {};

TEST_P(KeyboardTreeRules, PagesBelongToContainersOnly) {
  const TreeRuleCase& c = GetParam();
  int32_t parent = 0;
  if (c.parentType == mivo::KT_PAGE) {
    parent = Key(mivo::KT_PAGE, Key(mivo::KT_CONTAINER, 0, 2), 1);
  } else if (c.parentType != 0) {
    parent = Key(c.parentType, 0, 1);
  }
  ASSERT_TRUE(c.parentType == 0 || parent != 0);
  EXPECT_EQ(Key(c.childType, parent, 10) != 0, c.made)
      << "parent type " << c.parentType << ", child type " << c.childType;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeyboardTreeRules,
    ::testing::Values(TreeRuleCase{0, mivo::KT_KEY, true}, TreeRuleCase{0, mivo::KT_PAGE, true},
                      TreeRuleCase{mivo::KT_CONTAINER, mivo::KT_PAGE, true},
                      TreeRuleCase{mivo::KT_CONTAINER, mivo::KT_KEY, false},
                      TreeRuleCase{mivo::KT_CONTAINER, mivo::KT_CONTAINER, false},
                      TreeRuleCase{mivo::KT_PANEL, mivo::KT_PAGE, false},
                      TreeRuleCase{mivo::KT_PANEL, mivo::KT_KEY, true},
                      TreeRuleCase{mivo::KT_PAGE, mivo::KT_KEY, true},
                      TreeRuleCase{mivo::KT_PAGE, mivo::KT_PAGE, false}));

TEST_F(KeyboardTreeTest, TextsAreCopiedAndMissingTextsAreEmpty) {
  std::string name = "abc";
  int32_t k = mivo::CreateKey(3, 0, 0, 0, 100, 100, 1, name.c_str(), "f", nullptr, nullptr, nullptr,
                              "sel", 0, 1);
  name[0] = 'X';
  const mivo::KeyRecord* key = mivo::GetKey(k);
  EXPECT_STREQ(key->name, "abc");
  EXPECT_STREQ(key->onfocus, "f");
  EXPECT_STREQ(key->onunfocus, "");
  EXPECT_STREQ(key->onselected, "sel");
  EXPECT_EQ(mivo::SetKeyText(k, "new"), 1);
  EXPECT_STREQ(mivo::GetKey(k)->name, "new");
}

TEST_F(KeyboardTreeTest, WalksFollowIndexOrder) {
  int32_t root = Key(mivo::KT_PANEL, 0, 1);
  int32_t a = Key(mivo::KT_INERT, root, 2);
  int32_t b = Key(mivo::KT_KEY, root, 3, 0, 0, 100, 100, 0);  // hidden
  int32_t other = Key(mivo::KT_KEY, 0, 4);
  int32_t c = Key(mivo::KT_KEY, root, 5);
  int32_t d = Key(mivo::KT_KEY, c, 6);
  EXPECT_EQ(mivo::FirstChild(root), a);
  EXPECT_EQ(mivo::NextSibling(a), b);
  EXPECT_EQ(mivo::NextSibling(c), 0);
  EXPECT_EQ(mivo::NextScanSibling(a), b) << "scan siblings may be hidden";
  EXPECT_EQ(mivo::NextVisibleSibling(a), c);
  EXPECT_EQ(mivo::FirstVisibleChild(root), a) << "a visible first child counts whatever its type";
  EXPECT_EQ(mivo::NextScanSibling(root), 0) << "top-level keys have no scan siblings";
  EXPECT_EQ(mivo::NextSibling(root), other);
  EXPECT_EQ(mivo::ParentOf(d), c);
  mivo::HideKey(a);
  EXPECT_EQ(mivo::FirstVisibleChild(root), c);
  EXPECT_EQ(mivo::FirstVisibleChild(d), 0);
}

TEST_F(KeyboardTreeTest, DeleteChildKeysRemovesTheWholeSubtreeOnly) {
  int32_t root = Key(mivo::KT_PANEL, 0, 1);
  int32_t a = Key(mivo::KT_PANEL, root, 2);
  Key(mivo::KT_KEY, a, 3);
  Key(mivo::KT_KEY, root, 4);
  int32_t outside = Key(mivo::KT_KEY, 0, 5);
  EXPECT_EQ(mivo::DeleteChildKeys(root), 1);
  EXPECT_NE(mivo::GetKey(root), nullptr);
  EXPECT_NE(mivo::GetKey(outside), nullptr);
  EXPECT_EQ(mivo::FirstChild(root), 0);
  EXPECT_EQ(mivo::FindKeyById(3), 0);
  EXPECT_EQ(desktop::DestroyedCount(mivo::KEY_WINDOW_CLASS), 3);
  EXPECT_EQ(desktop::Children(mivo::GetKey(root)->window).size(), 0u);
}

TEST_F(KeyboardTreeTest, HiddenKeysAndTheirChildrenHaveNoWindowsUntilShown) {
  int32_t panel = Key(mivo::KT_PANEL, 0, 1, 0, 0, 50000, 50000, 0);
  int32_t child = Key(mivo::KT_KEY, panel, 2);
  int32_t none = Key(mivo::KT_NO_WINDOW, panel, 3);
  EXPECT_EQ(mivo::GetKey(panel)->window, nullptr);
  EXPECT_EQ(mivo::GetKey(child)->window, nullptr);
  EXPECT_EQ(mivo::ShowKey(panel), 1);
  EXPECT_NE(mivo::GetKey(panel)->window, nullptr);
  EXPECT_NE(mivo::GetKey(child)->window, nullptr);
  EXPECT_EQ(mivo::GetKey(none)->window, nullptr) << "type 2 never has a window";
  EXPECT_EQ(desktop::Info(mivo::GetKey(child)->window).parent, mivo::GetKey(panel)->window);
  EXPECT_EQ(desktop::Info(mivo::GetKey(child)->window).style, 0x56000000u);
}

TEST_F(KeyboardTreeTest, OnlyOnePageOfAContainerHasAWindow) {
  int32_t box = Key(mivo::KT_CONTAINER, 0, 1, 0, 0, 50000, 100000);
  int32_t p1 = Key(mivo::KT_PAGE, box, 2);
  int32_t p2 = Key(mivo::KT_PAGE, box, 3);
  EXPECT_NE(mivo::GetKey(p1)->window, nullptr);
  EXPECT_EQ(mivo::GetKey(p2)->window, nullptr);
  EXPECT_EQ(mivo::ShowKey(p2), 1);
  EXPECT_EQ(mivo::GetKey(p1)->window, nullptr);
  EXPECT_TRUE(mivo::GetKey(p1)->flags & mivo::KF_HIDDEN);
  EXPECT_NE(mivo::GetKey(p2)->window, nullptr);
}

TEST_F(KeyboardTreeTest, HidingAFocusedSelectedKeyPostsItsLeavingEvents) {
  int32_t root = Key(mivo::KT_PANEL, 0, 1);
  int32_t mid = Key(mivo::KT_PANEL, root, 2);
  int32_t leaf = Key(mivo::KT_KEY, mid, 3);
  mivo::GetKey(leaf)->flags |= mivo::KF_READING;
  mivo::SetFocusFlags(leaf);
  mivo::SetSelectFlags(leaf);
  Posted(mivo::MM_KEY_EVENT);
  EXPECT_EQ(mivo::HideKey(leaf), 1);
  Events expected = {{leaf, mivo::KE_UNFOCUS},      {mid, mivo::KE_UNFOCUS},
                     {root, mivo::KE_UNFOCUS},      {leaf, mivo::KE_UNSELECT_MARK},
                     {mid, mivo::KE_UNSELECT_MARK}, {root, mivo::KE_UNSELECT_MARK}};
  EXPECT_EQ(Posted(mivo::MM_KEY_EVENT), expected);
  EXPECT_EQ(mivo::GetKey(leaf)->flags, mivo::KF_HIDDEN | mivo::KF_READING);
  mivo::ShowKey(leaf);
  EXPECT_EQ(mivo::GetKey(leaf)->flags, mivo::KF_READING);
}

TEST_F(KeyboardTreeTest, ColourSetsMakeBrushesAndPensOnlyForRealColours) {
  int32_t c =
      mivo::CreateColorSet(3, 0x00FFFFFF, 0x01000000, 0xFFFFFFFF, 0, 0x01FFFFFF, 0x123456, 1, 2, 3);
  const mivo::ColorSet* set = mivo::GetColorSet(c);
  ASSERT_NE(set, nullptr);
  EXPECT_NE(set->fillNormal, nullptr);
  EXPECT_EQ(set->fillFocus, nullptr);
  EXPECT_EQ(set->fillSelect, nullptr);
  EXPECT_NE(set->frameNormal, nullptr);
  EXPECT_EQ(set->frameFocus, nullptr);
  EXPECT_NE(set->frameSelect, nullptr);
  EXPECT_EQ(set->textSelect, 3u);
}

TEST_F(KeyboardTreeTest, FreeingTheColourSetsGivesBackTheirBrushesAndPens) {
  const int before = desktop::LiveGdiObjects();
  mivo::CreateColorSet(3, 0x00FFFFFF, 0x01000000, 0xFFFFFFFF, 0, 0x01FFFFFF, 0x123456, 1, 2, 3);
  mivo::CreateColorSet(4, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(desktop::LiveGdiObjects(), before + 3 + 6);
  mivo::ColorSetTableFree();
  EXPECT_EQ(desktop::LiveGdiObjects(), before);
}

}  // namespace
