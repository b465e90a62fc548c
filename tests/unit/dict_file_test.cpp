#include "dict/dict_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/log.h"
#include "base/text.h"
#include "platform/headless/desktop.h"
#include "support/record_walk.h"
#include "unit/settings_state.h"

namespace {

using namespace std::string_literals;

std::set<std::string> Records(const mivo::DictFile& file) {
  std::set<std::string> lines;
  const char* const end = file.view + file.used;
  for (const char* pos = mivo::ScanToText(file.view, end); pos < end;) {
    const char* lineEnd = mivo::ScanOverText(pos, end);
    lines.emplace(pos, lineEnd);
    pos = mivo::ScanToText(lineEnd, end);
  }
  return lines;
}

// The records of a dictionary file as the program sees them when it opens the file.
std::set<std::string> LinesOf(const std::string& bytes) {
  desktop::WriteFile("reopened", bytes);
  mivo::DictFile file{};
  EXPECT_EQ(mivo::DictFileOpen(&file, "reopened"), 1);
  std::set<std::string> lines = Records(file);
  mivo::DictFileClose(&file);
  return lines;
}

// Together they fill the pending buffer to 1000 bytes.
std::vector<std::string> TenRecordsOf100Bytes() {
  std::vector<std::string> records;
  for (int i = 0; i < 10; ++i)
    records.push_back(std::to_string(i) + "\t" + std::string(96, 'p') + "\r\n");
  return records;
}

class DictFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    desktop::Reset();
    live_ = mivo::MemLiveCount();
  }
  void TearDown() override {
    if (set_ != nullptr) {
      for (mivo::DictFile* f : {set_->history, set_->name, set_->macro}) mivo::DictFileClose(f);
      mivo::DictSetFree(set_);
    }
    EXPECT_EQ(mivo::MemLiveCount(), live_) << "blocks leaked";
  }
  // A set whose history and name files hold the given bytes.
  mivo::DictSet* OpenSet(const std::string& history, const std::string& name) {
    set_ = mivo::DictSetCreate();
    desktop::WriteFile("history", history);
    desktop::WriteFile("name", name);
    EXPECT_EQ(mivo::DictFileOpen(set_->history, "history"), 1);
    EXPECT_EQ(mivo::DictFileOpen(set_->name, "name"), 1);
    return set_;
  }
  std::string Content(const mivo::DictFile* f) { return std::string(f->view, f->used); }

  mivo::DictSet* set_ = nullptr;
  int32_t live_ = 0;
};

TEST_F(DictFileTest, CloseCutsAfterTheLastTextButKeepsOneByte) {
  const struct {
    std::string before, after;
  } cases[] = {
      {"", "\0"s},
      {"\0\0\0"s, "\0"s},
      {"a\tb\r\n\0\0\0"s, "a\tb\r\n"},
      {"a\tb\r\n", "a\tb\r\n"},
  };
  for (const auto& c : cases) {
    desktop::WriteFile("d", c.before);
    mivo::DictFile file{};
    ASSERT_EQ(mivo::DictFileOpen(&file, "d"), 1);
    EXPECT_EQ(file.used, c.before.size());
    EXPECT_EQ(file.view[file.used], 0);
    mivo::DictFileClose(&file);
    EXPECT_EQ(desktop::ReadFile("d"), c.after) << c.before;
    mivo::DictFileClose(&file);  // a closed file is left alone
  }
}

TEST_F(DictFileTest, OpenRefusesAFileInUseAndLeavesNothingOpen) {
  mivo::DictFile first{}, second{};
  ASSERT_EQ(mivo::DictFileOpen(&first, "d"), 1);
  EXPECT_EQ(mivo::DictFileOpen(&second, "d"), 0) << "no sharing";
  EXPECT_EQ(second.used, 0u);
  mivo::DictFileClose(&second);
  EXPECT_EQ(mivo::DictFileOpen(&second, "no_such_folder\\d"), 0);
  mivo::DictFileClose(&first);
}

