// The keyboard as the program builds it at start-up on the headless desktop: files read
// with nested loads, windows made for the tree, keys drawn in their colour states, and
// subtrees hidden and shown again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "keyboard/key_tree.h"
#include "keyboard/painting.h"
#include "keyboard/scanning.h"
#include "platform/headless/desktop.h"
#include "shell/app.h"
#include "support/scenario.h"
#include "support/sjis.h"

using testing_support::Sjis;

namespace {

constexpr os::Colour RED = 0x0000FF, GREEN = 0x00FF00, BLUE = 0xFF0000;

void PrepareKeyboard(const desktop::Config& config = desktop::Config()) {
  desktop::Reset(config);
  desktop::WriteFile("settings.txt", "ColorCfgFile = \"colors.cfg\"\r\nFrameWidth = 2\r\n");
  desktop::WriteFile(
      "colors.cfg",
      "# the one colour set\n"
      "color(1){normal=ff0000 focus=00ff00 select=0000ff fnormal=101010 ffocus=202020\n"
      "         fselect=303030 tnormal=ffffff tfocus=000001 tselect=000002}\n");
  desktop::WriteFile("mivo_key.cfg",
                     "key(1){type=1 cx=100000 cy=100000 colorset=1}\n"
                     "load(100){file=\"group.cfg\"}\n"
                     "key(2){type=7 parent=1 x=6000 cx=40000 cy=90000 colorset=1}\n"
                     "key(3){type=5 parent=2 name=\"" +
                         Sjis("あ") +
                         "\" colorset=1}\n"
                         "key(4){type=5 parent=2 name=\"" +
                         Sjis("かな") +
                         "\" colorset=1}\n"
                         "home(1) start(102)\n");
  desktop::WriteFile(
      "group.cfg",
      "key(1){type=1 cx=50000 cy=90000 colorset=1}\n"
      "key(2){parent=1 x=1000 y=1000 cx=20000 cy=30000 name=\"" +
          Sjis("漢字") +
          "\" colorset=1}\n"
          "key(3){parent=1 x=5000 y=1000 cx=20000 cy=30000 name=\"B\" colorset=1}\n"
          "key(4){parent=1 x=1000 y=6000 cx=20000 cy=30000 name=\"hidden\" visible=0}\n"
          "key(20){type=1 parent=1 x=5000 y=6000 cx=20000 cy=30000 colorset=1}\n"
          "load(20){file=\"deep.cfg\"}\n");
  desktop::WriteFile("deep.cfg", "key(1){parent=0 cx=10000 cy=10000 name=\"deep\" colorset=1}\n");
  testing_support::WriteEmptyCoreDictionary();
}

std::vector<desktop::DrawOp> Of(const std::vector<desktop::DrawOp>& ops,
                                desktop::DrawOp::Kind kind) {
  std::vector<desktop::DrawOp> out;
  for (const auto& op : ops) {
    if (op.kind == kind) out.push_back(op);
  }
  return out;
}

// Draws key k afresh in its current state and checks colours, frame and text position.
void ExpectDrawnIn(int32_t k, os::Colour fill, os::Colour frame, os::Colour text) {
  const mivo::KeyRecord* key = mivo::GetKey(k);
  ASSERT_NE(key, nullptr);
  ASSERT_NE(key->window, nullptr);
  desktop::ClearDrawing(key->window);
  mivo::RepaintIfChanged(k);
  const auto ops = desktop::Drawing(key->window);
  os::Rect r{};
  os::GetClientRect(key->window, &r);
  const auto frames = Of(ops, desktop::DrawOp::Frame);
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].colour, frame);
  EXPECT_EQ(frames[0].rect.right, r.right);
  EXPECT_EQ(frames[1].rect.right, r.right - 1);
  const auto fills = Of(ops, desktop::DrawOp::Fill);
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0].colour, fill);
  const auto texts = Of(ops, desktop::DrawOp::Text);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, std::string(key->name));
  EXPECT_EQ(texts[0].colour, text);
  const int tw = texts[0].rect.right - texts[0].rect.left;
  EXPECT_EQ(texts[0].rect.left, (2 + r.right - 2 - tw) / 2) << "centred inside the frame";
}

