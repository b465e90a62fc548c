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

namespace {

// The headless desktop has no resources: the dialog stands as the resource describes it.
void DefineWordDialog() {
  desktop::DialogTemplate dialog;
  dialog.title = Sjis("単語登録");
  const os::DWORD field = os::WS_CHILD | os::WS_VISIBLE | os::WS_TABSTOP;
  dialog.items = {{1000, "EDIT", "", field, {76, 31, 220, 54}},
                  {1002, "EDIT", "", field, {76, 75, 220, 98}},
                  {1003, "BUTTON", Sjis("登録"), field, {55, 132, 130, 155}},
                  {1004, "BUTTON", Sjis("閉じる"), field, {154, 132, 229, 155}}};
  desktop::DefineDialog(102, dialog);
}

TEST(ConversionScenario, ARegisteredWordIsTheFirstDictionaryCandidate) {
  PrepareFolder("",
                "key(1){type=1 cx=100000 cy=100000}\n"
                "key(20){type=1 parent=1 cx=100000 cy=40000}\n"
                "home(1) yosoku(20)\n");
  desktop::WriteFile("Trans\\word", Sjis("感じ\tカンジ\r\n漢字\tカンジ\r\n"));
  DefineWordDialog();
  desktop::ForeignApp editor = desktop::StartForeignApp("Editor", "e");
  os::Window dialog = nullptr;
  RunMacroAt(500, "RegisterWord()");
  desktop::At(700, [&] {
    dialog = desktop::Find("#32770", Sjis("単語登録"));
    os::SetDlgItemText(dialog, 1000, Sjis("幹事").c_str());
    os::SetDlgItemText(dialog, 1002, Sjis("かんじ").c_str());
    desktop::ClickButton(os::GetDlgItem(dialog, 1003));
  });
  RunMacroAt(800, "RegisterWord()");  // the open dialog comes forward; no second one
  desktop::At(900, [&] { desktop::ClickButton(os::GetDlgItem(dialog, 1004)); });
  std::vector<std::string> labels;
  RunMacroAt(1'000, Sjis("AddRead(かんじ)"));
  desktop::At(1'300, [&] { labels = Labels(20); });
  desktop::QuitAt(1'500);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);

  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(desktop::CreatedCount("#32770"), 1);
  EXPECT_EQ(desktop::Find("#32770", Sjis("単語登録")), nullptr) << "closed";
  EXPECT_EQ(os::GetForegroundWindow(), editor.window);
  ASSERT_GE(labels.size(), 3u);
  EXPECT_EQ(labels[2], "幹事");
  EXPECT_EQ(desktop::ReadFile("Trans\\word"),
            Sjis("感じ\tカンジ\r\n漢字\tカンジ\r\n幹事\tカンジ\r\n"));
}

}  // namespace