// Records learned and then flushed, and the file they leave.
TEST_F(DictFileTest, FlushedRecordsRewriteTheFile) {
  const struct {
    const char* rule;
    std::string file;
    std::vector<std::pair<const char*, const char*>> learned;
    std::string after;
  } cases[] = {
      {"a duplicate in pending stands once", "", {{"k", "v"}, {"k", "v"}}, "k\tv\r\n"},
      {"the file's copy moves to the end",
       "k\tv\r\nx\ty\r\n",
       {{"k", "v"}, {"k", "v"}},
       "x\ty\r\nk\tv\r\n"},
      {"lines that begin with a pending record go",
       "k\tvw\r\nk\tu\r\nk\tv2\r\nz\tq\r\n",
       {{"k", "v"}},
       "k\tu\r\nz\tq\r\nk\tv\r\n"},
      {"a newer record of the same key stays beside it",
       "",
       {{"k", "v"}, {"k", "u"}},
       "k\tv\r\nk\tu\r\n"},
      {"LF-only ends and blank lines become CR LF",
       "a\tb\nc\td\n\n\ne\tf",
       {{"g", "h"}},
       "a\tb\r\nc\td\r\ne\tf\r\ng\th\r\n"},
      {"the NUL a close leaves becomes one CR LF", "\0"s, {{"g", "h"}}, "\r\ng\th\r\n"},
      {"stray control bytes separate lines",
       "a\x01\x02z\r\r\r",
       {{"g", "h"}},
       "a\r\nz\r\ng\th\r\n"},
  };
  for (const auto& c : cases) {
    desktop::Reset();
    mivo::DictSet* set = OpenSet("", c.file);
    const std::string before = Content(set->name);
    for (const auto& [key, text] : c.learned) mivo::MergeStringStudy(set, key, text, 0, '\t');
    EXPECT_EQ(Content(set->name), before) << c.rule << ": still pending";
    mivo::MergeStringStudy(set, nullptr, nullptr, 1, '\t');
    EXPECT_EQ(Content(set->name), c.after) << c.rule;
    EXPECT_EQ(set->name->view[set->name->used], 0);
    EXPECT_EQ(std::string(set->name->pending, 1024), std::string(1024, '\0')) << c.rule;
    mivo::DictFileClose(set->name);
    EXPECT_EQ(desktop::ReadFile("name"), c.after) << c.rule;
    TearDown();
    set_ = nullptr;
  }
}

// The pending buffer holds less than 1024 bytes; the record that would reach it forces
// the rewrite, older pending records first, the new one last.
TEST_F(DictFileTest, APendingBufferThatWouldFillIsMerged) {
  const struct {
    size_t recordBytes;
    int rewritten;
  } cases[] = {{23, 0}, {24, 1}, {30, 1}, {2000, 1}};
  for (const auto& c : cases) {
    mivo::DictFile file{};
    desktop::WriteFile("d", "old\tline\r\n");
    ASSERT_EQ(mivo::DictFileOpen(&file, "d"), 1);
    std::string pending;
    for (int i = 0; i < 10; ++i) {
      std::string record = std::to_string(i) + "\t" + std::string(96, 'p') + "\r\n";
      pending += record;
      ASSERT_EQ(mivo::DictFileMerge(&file, record.c_str(), 0), 0);
    }
    ASSERT_EQ(pending.size(), 1000u);
    const std::string record = "n\t" + std::string(c.recordBytes - 4, 'r') + "\r\n";
    EXPECT_EQ(mivo::DictFileMerge(&file, record.c_str(), 0), c.rewritten) << c.recordBytes;
    if (c.rewritten) {
      EXPECT_EQ(Content(&file), "old\tline\r\n" + pending + record);
      EXPECT_EQ(file.pending[0], 0);
    } else {
      EXPECT_EQ(Content(&file), "old\tline\r\n");
      EXPECT_EQ(std::string(file.pending), pending + record);
    }
    mivo::DictFileMerge(&file, "", 1);
    mivo::DictFileClose(&file);
    EXPECT_EQ(desktop::ReadFile("d"), "old\tline\r\n" + pending + record);
  }
}

