#include "ime/conversion_dict.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/log.h"
#include "base/settings.h"
#include "base/text.h"
#include "dict/dict_file.h"
#include "ime/state.h"
#include "platform/headless/desktop.h"
#include "support/sjis.h"

namespace {

using testing_support::Sjis;

class ConversionDictTest : public ::testing::Test {
 protected:
  void SetUp() override {
    desktop::Reset();
    live_ = mivo::MemLiveCount();
  }
  void TearDown() override {
    mivo::ResetImeState();
    mivo::CloseLogAndCounter();
    mivo::ReleaseSettingTexts();
    EXPECT_EQ(mivo::MemLiveCount(), live_) << "blocks leaked";
  }
  int32_t live_ = 0;
};

TEST_F(ConversionDictTest, SourceLinesBecomeDictionaryLines) {
  const std::string longReading(9000, 'a');
  struct Case {
    mivo::SourceLayout layout;
    std::string source, copied;
  } cases[] = {
      {mivo::SourceLayout::Word, Sjis("よみ 読み\r\n"), Sjis("読み\tよみ\r\n")},
      {mivo::SourceLayout::Word, "\r\nb a\r\nnospace\r\nlast x", "\r\na\tb\r\nnospace\r\nx\tlast"},
      {mivo::SourceLayout::Word, "r " + longReading + "\r\nq p\r\n",
       longReading + "\tr\r\np\tq\r\n"},
      {mivo::SourceLayout::Phrase, Sjis("前 語 よ み\r\n"), Sjis("前\t語\tよ み\r\n")},
      {mivo::SourceLayout::Phrase, "one space\r\n\r\nc t r", "one space\r\n\r\nc\tt\tr"},
      {mivo::SourceLayout::Phrase, "", ""},
  };
  for (const Case& c : cases) {
    desktop::WriteFile("src", c.source);
    desktop::WriteFile("dst", "");
    EXPECT_EQ(mivo::CopySourceFile("src", "dst", c.layout), 1);
    EXPECT_EQ(desktop::ReadFile("dst"), c.copied) << c.source.substr(0, 40);
  }
  EXPECT_EQ(mivo::CopySourceFile("absent", "dst", mivo::SourceLayout::Word), 0);
}

TEST_F(ConversionDictTest, FirstStartFillsTransOnceAndLaterStartsKeepIt) {
  desktop::WriteFile("settings.txt", "LoggingMode = 1\r\n");
  ASSERT_EQ(mivo::LoadSettings(), 1);
  mivo::OpenLog();
  desktop::WriteFile("phrase", "c t r\r\n");
  desktop::WriteFile("word", "r t\r\n");
  ASSERT_EQ(mivo::ConversionOpen(), 1);
  mivo::ConversionClose();
  desktop::WriteFile("word", "r2 t2\r\n");
  ASSERT_EQ(mivo::ConversionOpen(), 1);
  mivo::ConversionClose();
  EXPECT_EQ(desktop::ReadFile("Trans\\phrase"), "c\tt\tr\r\n");
  EXPECT_EQ(desktop::ReadFile("Trans\\word"), "t\tr\r\n");
  mivo::CloseLogAndCounter();
  const std::string log = desktop::ReadFile("LogFile.txt");
  std::vector<std::string> events;
  for (size_t at = log.find("TransInit\t"); at != std::string::npos;
       at = log.find("TransInit\t", at + 1))
    events.push_back(log.substr(at + 10, log.find('\r', at) - at - 10));
  EXPECT_EQ(events, (std::vector<std::string>{"Create Trans Directory", "Copying phrase dictionary",
                                              "Copying phrase dictionary"}));
}

TEST_F(ConversionDictTest, AWordFileAloneIsKeptAndThePhraseFileStartsEmpty) {
  desktop::WriteFile("Trans\\word", "t\tr\r\n");
  desktop::WriteFile("phrase", "c t r\r\n");
  ASSERT_EQ(mivo::ConversionOpen(), 1);
  mivo::ConversionClose();
  EXPECT_EQ(desktop::ReadFile("Trans\\phrase"), std::string(1, '\0'));
  EXPECT_EQ(desktop::ReadFile("Trans\\word"), "t\tr\r\n");
}

TEST_F(ConversionDictTest, LearningWritesBothFilesAndCloseKeepsTheNewest30000Lines) {
  std::string words;
  for (int i = 0; i < 30005; ++i) words += "w" + std::to_string(i) + "\tr\r\n";
  desktop::WriteFile("Trans\\word", words);
  ASSERT_EQ(mivo::ConversionOpen(), 1);
  memcpy(mivo::imeState.conversion->recent, "ctx", 3);
  mivo::ConversionLearn("T", "R", 0);
  mivo::ConversionClose();
  EXPECT_EQ(desktop::ReadFile("Trans\\phrase"), "ctx\tT\tR\r\n");
  const std::string kept = desktop::ReadFile("Trans\\word");
  EXPECT_EQ(kept.substr(0, 7), "w6\tr\r\nw");  // the five oldest and one more for T
  EXPECT_EQ(kept.substr(kept.size() - 5), "T\tR\r\n");
}

}  // namespace

// A kill at any byte of the first fill: the next start ends with the files a whole fill
// gives, not with the part of the seeds that was copied.
TEST_F(ConversionDictTest, AFillAKillCutShortIsMadeAgain) {
  const auto start = [] {
    if (mivo::ConversionOpen() == 1) mivo::ConversionClose();
    mivo::ResetImeState();
  };
  const auto sources = [] {
    desktop::WriteFile("phrase", "c t r\r\nd u s\r\n");
    desktop::WriteFile("word", "r t\r\nq p\r\n");
  };
  sources();
  start();
  const std::string phrase = desktop::ReadFile("Trans\\phrase"),
                    word = desktop::ReadFile("Trans\\word");
  const uint64_t whole = desktop::BytesWritten();
  ASSERT_EQ(word, "t\tr\r\np\tq\r\n");
  for (uint64_t stop = 0; stop < whole; ++stop) {
    desktop::Reset();
    sources();
    desktop::StopWritesAfter(static_cast<int64_t>(stop));
    start();
    desktop::StopWritesAfter(-1);
    start();
    EXPECT_EQ(desktop::ReadFile("Trans\\phrase"), phrase) << "stopped after " << stop;
    EXPECT_EQ(desktop::ReadFile("Trans\\word"), word) << "stopped after " << stop;
    EXPECT_FALSE(desktop::FileExists("Trans\\filling")) << "stopped after " << stop;
  }
}
