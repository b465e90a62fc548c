// The default working folder (data/) as shipped: it starts cleanly, every kana of the
// table has its key, every label fits its key on every page, and the pages switch.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/settings.h"
#include "keyboard/key_tree.h"
#include "platform/headless/desktop.h"
#include "shell/app.h"
#include "support/scenario.h"
#include "support/sjis.h"

using testing_support::Sjis;
using testing_support::Utf8;

namespace {

using testing_support::ShippedFile;

// The shipped folder, with the extra settings lines appended (a later line wins).
void PrepareDefaultFolder(const std::string& extraSettings = "") {
  desktop::Reset();
  desktop::WriteFile("settings.txt", ShippedFile("settings.txt") + extraSettings);
  desktop::WriteFile("mivo_key.cfg", ShippedFile("mivo_key.cfg"));
  for (const char* name : {"ApplicationList.txt", "PredCore/Name", "PredCore/Macro"})
    desktop::WriteFile(name, ShippedFile(name));
}

int32_t KeyNamed(const std::string& utf8) {
  const std::string name = Sjis(utf8);
  for (int32_t k = 1; k <= mivo::keyboardState.KeyCount; ++k) {
    const mivo::KeyRecord* key = mivo::GetKey(k);
    if (key && key->window && name == key->name) return k;
  }
  return 0;
}

// Clicks the middle of a shown key, as the user's hand on the mouse would.
void ClickKey(const std::string& utf8) {
  const mivo::KeyRecord* key = mivo::GetKey(KeyNamed(utf8));
  ASSERT_NE(key, nullptr) << utf8 << " is not shown";
  const os::Rect r = desktop::Info(key->window).rect;
  desktop::Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

// Every shown key's text lies inside the key, within its frame; returns the offenders.
std::vector<std::string> LabelsOutsideTheirKeys() {
  std::vector<std::string> bad;
  for (int32_t k = 1; k <= mivo::keyboardState.KeyCount; ++k) {
    const mivo::KeyRecord* key = mivo::GetKey(k);
    if (!key || !key->window || key->name[0] == '\0') continue;
    const os::Rect r = desktop::Info(key->window).rect;
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    bool drawn = false;
    for (const desktop::DrawOp& op : desktop::Drawing(key->window)) {
      if (op.kind != desktop::DrawOp::Text) continue;
      drawn = true;
      if (op.rect.left < mivo::settings.FrameWidth ||
          op.rect.right > w - mivo::settings.FrameWidth ||
          op.rect.top < mivo::settings.FrameWidth ||
          op.rect.bottom > h - mivo::settings.FrameWidth) {
        bad.push_back(Utf8(key->name) + " (" + std::to_string(w) + "x" + std::to_string(h) + ")");
      }
    }
    if (!drawn) bad.push_back(Utf8(key->name) + " (never drawn)");
  }
  return bad;
}

TEST(DefaultKeyboard, StartsCleanlyAndLeavesNoLogOrCounterFile) {
  PrepareDefaultFolder();
  desktop::QuitAt(5'000);
  EXPECT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_TRUE(desktop::MessageBoxes().empty()) << Utf8(desktop::MessageBoxes().front().text);
  EXPECT_FALSE(desktop::FileExists("LogFile.txt"));
  EXPECT_FALSE(desktop::FileExists("Counter.txt"));
}

TEST(DefaultKeyboard, SettingsSuitAOneSwitchUser) {
  PrepareDefaultFolder();
  ASSERT_EQ(mivo::LoadSettings(), 1);
  EXPECT_EQ(mivo::settings.TimerFlag, 1) << "automatic scanning from the start";
  EXPECT_EQ(mivo::settings.TimerWait, -8) << "the longer pause after a selection stays";
  EXPECT_EQ(mivo::settings.LoggingMode, 0);
  EXPECT_EQ(mivo::settings.CounterMode, 0);
  EXPECT_EQ(mivo::settings.MetricsMode, 1);
  EXPECT_EQ(mivo::settings.PressKey, 29) << "the non-convert key";
  mivo::ReleaseSettingTexts();
}

TEST(DefaultKeyboard, EveryKanaHasOneKeyThatAddsItToTheReading) {
  const char* const kana[] = {
      "あいうえお", "かきくけこ", "さしすせそ", "たちつてと", "なにぬねの", "はひふへほ",
      "まみむめも", "やゆよ",     "らりるれろ", "わをんー",   "がぎぐげご", "ざじずぜぞ",
      "だぢづでど", "ばびぶべぼ", "ぱぴぷぺぽ", "っゃゅょゎ", "ぁぃぅぇぉ", "、。「」・？！",
  };
  PrepareDefaultFolder();
  std::vector<std::string> missing, doubled;
  desktop::At(1'000, [&] {
    for (const char* row : kana) {
      const std::string bytes = Sjis(row);
      for (size_t i = 0; i < bytes.size(); i += 2) {
        const std::string macro = "AddRead(" + bytes.substr(i, 2) + ")";
        int found = 0;
        for (int32_t k = 1; k <= mivo::keyboardState.KeyCount; ++k) {
          const mivo::KeyRecord* key = mivo::GetKey(k);
          if (key && macro == key->onselected && bytes.substr(i, 2) == key->name) ++found;
        }
        if (found == 0) missing.push_back(Utf8(bytes.substr(i, 2)));
        if (found > 1) doubled.push_back(Utf8(bytes.substr(i, 2)));
      }
    }
  });
  desktop::QuitAt(1'500);
  desktop::Run(mivo::MivoMain);
  EXPECT_TRUE(missing.empty()) << testing::PrintToString(missing);
  EXPECT_TRUE(doubled.empty()) << testing::PrintToString(doubled);
}

// Each page key shows its page; every label of every page fits its key.
TEST(DefaultKeyboard, EveryPageShowsWithEveryLabelInsideItsKey) {
  struct Page {
    const char* key;     // the page key that shows it
    const char* sample;  // a key only this page has
  };
  const Page pages[] = {
      {"英数", "Q"}, {"マウス", "左ダブル"}, {"機能", "単語登録"}, {"かな", "ぬ"}};
  // The pointer chooses the key, so a click selects exactly the key under it.
  PrepareDefaultFolder("TimerFlag = False\r\n");
  std::vector<std::string> report;
  desktop::At(1'000, [&] {
    for (const std::string& bad : LabelsOutsideTheirKeys()) report.push_back("kana: " + bad);
  });
  uint64_t at = 1'500;
  for (const Page& page : pages) {
    desktop::At(at, [&page] { ClickKey(page.key); });
    desktop::At(at + 1'000, [&page, &report] {
      if (KeyNamed(page.sample) == 0) report.push_back(std::string(page.key) + ": page not shown");
      for (const std::string& bad : LabelsOutsideTheirKeys())
        report.push_back(std::string(page.key) + ": " + bad);
    });
    at += 1'500;
  }
  desktop::QuitAt(at);
  EXPECT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_TRUE(report.empty()) << testing::PrintToString(report);
}

// What the keyboard shows: every key with a window, where and under which text (the
// keys of a group do not overlap, so their order among siblings shows nothing).
std::vector<std::string> ShownKeys() {
  std::vector<std::string> shown;
  for (int32_t k = 1; k <= mivo::keyboardState.KeyCount; ++k) {
    const mivo::KeyRecord* key = mivo::GetKey(k);
    if (!key || !key->window) continue;
    const desktop::WindowInfo info = desktop::Info(key->window);
    shown.push_back(std::to_string(key->id) + " " + std::to_string(info.rect.left) + "," +
                    std::to_string(info.rect.top) + "," + std::to_string(info.rect.right) + "," +
                    std::to_string(info.rect.bottom) + " " + info.title +
                    (info.visible ? "" : " hidden"));
  }
  return shown;
}

// A page shown again gets back the windows it had: nothing is made, and the keyboard
// shows exactly what it showed the first time.
TEST(DefaultKeyboard, APageShownAgainMakesNoWindows) {
  PrepareDefaultFolder("TimerFlag = False\r\n");
  std::vector<std::string> atStart, first[2], second[2];
  desktop::At(900, [&] { atStart = ShownKeys(); });
  int madeFirst = 0, madeSecond = 0;
  const char* pages[2] = {"英数", "かな"};
  for (int round = 0; round < 2; ++round) {
    for (int p = 0; p < 2; ++p) {
      const uint64_t at = 1'000 + 1'000 * (2 * round + p);
      desktop::At(at, [=] { ClickKey(pages[p]); });
      desktop::At(at + 500, [&, round, p] {
        (round == 0 ? first : second)[p] = ShownKeys();
        (round == 0 ? madeFirst : madeSecond) = desktop::CreatedCount(mivo::KEY_WINDOW_CLASS);
      });
    }
  }
  desktop::QuitAt(5'000);
  EXPECT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_EQ(madeSecond, madeFirst);
  for (int p = 0; p < 2; ++p) EXPECT_EQ(second[p], first[p]) << pages[p];
  EXPECT_EQ(first[1], atStart) << "the kana page as the start made it";
  EXPECT_GT(first[0].size(), 40u);
}

}  // namespace