// A process killed at any byte of a merge, a trim, a close or a word registration (the
// write in progress stops part way, nothing after it reaches the disk) leaves a file that,
// once opened again, holds every record it held before, or, for a record the change
// replaces, the new records beside what is left; a later kill never leaves fewer of the
// new records than an earlier one, and no torn line appears.
TEST_F(DictFileTest, AKillAtAnyByteLosesNoRecord) {
  const std::vector<std::string> ten = TenRecordsOf100Bytes();
  const std::string overflowing = "n\t" + std::string(30, 'r') + "\r\n";
  std::string large, lines3010;  // 100 kB of names; 3010 short lines
  for (int i = 0; i < 1000; ++i)
    large += "n" + std::to_string(i) + "\t" + std::string(94, 'a' + i % 26) + "\r\n";
  for (int i = 0; i < 3010; ++i) lines3010 += "c\t" + std::to_string(i) + "\tx\r\n";
  enum Op { MERGE, CLOSE, APPEND_NOW, DROP_LAST };
  const struct {
    const char* rule;
    std::string file;
    std::vector<std::string> pending;
    Op op;
    std::string merged;  // MERGE, APPEND_NOW: the record ("" flushes); CLOSE flushes first
    uint32_t trimTo;     // 0: no trim
  } cases[] = {
      {"a new record is appended", "a\tb\r\n", {"k\tv\r\n"}, MERGE, "", 0},
      {"pending records replace the lines they begin",
       "k\tvw\r\nk\tu\r\nk\tv2\r\nz\tq\r\n",
       {"k\tv\r\n", "z\tq\r\n"},
       MERGE,
       "",
       0},
      {"LF ends make the kept lines longer than the content",
       "a\tb\nc\td\n\n\ne\tf",
       {"g\th\r\n"},
       MERGE,
       "",
       0},
      {"an unended last line after a removed one", "k\tv1\r\ne\tf", {"k\tv\r\n"}, MERGE, "", 0},
      {"a record that overflows the pending buffer",
       "5\t" + std::string(96, 'p') + "\r\n" + overflowing + "old\tline\r\n", ten, MERGE,
       overflowing, 0},
      {"a close cuts the NULs an earlier kill left", "a\tb\r\n\0\0\0"s, {}, CLOSE, "", 0},
      {"a word registered at once", "a\tb\r\nx\tyz\r\n", {}, APPEND_NOW, "x\ty\r\n", 0},
      {"the last line dropped", "a\tb\r\nc\td\r\n", {}, DROP_LAST, "", 0},
      {"a large merge that replaces the oldest line",
       large,
       {"n0\ta\r\n", "m\tn\r\n"},
       MERGE,
       "",
       0},
      {"a trim of ten lines", lines3010, {}, CLOSE, "", 3000},
      {"a close: flush, trim, close", lines3010, {"k\tv\r\n", "c\t5\tx\r\n"}, CLOSE, "", 3000},
  };
  std::mt19937 random(23);
  for (const auto& c : cases) {
    // One run, killed after `stop` bytes (never when negative), and the records the next
    // start finds; *written: the bytes that reached the file.
    const auto run = [&](int64_t stop, uint64_t* written) {
      desktop::WriteFile("d", c.file);
      mivo::DictFile file{};
      EXPECT_EQ(mivo::DictFileOpen(&file, "d"), 1) << c.rule;
      for (const std::string& record : c.pending) mivo::DictFileMerge(&file, record.c_str(), 0);
      const uint64_t before = desktop::BytesWritten();
      desktop::StopWritesAfter(stop);
      if (c.op == MERGE) mivo::DictFileMerge(&file, c.merged.c_str(), c.merged.empty() ? 1 : 0);
      if (c.op == CLOSE && !c.pending.empty()) mivo::DictFileMerge(&file, "", 1);
      if (c.op == APPEND_NOW) mivo::DictFileAppendNow(&file, c.merged.c_str());
      if (c.op == DROP_LAST) mivo::DictFileDropLastLine(&file);
      if (c.trimTo > 0) mivo::DictFileTrim(&file, c.trimTo);
      mivo::DictFileClose(&file);
      desktop::StopWritesAfter(-1);
      if (written != nullptr) *written = desktop::BytesWritten() - before;
      EXPECT_EQ(mivo::DictFileOpen(&file, "d"), 1) << c.rule;
      const std::set<std::string> lines = Records(file);
      mivo::DictFileClose(&file);
      EXPECT_FALSE(desktop::FileExists("d.jnl")) << c.rule;
      return lines;
    };
    uint64_t total = 0;
    const std::set<std::string> before = LinesOf(c.file), after = run(-1, &total);
    std::set<std::string> added, dropped;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                        std::inserter(added, added.end()));
    std::set_difference(before.begin(), before.end(), after.begin(), after.end(),
                        std::inserter(dropped, dropped.end()));
    // Every byte of a small change; of a large one every 4 kB boundary and random bytes.
    std::set<int64_t> stops;
    for (int64_t at = 0; at <= static_cast<int64_t>(total); at += total < 4096 ? 1 : 4096)
      stops.insert(at);
    for (int i = 0; i < 32; ++i) stops.insert(static_cast<int64_t>(random() % (total + 1)));
    bool addedStood = false;
    for (const int64_t stop : stops) {
      const std::set<std::string> lines = run(stop, nullptr);
      const bool addedStand = std::includes(lines.begin(), lines.end(), added.begin(), added.end());
      EXPECT_TRUE(addedStand || !addedStood)
          << c.rule << ", killed at " << stop << ": new lines went";
      addedStood = addedStood || addedStand;
      int lost = 0, torn = 0;
      for (const std::string& line : before) {
        if (lines.count(line) == 0 && !(dropped.count(line) > 0 && addedStand)) ++lost;
      }
      for (const std::string& line : lines) torn += before.count(line) + after.count(line) == 0;
      EXPECT_EQ(lost, 0) << c.rule << ", killed at " << stop << " of " << total;
      EXPECT_EQ(torn, 0) << c.rule << ", killed at " << stop << " of " << total;
    }
  }
}

