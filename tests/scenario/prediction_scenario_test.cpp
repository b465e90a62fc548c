// Prediction as its user meets it: the operation dictionaries follow the foreground
// application, key actions are learned into them, and the learned operations come back
// as candidate keys that run, learn and page.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "keyboard/key_tree.h"
#include "platform/headless/desktop.h"
#include "shell/app.h"
#include "support/scenario.h"

using testing_support::PrepareFolder;
using testing_support::RunMacroAt;

namespace {

// Event and text of the log lines whose event is one of prediction's.
std::vector<std::string> PredictionLog() {
  const std::string log = desktop::ReadFile("LogFile.txt");
  std::vector<std::string> out;
  for (size_t at = 0; at < log.size();) {
    size_t end = log.find("\r\n", at);
    if (end == std::string::npos) end = log.size();
    const std::string line = log.substr(at, end - at);
    const size_t tab = line.find('\t');
    const std::string rest = tab == std::string::npos ? "" : line.substr(tab + 1);
    for (const char* event : {"AppChk\t", "LoadDic\t", "LoadDicFinish\t", "ChangeDic\t"}) {
      if (rest.rfind(event, 0) == 0) out.push_back(rest);
    }
    at = end + 2;
  }
  return out;
}

size_t Lines(const std::string& text) {
  size_t n = 0;
  for (char c : text) n += c == '\n' ? 1 : 0;
  return n;
}

// The names of the keys on a panel, in scan order.
std::vector<std::string> Labels(int32_t panelId) {
  std::vector<std::string> out;
  for (int32_t k = mivo::FirstChild(mivo::FindKeyById(panelId)); k != 0; k = mivo::NextSibling(k))
    out.push_back(mivo::GetKey(k)->name);
  return out;
}

void ClickAt(uint64_t ms, int x, int y) {
  desktop::At(ms, [x, y] { desktop::Click(x, y); });
}

constexpr char kPanelKeyboard[] =
    "key(1){type=1 cx=100000 cy=100000}\n"
    "key(2){parent=1 cx=10000 cy=10000 name=\"E\" onselected=\"Direct(Enter)\"}\n"
    "key(3){parent=1 x=1000 cx=10000 cy=10000 name=\"B\" onselected=\"Direct(BS)\"}\n"
    "key(30){type=1 parent=1 y=5000 cx=100000 cy=40000}\n"
    "home(1) pyosoku(30)\n";

TEST(PredictionScenario, FourApplicationsLoadReorderAndCloseTheirDictionaries) {
  PrepareFolder("LoggingMode = True\r\n");
  desktop::WriteFile("ApplicationList.txt", "AppA\tdA\r\nAppB\tdB\r\nAppC\tdC\r\nAppD\tdD\r\n");
  std::string history;
  for (int i = 0; i < 3100; ++i) history += "ctx" + std::to_string(i) + "\tk\tn\r\n";
  desktop::WriteFile("dA\\history", history);
  for (const char* d : {"dB", "dC", "dD"}) desktop::WriteFile(std::string(d) + "\\name", "");
  const char* classes[] = {"AppA", "AppB", "AppC", "AppD"};
  for (int i = 0; i < 4; ++i)
    desktop::StartForeignApp(classes[i], "app", {.rect = {200 * i, 0, 200 * i + 150, 150}});
  // D is in front at the start; then A, B, C, D again (pushing A out), and B.
  for (int i : {0, 1, 2, 3, 1}) {
    static uint64_t at = 0;
    at = at < 1000 ? 1000 : at + 1000;
    ClickAt(at, 200 * i + 50, 50);
  }
  std::string trimmed;
  desktop::At(4'600, [&] { trimmed = desktop::ReadFile("dA\\history"); });
  desktop::QuitAt(6'000);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);

  EXPECT_EQ(PredictionLog(),
            (std::vector<std::string>{
                "AppChk\tAppD", "LoadDic\tdD", "LoadDicFinish\tdD", "AppChk\tAppA", "LoadDic\tdA",
                "LoadDicFinish\tdA", "AppChk\tAppB", "LoadDic\tdB", "LoadDicFinish\tdB",
                "AppChk\tAppC", "LoadDic\tdC", "LoadDicFinish\tdC", "AppChk\tAppD", "LoadDic\tdD",
                "LoadDicFinish\tdD", "AppChk\tAppB", "ChangeDic\tdB"}));
  // A was pushed out by the second D: flushed, trimmed to its newest 3000 lines, closed.
  EXPECT_EQ(Lines(trimmed), 3000u);
  EXPECT_EQ(trimmed.substr(0, 9), "ctx100\tk\t");
  EXPECT_EQ(trimmed.substr(trimmed.size() - 13), "ctx3099\tk\tn\r\n");
}

TEST(PredictionScenario, KeyActionsAreLearnedAndACandidateRunsLearnsAndRefreshes) {
  PrepareFolder("", kPanelKeyboard);
  desktop::WriteFile("ApplicationList.txt", "AppA\tdA\r\n");
  desktop::WriteFile("dA\\name", "");
  desktop::WriteFile("PredCore\\Macro", "Entr\tDirect(Enter)\r\nBkSp\tDirect(BS)\r\n");
  desktop::WriteFile("PredCore\\Name", "BkSp\tBack\r\nEntr\tEnter\r\n");
  desktop::ForeignApp app = desktop::StartForeignApp("AppA", "app");
  RunMacroAt(500, "SelectKey(2)");
  RunMacroAt(700, "SelectKey(3)");
  std::vector<std::string> before, after;
  os::Window chosen = nullptr;
  desktop::At(900, [&] {
    before = Labels(30);
    chosen = mivo::GetKey(mivo::FindKeyById(10100))->window;
  });
  RunMacroAt(1'000, "SelectKey(10100)");  // the first candidate: Enter
  bool refreshed = false;
  desktop::At(1'300, [&] {
    after = Labels(30);
    const mivo::KeyRecord* first = mivo::GetKey(mivo::FindKeyById(10100));
    refreshed = first != nullptr && first->window != chosen;
  });
  desktop::QuitAt(1'500);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);

  EXPECT_EQ(before, (std::vector<std::string>{"Enter", "Back"}));
  EXPECT_TRUE(refreshed) << "the page is made anew after a choice";
  // Back followed Enter once before, so after this Enter it is offered first.
  EXPECT_EQ(after, (std::vector<std::string>{"Back", "Enter"}));
  int enters = 0;
  for (const desktop::Received& r : desktop::ReceivedBy(app))
    enters += r.message == os::WM_KEYDOWN && r.wParam == os::VK_RETURN ? 1 : 0;
  EXPECT_EQ(enters, 2) << "the key and the candidate both typed Enter";
  // Each record's context is the recent text of keys before it; an empty context is
  // written but never offered.
  EXPECT_EQ(desktop::ReadFile("dA\\history"),
            "\tEntr\tEnter\r\nEntr\tBkSp\tBack\r\nEntrBkSp\tEntr\tEnter\r\n");
}

TEST(PredictionScenario, PagingKeysGoForwardAndBack) {
  PrepareFolder("", kPanelKeyboard);
  std::string names;
  for (int i = 0; i < 25; ++i)
    names += "k" + std::to_string(100 + i) + "\tn" + std::to_string(i) + "\r\n";
  desktop::WriteFile("PredCore\\Name", names);
  std::vector<std::vector<std::string>> pages;
  auto look = [&](uint64_t at) { desktop::At(at, [&] { pages.push_back(Labels(30)); }); };
  look(400);
  RunMacroAt(500, "SelectKey(10012)");  // next, after the ten candidates of page 1
  look(900);
  RunMacroAt(1'000, "SelectKey(10012)");  // next again: page 3 holds the last five
  look(1'400);
  RunMacroAt(1'500, "SelectKey(10006)");  // previous, after the five of page 3
  look(1'900);
  desktop::QuitAt(2'000);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);

  auto page = [](int from, int to) {
    std::vector<std::string> labels;
    for (int i = from; i >= to; --i) labels.push_back("n" + std::to_string(i));
    return labels;
  };
  auto with = [](std::vector<std::string> labels, std::vector<std::string> paging) {
    labels.insert(labels.end(), paging.begin(), paging.end());
    return labels;
  };
  const std::string next = "\x8e\x9f\x8c\xf3\x95\xe2", previous = "\x91\x4f\x8c\xf3\x95\xe2";
  ASSERT_EQ(pages.size(), 4u);
  EXPECT_EQ(pages[0], with(page(24, 15), {next}));
  EXPECT_EQ(pages[1], with(page(14, 5), {previous, next}));
  EXPECT_EQ(pages[2], with(page(4, 0), {previous}));
  EXPECT_EQ(pages[3], with(page(14, 5), {previous, next}));
}

}  // namespace
