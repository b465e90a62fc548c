#include "predict/operations.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/bus.h"
#include "base/log.h"
#include "base/settings.h"
#include "base/text.h"
#include "platform/headless/desktop.h"
#include "predict/state.h"
#include "unit/settings_state.h"

namespace {

using namespace std::string_literals;

class OperationsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    desktop::Reset();
    live_ = mivo::MemLiveCount();
  }
  void TearDown() override {
    mivo::ResetPredictState();
    mivo::CloseLogAndCounter();
    mivo::ReleaseSettingTexts();
    mivo::SetMainWindow(nullptr);
    EXPECT_EQ(mivo::MemLiveCount(), live_) << "blocks leaked";
  }
  void StartLog() {
    desktop::WriteFile("settings.txt", "LoggingMode = 1\r\n");
    ASSERT_EQ(mivo::LoadSettings(), 1);
    mivo::OpenLog();
  }
  // Lines of the log whose event and text are these.
  int Logged(const std::string& event, const std::string& text) {
    const std::string log = desktop::ReadFile("LogFile.txt");
    const std::string line = "\t" + event + "\t" + text + "\r\n";
    int n = 0;
    for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) ++n;
    return n;
  }
  // Prediction opened on these core files and this application list ("" for none).
  int Open(const std::string& list, const std::string& coreName = "",
           const std::string& coreMacro = "") {
    desktop::WriteFile("PredCore\\Name", coreName);
    desktop::WriteFile("PredCore\\Macro", coreMacro);
    if (!list.empty()) desktop::WriteFile("ApplicationList.txt", list);
    return mivo::PredictionOpen();
  }
  static void MakeDictionary(const std::string& directory, const std::string& history = "",
                             const std::string& name = "", const std::string& macro = "") {
    desktop::WriteFile(directory + "\\history", history);
    desktop::WriteFile(directory + "\\name", name);
    desktop::WriteFile(directory + "\\macro", macro);
  }
  static std::vector<std::string> Slots() {
    std::vector<std::string> dirs;
    for (int i = 0; i < mivo::OPEN_DICT_SLOTS; ++i) {
      const mivo::DictSet* set = mivo::predictState.slots[i];
      dirs.push_back(set != nullptr ? set->directory : "-");
    }
    return dirs;
  }
  static std::vector<std::string> Keys(const mivo::CandidateList* list) {
    std::vector<std::string> keys;
    for (uint32_t i = 0; i + list->skip < list->total; ++i) keys.push_back(list->keys[i]);
    return keys;
  }

  testing_support::SettingsState settings_;
  int32_t live_ = 0;
};

TEST_F(OperationsTest, AppListKeepsFileOrderAndSkipsLinesWithoutDirectory) {
  EXPECT_EQ(mivo::AppListLoad(), nullptr) << "no file";
  desktop::WriteFile("ApplicationList.txt", "");
  EXPECT_EQ(mivo::AppListLoad(), nullptr) << "empty file";
  desktop::WriteFile("ApplicationList.txt", "\r\nA\td1\r\nnotab\r\n\td0\textra\n\nB\t\r\nC\td2");
  mivo::AppEntry* list = mivo::AppListLoad();
  ASSERT_NE(list, nullptr);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"A", "d1"}, {"", "d0"}, {"C", "d2"}};
  for (size_t i = 0; i < expected.size(); ++i) {
    ASSERT_NE(list[i].className, nullptr) << i;
    EXPECT_EQ(list[i].className, expected[i].first);
    EXPECT_EQ(list[i].directory, expected[i].second);
  }
  EXPECT_EQ(list[expected.size()].className, nullptr);
  EXPECT_EQ(list[expected.size()].directory, nullptr);
  mivo::AppListFree(list);
}