TEST(KeyboardStartupScenario, FilesBuildTheTreeAndKeysDrawTheirStates) {
  PrepareKeyboard();
  bool checked = false;
  desktop::At(300, [&] {
    checked = true;
    os::Window main = desktop::Find("MivoMain");
    ASSERT_NE(main, nullptr);
    // Two files nested under the keyboard file: ids 101..104, 120 and 121.
    for (int32_t id : {1, 2, 3, 4, 101, 102, 103, 104, 120, 121}) {
      EXPECT_NE(mivo::FindKeyById(id), 0) << id;
    }
    const mivo::KeyRecord* deep = mivo::GetKey(mivo::FindKeyById(121));
    EXPECT_EQ(deep->parent, mivo::FindKeyById(120)) << "nested bases add up";
    EXPECT_EQ(mivo::GetKey(mivo::FindKeyById(104))->window, nullptr) << "visible=0";
    EXPECT_EQ(mivo::GetKey(mivo::FindKeyById(4))->window, nullptr) << "the second page waits";
    for (int32_t id : {1, 2, 3, 101, 102, 103, 120, 121}) {
      const mivo::KeyRecord* key = mivo::GetKey(mivo::FindKeyById(id));
      ASSERT_NE(key->window, nullptr) << id;
      os::Window parent = key->parent ? mivo::GetKey(key->parent)->window : main;
      EXPECT_EQ(desktop::Info(key->window).parent, parent) << id;
      EXPECT_EQ(desktop::Info(key->window).className, "MivoKeybdKey2");
      EXPECT_EQ(desktop::Info(key->window).title, std::string(key->name));
    }

    const int32_t k = mivo::FindKeyById(103);  // 102, the start key, has the scan focus
    mivo::GetKey(k)->paintedFlags = 0xFF;      // force a fresh drawing of the normal state
    ExpectDrawnIn(k, RED, 0x101010, 0xFFFFFF);
    mivo::SetFocusFlags(k);
    ExpectDrawnIn(k, GREEN, 0x202020, 0x010000);  // 000001: the last pair is the blue byte
    mivo::SetSelectFlags(k);
    ExpectDrawnIn(k, BLUE, 0x303030, 0x020000);

    // The tabbed container shows its first page's tab raised.
    const int32_t box = mivo::FindKeyById(2);
    os::Window boxWindow = mivo::GetKey(box)->window;
    desktop::ClearDrawing(boxWindow);
    mivo::PaintKey(box);
    const auto tabTexts = Of(desktop::Drawing(boxWindow), desktop::DrawOp::Text);
    ASSERT_EQ(tabTexts.size(), 2u);
    EXPECT_EQ(tabTexts[0].text, Sjis("あ"));
    EXPECT_EQ(tabTexts[1].text, Sjis("かな"));
    os::Point origin{0, 0};
    os::ClientToScreen(boxWindow, &origin);
    const mivo::KeyRecord* tab2 = mivo::GetKey(mivo::FindKeyById(4));
    EXPECT_EQ(mivo::KeyAtPoint(nullptr, origin.x + tab2->left + 2, origin.y + tab2->top + 5),
              mivo::FindKeyById(4));
  });
  desktop::QuitAt(1000);
  EXPECT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_TRUE(checked);
  EXPECT_TRUE(desktop::MessageBoxes().empty()) << "no failure, no leak";
}

// Every resize remakes the key font while the keys' own contexts have drawn with the
// old one: the old font must still be deleted, not left behind once per resize.
TEST(KeyboardStartupScenario, ResizesLeaveNoFontBehind) {
  PrepareKeyboard();
  int before = -1, after = -1;
  desktop::At(300, [&] {
    os::Window main = desktop::Find("MivoMain");
    os::Rect r{};
    os::GetWindowRect(main, &r);
    before = desktop::LiveGdiObjects();
    for (int round = 1; round <= 3; ++round) {
      os::MoveWindow(main, r.left, r.top, r.right - r.left, r.bottom - r.top - 10 * round,
                     os::TRUE);
    }
    after = desktop::LiveGdiObjects();
  });
  desktop::QuitAt(1000);
  EXPECT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_GT(before, 0);
  EXPECT_EQ(after, before);
}

// Wine's maximised width is wider than the screen, so the docking narrows the main window
// just after the keys were read: their windows are made once, after it, where a later
// relayout, which makes them again, puts them.
TEST(KeyboardStartupScenario, DockingAtStartUpMakesEachKeyWindowOnce) {
  desktop::Config config;
  config.maximizedWidth = config.screenWidth + 8;
  PrepareKeyboard(config);
  bool checked = false;
  desktop::At(300, [&] {
    checked = true;
    os::Window main = desktop::Find("MivoMain");
    EXPECT_EQ(desktop::Info(main).rect.right, config.screenWidth) << "docked and narrowed";
    const auto atStart = testing_support::KeyWindows();
    const int made = desktop::CreatedCount(mivo::KEY_WINDOW_CLASS);
    const int gone = desktop::DestroyedCount(mivo::KEY_WINDOW_CLASS);
    EXPECT_EQ(gone, 0);
    EXPECT_EQ(made, static_cast<int>(atStart.size()));
    os::SendMessage(main, os::WM_SIZE, 0, 0);
    // The root, the container and the shown page: the other top-level keys stay.
    EXPECT_EQ(desktop::DestroyedCount(mivo::KEY_WINDOW_CLASS), 3)
        << "a later relayout makes them again";
    EXPECT_EQ(testing_support::KeyWindows(), atStart);
  });
  desktop::QuitAt(1000);
  EXPECT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_TRUE(checked);
}