// The journal a kill left beside a file: written into it at the next open when whole and
// checked, thrown away unread otherwise; either way it goes, and the log says which.
TEST_F(DictFileTest, OpenReplaysOnlyAWholeJournal) {
  testing_support::SettingsState settings;
  desktop::WriteFile("settings.txt", "LoggingMode = 1\r\n");
  ASSERT_EQ(mivo::LoadSettings(), 1);
  mivo::OpenLog();
  const std::string original = "k\tv1\r\na\tb\r\n", finished = "a\tb\r\nk\tv\r\n\0"s;
  std::string journal;  // as it stands on the disk before the file is touched
  desktop::WriteFile("d", original);
  mivo::DictFile file{};
  ASSERT_EQ(mivo::DictFileOpen(&file, "d"), 1);
  mivo::DictFileMerge(&file, "k\tv\r\n", 0);
  desktop::SetFileWriteObserver([&](const desktop::FileWrite& step) {
    if (step.call == "FlushFileBuffers" && journal.empty()) journal = desktop::ReadFile("d.jnl");
  });
  mivo::DictFileMerge(&file, "", 1);
  desktop::SetFileWriteObserver(nullptr);
  mivo::DictFileClose(&file);
  ASSERT_GT(journal.size(), 24u);
  const auto changed = [&](size_t at, char to) {
    std::string j = journal;
    j[at] = to;
    return j;
  };
  const struct {
    const char* rule;
    std::string journal;
    bool replayed;
  } cases[] = {
      {"whole", journal, true},
      {"cut by a byte", journal.substr(0, journal.size() - 1), false},
      {"the header alone", journal.substr(0, 24), false},
      {"cut inside the header", journal.substr(0, 10), false},
      {"empty", "", false},
      {"a byte of the new bytes changed", changed(journal.size() - 1, 'x'), false},
      {"another offset", changed(8, '\x05'), false},
      {"a length past the end", changed(15, '\x7f'), false},
      {"another magic", changed(0, 'm'), false},
      {"a stray byte after it", journal + "x", false},
  };
  for (const auto& c : cases) {
    desktop::WriteFile("d", original);
    desktop::WriteFile("d.jnl", c.journal);
    ASSERT_EQ(mivo::DictFileOpen(&file, "d"), 1) << c.rule;
    EXPECT_EQ(Content(&file), c.replayed ? finished : original) << c.rule;
    mivo::DictFileClose(&file);
    EXPECT_FALSE(desktop::FileExists("d.jnl")) << c.rule;
  }
  mivo::CloseLogAndCounter();
  const std::string log = desktop::ReadFile("LogFile.txt");
  const auto count = [&](const std::string& line) {
    int n = 0;
    for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("\tJournal Replayed\td\r\n"), 1) << log;
  EXPECT_EQ(count("\tJournal Discarded\td\r\n"), 9) << log;
}