// The dictionary each foreground class makes active, one class after another; "-" is
// the core dictionary alone.
TEST_F(OperationsTest, TheListChoosesTheDictionary) {
  std::string hundredAndOne;
  for (int i = 0; i <= 100; ++i) {
    hundredAndOne += "C" + std::to_string(i) + "\td" + std::to_string(i) + "\r\n";
  }
  const std::string fits(247, 'f');     // fits + "\history" and the NUL: 256 bytes
  const std::string tooLong(248, 'l');  // one more
  const struct {
    std::string list;
    std::vector<std::pair<std::string, std::string>> steps;
  } cases[] = {
      {"A\td1\r\nA\td2\r\n", {{"A", "d1"}}},
      {"A\td1\r\n\td0\r\nB\td2\r\n", {{"B", "d2"}, {"C", "d0"}, {"A", "d1"}}},
      {"A\td1\r\n", {{"C", "-"}, {"A", "d1"}, {"C", "d1"}}},
      {hundredAndOne, {{"C99", "d99"}, {"C100", "d99"}}},
      {"A\tmissing\r\nB\td1\r\n", {{"A", "-"}, {"B", "d1"}, {"A", "d1"}}},
      {"A\t" + tooLong + "\r\nB\t" + fits + "\r\n", {{"B", fits}, {"A", fits}}},
  };
  for (const auto& c : cases) {
    desktop::Reset();
    for (const std::string& d : {"d0"s, "d1"s, "d2"s, "d99"s, "d100"s, fits, tooLong}) {
      MakeDictionary(d);
    }
    ASSERT_EQ(Open(c.list), 1);
    for (const auto& [className, directory] : c.steps) {
      mivo::SwitchDictionary(className.c_str());
      EXPECT_EQ(Slots()[0], directory) << className << " in " << c.list.substr(0, 40);
    }
    mivo::PredictionClose();
  }
}

TEST_F(OperationsTest, AFourthDictionaryClosesTheLeastRecentlyUsed) {
  StartLog();
  std::string history;
  for (int i = 1; i <= 3005; ++i) history += "ctx\tk" + std::to_string(i) + "\tname\r\n";
  MakeDictionary("dA", history);
  for (const char* d : {"dB", "dC", "dD"}) MakeDictionary(d);
  ASSERT_EQ(Open("A\tdA\r\nB\tdB\r\nC\tdC\r\nD\tdD\r\n"), 1);
  for (const char* app : {"A", "B", "C"}) mivo::SwitchDictionary(app);
  EXPECT_EQ(Slots(), (std::vector<std::string>{"dC", "dB", "dA"}));

  mivo::SwitchDictionary("D");
  EXPECT_EQ(Slots(), (std::vector<std::string>{"dD", "dC", "dB"}));
  const std::string trimmed = desktop::ReadFile("dA\\history");
  EXPECT_TRUE(trimmed == history.substr(history.find("ctx\tk6\t")))
      << "the newest 3000 lines, not " << trimmed.substr(0, 20) << "...";

  mivo::SwitchDictionary("B");
  EXPECT_EQ(Slots(), (std::vector<std::string>{"dB", "dD", "dC"}));
  EXPECT_EQ(Logged("ChangeDic", "dB"), 1);
  for (const char* d : {"dA", "dB", "dC", "dD"}) {
    EXPECT_EQ(Logged("LoadDic", d), 1) << d;
    EXPECT_EQ(Logged("LoadDicFinish", d), 1) << d;
  }
}

TEST_F(OperationsTest, AClassThatBeginsTheLastOneIsNoChange) {
  StartLog();
  const struct {
    const char* foreground;
    const char* answer;  // null: no change
  } steps[] = {
      {"Notepad", "Notepad"}, {"Note", nullptr}, {"NotepadPlus", nullptr},
      {"Word", "Word"},       {"Word", nullptr}, {"Notepad", "Notepad"},
  };
  for (const auto& step : steps) {
    desktop::StartForeignApp(step.foreground, "app");
    char* answer = mivo::ForegroundClassCheck();
    EXPECT_EQ(answer != nullptr, step.answer != nullptr) << step.foreground;
    if (answer != nullptr && step.answer != nullptr) {
      EXPECT_STREQ(answer, step.answer);
    }
    mivo::MemFree(answer);
  }
  EXPECT_EQ(Logged("AppChk", "Notepad"), 2);
  EXPECT_EQ(Logged("AppChk", "Word"), 1);
  EXPECT_EQ(Logged("AppChk", "Note"), 0);
}