TEST(KeyboardStartupScenario, HidingAndShowingASubtreeRemakesExactlyItsWindows) {
  PrepareKeyboard();
  bool checked = false;
  desktop::At(300, [&] {
    checked = true;
    const int32_t group = mivo::FindKeyById(101);
    const int created = desktop::CreatedCount("MivoKeybdKey2");
    const int destroyed = desktop::DestroyedCount("MivoKeybdKey2");
    EXPECT_EQ(mivo::HideKey(group), 1);
    // 101, 102, 103, 120 and 121 had windows; 104 never had one.
    EXPECT_EQ(desktop::DestroyedCount("MivoKeybdKey2") - destroyed, 5);
    EXPECT_EQ(desktop::CreatedCount("MivoKeybdKey2"), created);
    EXPECT_NE(mivo::GetKey(mivo::FindKeyById(1))->window, nullptr) << "the rest stays";
    EXPECT_EQ(mivo::ShowKey(group), 1);
    EXPECT_EQ(desktop::CreatedCount("MivoKeybdKey2") - created, 5);
    EXPECT_EQ(mivo::GetKey(mivo::FindKeyById(104))->window, nullptr)
        << "a hidden child stays hidden";
    EXPECT_NE(mivo::GetKey(mivo::FindKeyById(121))->window, nullptr);

    // Showing the second page hides the first: one window goes, one comes.
    const int before = desktop::CreatedCount("MivoKeybdKey2");
    const int gone = desktop::DestroyedCount("MivoKeybdKey2");
    mivo::ShowKey(mivo::FindKeyById(4));
    EXPECT_EQ(desktop::CreatedCount("MivoKeybdKey2") - before, 1);
    EXPECT_EQ(desktop::DestroyedCount("MivoKeybdKey2") - gone, 1);
    EXPECT_EQ(mivo::GetKey(mivo::FindKeyById(3))->window, nullptr);
  });
  desktop::QuitAt(1000);
  EXPECT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_TRUE(checked);
}

TEST(KeyboardStartupScenario, ABadKeyboardFileEndsStartUpWithTheTwoBoxes) {
  desktop::Reset();
  desktop::WriteFile("settings.txt", "");
  desktop::WriteFile("mivo_key.cfg", "key(1){}\nkey(1){}\n");
  desktop::QuitAt(5000);
  EXPECT_EQ(desktop::Run(mivo::MivoMain), -1);
  const auto boxes = desktop::MessageBoxes();
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_EQ(boxes[0].text, "Error on line 2 type 0 ID 1\nError Code 32\nNext String }");
  for (int i : {1, 2}) {
    EXPECT_EQ(boxes[i].text, Sjis("キーボードの設定に失敗しました")) << i;
    EXPECT_EQ(boxes[i].caption, "Mivo Error") << i;
    EXPECT_EQ(boxes[i].owner, nullptr) << i;
  }
}

TEST(KeyboardStartupScenario, AMissingKeyboardFileFailsWhileAMissingColourFileDoesNot) {
  desktop::Reset();
  desktop::WriteFile("settings.txt",
                     "ColorCfgFile = \"absent.cfg\"\r\nKeyCfgFile = \"absent_too.cfg\"\r\n");
  desktop::QuitAt(5000);
  EXPECT_EQ(desktop::Run(mivo::MivoMain), -1);
  const auto boxes = desktop::MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u) << "no reader report for a missing file";
  EXPECT_EQ(boxes[0].text, Sjis("キーボードの設定に失敗しました"));
}

TEST(KeyboardStartupScenario, AKeyboardFileNamedInJapaneseIsFound) {
  desktop::Reset();
  desktop::WriteFile("settings.txt", "KeyCfgFile = \"" + Sjis("ソフト.cfg") + "\"\r\n");
  testing_support::WriteEmptyCoreDictionary();
  desktop::WriteFile(Sjis("ソフト.cfg"),
                     "key(1){type=1 cx=100000 cy=100000}\nkey(7){parent=1 name=\"x\"}\n");
  bool checked = false;
  desktop::At(1000, [&] {
    EXPECT_NE(mivo::FindKeyById(7), 0);
    checked = true;
  });
  desktop::QuitAt(2000);
  EXPECT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_TRUE(checked);
  EXPECT_TRUE(desktop::MessageBoxes().empty());
}

}  // namespace