// A disk too full for the file to grow: the merge leaves the file as it was, keeps the
// pending records for a later merge and logs; a record that did not fit beside them is
// the one lost.
TEST_F(DictFileTest, AFileThatCannotGrowKeepsThePendingRecords) {
  testing_support::SettingsState settings;
  desktop::WriteFile("settings.txt", "LoggingMode = 1\r\n");
  ASSERT_EQ(mivo::LoadSettings(), 1);
  mivo::OpenLog();
  std::string ten;
  for (const std::string& record : TenRecordsOf100Bytes()) ten += record;
  const std::string overflowing = "n\t" + std::string(30, 'r') + "\r\n";
  const auto count = [](const std::string& line) {
    const std::string log = desktop::ReadFile("LogFile.txt");
    int n = 0;
    for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) ++n;
    return n;
  };
  const struct {
    std::string merged;  // "" flushes
    int failedSoFar, droppedSoFar;
  } cases[] = {{"", 1, 0}, {overflowing, 2, 1}};
  for (const auto& c : cases) {
    desktop::WriteFile("d", "a\tb\r\n");
    mivo::DictFile file{};
    ASSERT_EQ(mivo::DictFileOpen(&file, "d"), 1);
    const std::string opened = desktop::ReadFile("d");
    for (const std::string& record : TenRecordsOf100Bytes()) {
      mivo::DictFileMerge(&file, record.c_str(), 0);
    }
    desktop::SetDiskFree(200);  // room for the log, not for the merge
    EXPECT_EQ(mivo::DictFileMerge(&file, c.merged.c_str(), c.merged.empty() ? 1 : 0), 0);
    EXPECT_EQ(desktop::ReadFile("d"), opened) << c.merged;
    EXPECT_EQ(Content(&file), "a\tb\r\n");
    EXPECT_EQ(std::string(file.pending), ten);
    desktop::SetDiskFree(-1);
    EXPECT_EQ(mivo::DictFileMerge(&file, "", 1), 1);
    mivo::DictFileClose(&file);
    EXPECT_EQ(desktop::ReadFile("d"), "a\tb\r\n" + ten);
    EXPECT_EQ(count("\tMerge Failed\td\r\n"), c.failedSoFar);
    EXPECT_EQ(count("\tRecord Dropped\td\r\n"), c.droppedSoFar);
  }
  mivo::CloseLogAndCounter();
}

TEST_F(DictFileTest, TrimKeepsTheNewestLines) {
  const struct {
    int lines;
    uint32_t limit;
    int firstKept;
  } cases[] = {{3005, 3000, 5}, {3001, 3000, 1}, {3000, 3000, 0}, {2999, 3000, 0}, {3, 1, 2}};
  for (const auto& c : cases) {
    std::string text, kept;
    for (int i = 0; i < c.lines; ++i) {
      const std::string line = "c\t" + std::to_string(i) + "\tx\r\n";
      text += line;
      if (i >= c.firstKept) kept += line;
    }
    desktop::WriteFile("h", text);
    mivo::DictFile file{};
    ASSERT_EQ(mivo::DictFileOpen(&file, "h"), 1);
    EXPECT_EQ(mivo::DictFileTrim(&file, c.limit), kept.size()) << c.lines;
    EXPECT_EQ(Content(&file), kept);
    mivo::DictFileClose(&file);
    EXPECT_EQ(desktop::ReadFile("h"), kept) << c.lines;
  }
  EXPECT_EQ(mivo::DictFileTrim(nullptr, 3000), 0u);
}