// Learning K with name N while D is active: what each file holds after closing.
TEST_F(OperationsTest, NewOperationsGoToTheCoreNames) {
  const struct {
    std::string dName;  // D's name file before
    std::string dHistory, dNameAfter, coreName;
  } cases[] = {
      {"", "P\tK\tN\r\n", "\0"s, "K\tN\r\n"},
      {"K\tStored\r\n", "P\tK\tStored\r\n", "K\tStored\r\n", "\0"s},
  };
  for (const auto& c : cases) {
    desktop::Reset();
    MakeDictionary("D", "", c.dName);
    ASSERT_EQ(Open("App\tD\r\n"), 1);
    mivo::SwitchDictionary("App");
    mivo::LearnOperation("P", "");  // only enters the recent text
    mivo::LearnOperation("K", "N");
    EXPECT_STREQ(mivo::ActiveRecentText(), "PK");
    mivo::PredictionClose();
    EXPECT_EQ(desktop::ReadFile("D\\history"), c.dHistory) << c.dName;
    EXPECT_EQ(desktop::ReadFile("D\\name"), c.dNameAfter) << c.dName;
    EXPECT_EQ(desktop::ReadFile("PredCore\\Name"), c.coreName) << c.dName;
  }
}

TEST_F(OperationsTest, TheRecentTextKeepsItsLast256Bytes) {
  ASSERT_EQ(Open(""), 1);
  const std::string a(250, 'a'), z(300, 'z');
  mivo::LearnOperation(a.c_str(), nullptr);
  mivo::LearnOperation("bcdefgh", nullptr);
  EXPECT_EQ(mivo::ActiveRecentText(), a.substr(1) + "bcdefgh");
  mivo::LearnOperation(z.c_str(), nullptr);
  EXPECT_EQ(mivo::ActiveRecentText(), z.substr(44));
}

TEST_F(OperationsTest, ContextScoreCountsEqualGroupsFromTheEnd) {
  const std::string context = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345";
  const uint32_t byGroups[] = {0, 793, 1487, 2104, 2660, 3164, 3626, 4053, 4450};
  for (uint32_t m = 0; m <= 8; ++m) {
    std::string recent = context;
    if (m < 8) recent[31 - 4 * m] = '#';  // the first differing group
    EXPECT_EQ(mivo::ContextScore(context.data(), 32, recent.data(), 32), byGroups[m]) << m;
  }
  const struct {
    std::string context, recent;
    uint32_t score;
  } shorter[] = {
      {"WXYZ", "...WXYZ", 3570},        // g = 1
      {context, "45670123", 0},         // g = 2, the last group differs
      {context, "UVWXYZ012345", 4735},  // g = 3: (714 + 625 + 555) * 10 / 4
      {"XYZ", "XYZ", 0},                // g = 0
  };
  for (const auto& c : shorter) {
    EXPECT_EQ(mivo::ContextScore(c.context.data(), static_cast<uint32_t>(c.context.size()),
                                 c.recent.data(), static_cast<uint32_t>(c.recent.size())),
              c.score)
        << c.context << " / " << c.recent;
  }
}

TEST_F(OperationsTest, SearchReadsHistoryThenNamesNewestFirst) {
  MakeDictionary("D", "wxyz\tH\tHist\r\n", "c\tC\r\n");
  ASSERT_EQ(Open("App\tD\r\n", "a\tA\r\n"), 1);
  mivo::SwitchDictionary("App");
  mivo::LearnOperation("b", "B");  // pending in the core names, newer than its file
  const struct {
    std::string recent;
    std::vector<std::string> keys;
  } cases[] = {
      {"..wxyz", {"H", "c", "b", "a"}},
      {"xyz", {"c", "b", "a"}},  // under four bytes: names only
      {"", {"c", "b", "a"}},
  };
  for (const auto& c : cases) {
    mivo::CandidateList* list =
        mivo::PredictSearch(c.recent.c_str(), static_cast<uint32_t>(c.recent.size()), 10, 0);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(Keys(list), c.keys) << c.recent;
    mivo::CandidateListFree(list);
  }
}

