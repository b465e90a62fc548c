// Kana-kanji conversion as a switch user meets it: kana keys build a reading, its
// candidates stand on the conversion panel, and a chosen one is typed, learned and
// offered earlier the next time.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "keyboard/key_tree.h"
#include "platform/headless/desktop.h"
#include "shell/app.h"
#include "support/scenario.h"
#include "support/sjis.h"

using testing_support::PrepareFolder;
using testing_support::RunMacroAt;
using testing_support::Sjis;
using testing_support::Utf8;

namespace {

std::vector<std::string> Labels(int32_t panelId) {
  std::vector<std::string> out;
  for (int32_t k = mivo::FirstChild(mivo::FindKeyById(panelId)); k != 0; k = mivo::NextSibling(k))
    out.push_back(Utf8(mivo::GetKey(k)->name));
  return out;
}

TEST(ConversionScenario, AChosenCandidateIsTypedLearnedAndOfferedEarlier) {
  PrepareFolder("",
                "key(1){type=1 cx=100000 cy=100000}\n"
                "key(10){type=6 parent=1 cx=20000 cy=10000}\n"
                "key(20){type=1 parent=1 x=2000 cx=80000 cy=40000}\n"
                "home(1) yosoku(20) yomi(10)\n");
  desktop::WriteFile("word", Sjis("カンジ 感じ\r\nカンジ 漢字\r\n"));
  desktop::SetIme({"Microsoft IME Standard", {{Sjis("かんじ"), {Sjis("幹事"), Sjis("漢字")}}}});
  desktop::ForeignApp editor = desktop::StartForeignApp("Editor", "e");
  std::vector<std::vector<std::string>> seen;
  std::string reading;
  for (uint64_t at : {500u, 1500u}) {
    RunMacroAt(at, Sjis("AddRead(か) AddRead(ん) AddRead(じ)"));
    desktop::At(at + 300, [&] {
      seen.push_back(Labels(20));
      reading = Utf8(mivo::GetKey(mivo::FindKeyById(10))->name);
    });
  }
  RunMacroAt(1'000, "SelectKey(10003)");  // 感じ, after the two forms and 漢字
  desktop::QuitAt(2'000);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);

  ASSERT_EQ(seen.size(), 2u);
  // The reading's two forms lead; the mode key follows the candidates of a reading.
  EXPECT_EQ(seen[0],
            (std::vector<std::string>{"かんじ", "カンジ", "漢字", "感じ", "幹事", "IME候補"}));
  EXPECT_EQ(seen[1],
            (std::vector<std::string>{"かんじ", "カンジ", "感じ", "漢字", "幹事", "IME候補"}));
  EXPECT_EQ(reading, "カンジ");
  EXPECT_EQ(desktop::EditText(editor), Sjis("感じ"));
  EXPECT_EQ(desktop::ReadFile("Trans\\phrase"), Sjis("\t感じ\tカンジ\r\n"));
  EXPECT_EQ(desktop::ReadFile("Trans\\word"), Sjis("漢字\tカンジ\r\n感じ\tカンジ\r\n"));
}

}  // namespace