// The context is the tail of the recent text, at most contextLength bytes, starting on
// a whole character.
TEST_F(DictFileTest, HistoryContextStartsOnACharacter) {
  std::string trailAt8 = "abcdefg\x82\xa0" + std::string(31, 'z');  // 40 bytes
  const struct {
    std::string recent;
    uint32_t contextLength;
    std::string context;
  } cases[] = {
      {trailAt8, 32, std::string(31, 'z')},
      {std::string(40, 'q'), 32, std::string(32, 'q')},
      {"abc", 8, "abc"},
      {"", 8, ""},
      {std::string("aaa\x82") + "b", 1, ""},  // the last character is cut whole
  };
  for (const auto& c : cases) {
    desktop::Reset();
    mivo::DictSet* set = OpenSet("", "");
    set->contextLength = c.contextLength;
    mivo::TextCopy(set->recent, c.recent.c_str());
    mivo::MergeHistoryStudy(set, "K", "T", 0, '\t');
    mivo::MergeHistoryStudy(set, nullptr, nullptr, 1, '\t');
    EXPECT_EQ(Content(set->history), c.context + "\tK\tT\r\n") << c.recent;
    TearDown();
    set_ = nullptr;
  }
}

TEST_F(DictFileTest, ARewriteLogsTheNewSize) {
  testing_support::SettingsState settings;
  desktop::WriteFile("settings.txt", "LoggingMode = 1\r\n");
  ASSERT_EQ(mivo::LoadSettings(), 1);
  mivo::OpenLog();
  mivo::DictSet* set = OpenSet("", "a\tb\r\n");
  mivo::MergeStringStudy(set, "k", "v", 0, '\t');  // pending only: no line
  mivo::MergeStringStudy(set, nullptr, nullptr, 1, '\t');
  mivo::MergeHistoryStudy(set, nullptr, nullptr, 1, '\t');
  mivo::CloseLogAndCounter();
  const std::string log = desktop::ReadFile("LogFile.txt");
  EXPECT_NE(log.find("\tMerge String Study\t10 bytes\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("\tMerge History Study\t0 bytes\r\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("Merge String Study"), log.rfind("Merge String Study")) << "one rewrite";
}

TEST_F(DictFileTest, RemoveLinesRewritesWithinTheRoomGiven) {
  const struct {
    const char* key;
    std::string buffer;
    uint32_t room;
    std::string after;
  } cases[] = {
      {"b", "a\nb\nbc\nd", 20, "a\r\nd\r\n"},
      {"b\r\n", "b\r\nbc\r\nb\nb\r\n", 20, "bc\r\nb\r\n"},
      {"x", "\n\na\r\n", 20, "\r\na\r\n"},
      {"x", "a\nb", 8, "a\r\nb\r\n"},
      {"x", "a\nb", 6, "a\nb"},  // no room for the longer text and its NUL: unchanged
      {"", "a\nb", 20, "a\nb"},
  };
  for (const auto& c : cases) {
    std::string buffer = c.buffer + std::string(20 - c.buffer.size(), '\0');
    const uint32_t length =
        mivo::DictRemoveLines(c.key, buffer.data(), static_cast<uint32_t>(c.buffer.size()), c.room);
    EXPECT_EQ(buffer.substr(0, length), c.after) << c.buffer;
    EXPECT_EQ(buffer.substr(length), std::string(20 - length, '\0')) << c.buffer;
  }
}

TEST_F(DictFileTest, DropLastLine) {
  const struct {
    std::string text, after;
  } cases[] = {
      {"a\tb\r\nc\td\r\n", "a\tb\r\n"},
      {"a\tb\r\nc\td", "a\tb\r\n"},
      {"only", ""},
      {"\r\n\r\n", "\r\n\r\n"},
      {"", ""},
  };
  for (const auto& c : cases) {
    std::string buffer = c.text + std::string(4, '\0');
    EXPECT_EQ(mivo::DictDropLastLine(buffer.data()), c.after.size()) << c.text;
    EXPECT_EQ(buffer, c.after + std::string(buffer.size() - c.after.size(), '\0'));
  }
}

// The walk reads blocks of 64 bytes: lines, TABs and prefixes that cross a block's edge or
// the text's end, every kind of separator and the bytes 0x80 and up must come out as the
// byte-at-a-time walk finds them.
TEST_F(DictFileTest, RecordWalksMatchAByteAtATimeWalk) {
  const std::string alphabet = "\t\t\t\r\n\n\x01\x1f\x7f ab\x83\x40\x82"s + '\0';
  std::mt19937 random(7);
  const auto Text = [&](size_t n) {
    std::string t;
    while (t.size() < n) t += alphabet[random() % alphabet.size()];
    return t;
  };
  std::vector<std::string> texts = {
      "",
      "\r\n",
      "a",
      "a\tb",
      "a\tb\r\n\r\n",
      "\n\na\tb\rc\t\x83\x40\x01",
      std::string(63, 'a') + "\tb",
      std::string(62, 'a') + "\t\x83\x40\n",
      std::string(200, 'a') + "\t\x83",
      "x\t" + std::string(130, '\t'),
  };
  for (int i = 0; i < 400; ++i) texts.push_back(Text(random() % 300));
  for (const std::string& text : texts) {
    for (int round = 0; round < 4; ++round) {
      const bool every = round == 0;
      std::vector<std::string> prefixes = {Text(random() % 4), Text(random() % 4)};
      if (round == 1) prefixes = {"\x83\x40", "a"};
      mivo::RecordFilter filter;
      filter.every = every;
      for (int k = 0; k < 2; ++k) {
        filter.prefix[k] = prefixes[k].data();
        filter.prefixLength[k] = static_cast<uint32_t>(prefixes[k].size());
      }
      std::vector<testing_support::Offered> offered;
      mivo::EachRecordBackwards(
          text.data(), static_cast<uint32_t>(text.size()), filter,
          [&](const char* line, const char* end, uint32_t number) {
            offered.push_back({static_cast<size_t>(line - text.data()),
                               static_cast<size_t>(end - text.data()), number});
            return true;
          });
      EXPECT_EQ(offered, testing_support::ByteWalk(text, prefixes, every))
          << testing::PrintToString(text);
    }
  }
  // The marks without vector instructions are the ones with them.
  for (int i = 0; i < 200; ++i) {
    const std::string block = Text(64);
    const int wanted[4] = {static_cast<unsigned char>(block[random() % 64]), 256, -1, '\t'};
    const mivo::scan::Marks a = mivo::scan::ReadMarks(block.data(), wanted);
    const mivo::scan::Marks b = mivo::scan::ReadMarksBytewise(block.data(), wanted);
    EXPECT_EQ(a.separator, b.separator);
    EXPECT_EQ(a.tab, b.tab);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(a.wanted[k], b.wanted[k]) << k;
  }
}

TEST_F(DictFileTest, Lookups) {
  const std::string text =
      "nokey line\r\n"
      "ab\tfirst\nabc\tsecond\r\n"
      "abcd\tmacro one\r\n\n"
      "abcdef\tmacro two\r\n"
      "xy\tend\tof\r\n"
      "wxyz\tno cr";
  const struct {
    char* (*lookup)(const char*, const char*);
    const char* key;
    const char* found;  // null: none
  } cases[] = {
      {mivo::LookupTextByKey, "abc", "second"},  // "ab\tfirst" has no CR
      {mivo::LookupTextByKey, "ab", "second"},   // a longer key field matches too
      {mivo::LookupTextByKey, "abcde", "macro two"},   {mivo::LookupTextByKey, "nokey", nullptr},
      {mivo::LookupTextByKey, "xy", "end\tof"},        {mivo::LookupKeyByText, "macro", "abcd"},
      {mivo::LookupKeyByText, "end\tof", "xy"},        {mivo::LookupKeyByText, "first", nullptr},
      {mivo::LookupMacroByKey, "abcdZZ", "macro one"},  // only four bytes count
      {mivo::LookupMacroByKey, "abc", "second"},        // a short key is the whole field
      {mivo::LookupMacroByKey, "ab", nullptr},          // its first line has no CR
      {mivo::LookupMacroByKey, "wxyz", nullptr},       {mivo::LookupMacroByKey, "q", nullptr},
  };
  for (const auto& c : cases) {
    char* found = c.lookup(c.key, text.c_str());
    if (c.found == nullptr) {
      EXPECT_EQ(found, nullptr) << c.key;
    } else {
      EXPECT_STREQ(found, c.found) << c.key;
    }
    mivo::MemFree(found);
  }
}

}  // namespace