TEST_F(OperationsTest, TheSecondPageRanksItsOwnCandidates) {
  std::string names;
  auto line = [&names](int k, const char* text) {
    names += (k < 10 ? "k0" : "k") + std::to_string(k) + "\t" + text + "\r\n";
  };
  for (int k = 1; k <= 10; ++k) line(k, "x");
  line(20, "again");  // a key of the first page, met again while filling the second
  for (int k = 11; k <= 15; ++k) line(k, "x");
  line(8, "dup");  // the newer record of k08: its text wins, and k08 scores twice
  for (int k = 16; k <= 25; ++k) line(k, "x");
  ASSERT_EQ(Open("", names), 1);
  const struct {
    uint32_t skip;
    std::vector<std::string> keys;
  } pages[] = {
      {0, {"k25", "k24", "k23", "k22", "k21", "k20", "k19", "k18", "k17", "k16"}},
      {10, {"k08", "k15", "k14", "k13", "k12", "k11", "k10", "k09", "k07", "k06"}},
  };
  for (const auto& page : pages) {
    mivo::CandidateList* list = mivo::PredictSearch("", 0, 10, page.skip);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(Keys(list), page.keys) << page.skip;
    EXPECT_EQ(list->more, 1) << page.skip;
    if (page.skip == 10) {
      EXPECT_STREQ(list->texts[0], "dup");
      EXPECT_EQ(list->scores[0], 2u);
    }
    mivo::CandidateListFree(list);
  }
}

TEST_F(OperationsTest, LookupsTryTheActiveDictionaryFirst) {
  MakeDictionary("D", "", "op01\tD name\r\n", "op01\tD macro\r\n");
  ASSERT_EQ(Open("App\tD\r\n", "op01\tcore name\r\nop02\tname 2\r\n",
                 "op01\tcore macro\r\nop02\tmacro 2\r\n"),
            1);
  const auto expectFound = [](char* found, const char* expected) {
    EXPECT_EQ(found != nullptr ? std::string(found) : "(none)", expected);
    mivo::MemFree(found);
  };
  expectFound(mivo::FindMacro("op01"), "core macro");
  mivo::SwitchDictionary("App");
  expectFound(mivo::FindMacro("op01"), "D macro");
  expectFound(mivo::FindMacro("op02"), "macro 2");
  expectFound(mivo::FindKeyByMacro("macro 2"), "op02");
  expectFound(mivo::FindName("op01"), "D name");
  expectFound(mivo::FindName("op02"), "name 2");
  expectFound(mivo::FindName("op03"), "(none)");
}

TEST_F(OperationsTest, OpenAsksForCandidatesOrLeavesNothingOpen) {
  os::WndClass wc{};
  wc.lpfnWndProc = os::DefWindowProc;
  wc.lpszClassName = "OperationsMain";
  ASSERT_TRUE(os::RegisterClass(wc));
  mivo::SetMainWindow(os::CreateWindowEx(0, "OperationsMain", "test", os::WS_POPUP, 0, 0, 10, 10,
                                         nullptr, nullptr, nullptr));
  ASSERT_EQ(mivo::PredictionOpen(), 0) << "no PredCore folder";
  EXPECT_EQ(mivo::MemLiveCount(), live_);
  os::Msg msg{};
  EXPECT_EQ(os::PeekMessage(&msg, nullptr, mivo::MM_PREDICT_CANDIDATES, mivo::MM_PREDICT_CANDIDATES,
                            os::PM_REMOVE),
            0);
  ASSERT_EQ(Open("A\td1\r\n"), 1);
  ASSERT_NE(os::PeekMessage(&msg, nullptr, mivo::MM_PREDICT_CANDIDATES, mivo::MM_PREDICT_CANDIDATES,
                            os::PM_REMOVE),
            0);
  EXPECT_EQ(msg.wParam, 0u);
  EXPECT_EQ(mivo::predictState.core->history, nullptr);
  EXPECT_EQ(mivo::predictState.core->contextLength, 8u);
}

// A dictionary that cannot be written: the core one stops prediction from opening (and
// start-up with it) with nothing left open; an application one is not loaded and the
// dictionary active before stays, with what it learned.
TEST_F(OperationsTest, ADictionaryThatCannotBeWrittenIsNotOpened) {
  StartLog();
  const auto readOnly = [](const char* name) {
    return [name](const std::string& folder) { desktop::SetReadOnly(folder + name, true); };
  };
  const auto fullDisk = [](const std::string&) { desktop::SetDiskFree(0); };
  const struct {
    const char* rule;
    std::function<void(const std::string&)> fault;  // before opening the core, or before
                                                    // switching to the folder given
    bool core;
    bool folder = true;
  } cases[] = {
      {"core names read-only", readOnly("PredCore\\Name"), true},
      {"core macros read-only", readOnly("PredCore\\Macro"), true},
      {"no free disk for the core", fullDisk, true},
      {"history read-only", readOnly("\\history"), false},
      {"names read-only", readOnly("\\name"), false},
      {"no free disk", fullDisk, false},
      {"no folder", [](const std::string&) {}, false, false},
  };
  int row = 0;
  for (const auto& c : cases) {
    const std::string folder = "b" + std::to_string(++row);
    desktop::WriteFile("PredCore\\Name", "");
    desktop::WriteFile("PredCore\\Macro", "");
    desktop::WriteFile("ApplicationList.txt", "A\ta\r\nB\t" + folder + "\r\n");
    MakeDictionary("a");
    if (c.folder) MakeDictionary(folder);
    if (c.core) {
      c.fault("");
      const int32_t live = mivo::MemLiveCount();
      EXPECT_EQ(mivo::PredictionOpen(), 0) << c.rule;
      EXPECT_EQ(mivo::predictState.core, nullptr) << c.rule;
      EXPECT_EQ(mivo::predictState.slots, nullptr) << c.rule;
      EXPECT_EQ(mivo::predictState.appList, nullptr) << c.rule;
      EXPECT_EQ(mivo::MemLiveCount(), live) << c.rule;
      for (const char* name : {"PredCore\\Name", "PredCore\\Macro"}) {
        desktop::SetReadOnly(name, false);
      }
    } else {
      ASSERT_EQ(mivo::PredictionOpen(), 1) << c.rule;
      mivo::SwitchDictionary("A");
      mivo::LearnOperation("K", "N");
      c.fault(folder);
      mivo::SwitchDictionary("B");
      EXPECT_EQ(Slots(), (std::vector<std::string>{"a", "-", "-"})) << c.rule;
      EXPECT_STREQ(mivo::ActiveRecentText(), "K") << c.rule;
      desktop::SetDiskFree(-1);
      mivo::PredictionClose();
      EXPECT_EQ(desktop::ReadFile("a\\history"), "\tK\tN\r\n") << c.rule;
      EXPECT_EQ(desktop::ReadFile("PredCore\\Name"), "K\tN\r\n") << c.rule;
      EXPECT_EQ(Logged("LoadDicFinish", folder), 0) << c.rule;
    }
    desktop::SetDiskFree(-1);
  }
}

}  // namespace

// A kill left a journal beside a folder whose application never comes to the front again:
// the start finishes that change anyway, so no learned record stays torn on the disk.
TEST_F(OperationsTest, TheStartFinishesAChangeAKillLeftInAnyListedFolder) {
  StartLog();
  MakeDictionary("App", "old\r\n");
  std::string journal;  // as it stands once written, before the file is touched
  mivo::DictFile file{};
  ASSERT_EQ(mivo::DictFileOpen(&file, "App\\history"), 1);
  desktop::SetFileWriteObserver([&](const desktop::FileWrite& step) {
    if (step.call == "FlushFileBuffers" && journal.empty())
      journal = desktop::ReadFile("App\\history.jnl");
  });
  mivo::DictFileAppendNow(&file, "new\r\n");
  desktop::SetFileWriteObserver(nullptr);
  mivo::DictFileClose(&file);
  ASSERT_FALSE(journal.empty());
  desktop::WriteFile("App\\history", "old\r\n");
  desktop::WriteFile("App\\history.jnl", journal);
  ASSERT_EQ(Open("\tDefault\r\nOther\tApp\r\n"), 1);
  EXPECT_EQ(desktop::ReadFile("App\\history").substr(0, 10), "old\r\nnew\r\n");
  EXPECT_FALSE(desktop::FileExists("App\\history.jnl"));
  EXPECT_EQ(Logged("Journal Replayed", "App\\history"), 1);
  EXPECT_EQ(Slots(), (std::vector<std::string>{"-", "-", "-"}));
}
