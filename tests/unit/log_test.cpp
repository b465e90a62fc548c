#include "base/log.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/settings.h"
#include "base/text.h"
#include "platform/headless/desktop.h"
#include "unit/settings_state.h"

namespace {

os::SystemTime At(int year, int month, int day, int hour, int minute, int second = 33) {
  os::SystemTime t{};
  t.wYear = static_cast<os::WORD>(year);
  t.wMonth = static_cast<os::WORD>(month);
  t.wDay = static_cast<os::WORD>(day);
  t.wHour = static_cast<os::WORD>(hour);
  t.wMinute = static_cast<os::WORD>(minute);
  t.wSecond = static_cast<os::WORD>(second);
  return t;
}

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    desktop::Reset();
    desktop::SetLocalTime(At(2002, 11, 5, 14, 7));
    liveBefore_ = mivo::MemLiveCount();
  }
  void TearDown() override {
    mivo::CloseLogAndCounter();
    // A leftover count would leak into the next test when the suite shares a process.
    mivo::settings.CounterMode = 1;
    mivo::CountEvent(0, 1);
    state_.reset();
    EXPECT_EQ(mivo::MemLiveCount(), liveBefore_) << "blocks leaked";
  }
  // One run of the program as far as this module sees it.
  static void Start(const std::string& settings) {
    desktop::WriteFile("settings.txt", settings);
    ASSERT_EQ(mivo::LoadSettings(), 1);
    mivo::OpenLog();
  }

 private:
  std::unique_ptr<testing_support::SettingsState> state_ =
      std::make_unique<testing_support::SettingsState>();
  int32_t liveBefore_ = 0;
};

TEST_F(LogTest, LinesOfARun) {
  Start("LoggingMode = 1\r\n");
  EXPECT_EQ(mivo::WriteLog("ProcessMacro", "Direct(A)"), 1);
  mivo::CloseLogAndCounter();
  EXPECT_EQ(desktop::ReadFile("LogFile.txt"),
            "[02/11/05:14:07]\tLog\tInit Success\r\n"
            "[02/11/05:14:07]\tProcessMacro\tDirect(A)\r\n"
            "[02/11/05:14:07]\tLog\tFinish Success\r\n");
  EXPECT_FALSE(desktop::FileExists("Counter.txt"));
  // Once closed, nothing more is written.
  EXPECT_EQ(mivo::WriteLog("Late", "x"), 0);
}

TEST_F(LogTest, TimeStampFields) {
  const struct {
    os::SystemTime time;
    const char* stamp;
  } cases[] = {
      {At(2002, 11, 5, 14, 7), "[02/11/05:14:07]"},
      {At(2000, 1, 1, 0, 0), "[00/01/01:00:00]"},
      {At(1999, 12, 31, 23, 59, 59), "[99/12/31:23:59]"},
      {At(2024, 2, 29, 9, 5), "[24/02/29:09:05]"},
      {At(2105, 10, 10, 10, 10), "[05/10/10:10:10]"},
  };
  Start("LoggingMode = True\r\n");
  for (const auto& c : cases) {
    desktop::SetLocalTime(c.time);
    EXPECT_EQ(mivo::WriteLog("E", "T"), 1);
  }
  mivo::CloseLogAndCounter();
  std::string expected = "[02/11/05:14:07]\tLog\tInit Success\r\n";
  for (const auto& c : cases) expected += std::string(c.stamp) + "\tE\tT\r\n";
  expected += std::string(cases[4].stamp) + "\tLog\tFinish Success\r\n";
  EXPECT_EQ(desktop::ReadFile("LogFile.txt"), expected);
}

TEST_F(LogTest, LogAppendsToTheNamedFile) {
  desktop::WriteFile("my.log", "earlier line\r\n");
  Start("LoggingMode = 1\r\nLogFile = \"my.log\"\r\n");
  mivo::CloseLogAndCounter();
  EXPECT_EQ(desktop::ReadFile("my.log"),
            "earlier line\r\n"
            "[02/11/05:14:07]\tLog\tInit Success\r\n"
            "[02/11/05:14:07]\tLog\tFinish Success\r\n");
  EXPECT_FALSE(desktop::FileExists("LogFile.txt"));
}

TEST_F(LogTest, LongTextsAreWrittenWhole) {
  const std::string text(5000, 'm');
  Start("LoggingMode = 1\r\n");
  EXPECT_EQ(mivo::WriteLog("ProcessMacro", text.c_str()), 1);
  EXPECT_EQ(mivo::WriteLog("NoText", nullptr), 1);
  mivo::CloseLogAndCounter();
  const std::string log = desktop::ReadFile("LogFile.txt");
  EXPECT_NE(log.find("]\tProcessMacro\t" + text + "\r\n"), std::string::npos);
  EXPECT_NE(log.find("]\tNoText\t\r\n"), std::string::npos);
}

TEST_F(LogTest, LoggingOffWritesNothing) {
  Start("CounterMode = 0\r\n");
  EXPECT_EQ(mivo::WriteLog("ProcessMacro", "Direct(A)"), 0);
  mivo::CountEvent(mivo::COUNT_SELECTION, 0);
  mivo::CloseLogAndCounter();
  EXPECT_FALSE(desktop::FileExists("LogFile.txt"));
  EXPECT_FALSE(desktop::FileExists("Counter.txt"));
}

// Three selections whose actions were «Direct(A)», «Direct(B)» and «Direct(BS)»: each
// Direct that presses a key counts two outputs, the back space takes one away.
TEST_F(LogTest, CounterLineWithoutLog) {
  Start("CounterMode = 1\r\n");
  for (int i = 0; i < 3; ++i) mivo::CountEvent(mivo::COUNT_SELECTION, 0);
  for (int i = 0; i < 4; ++i) mivo::CountEvent(mivo::COUNT_OUTPUT, 0);
  mivo::CountEvent(mivo::COUNT_OUTPUT_UNDO, 0);
  desktop::SetLocalTime(At(2002, 11, 5, 18, 30));
  mivo::CloseLogAndCounter();
  EXPECT_EQ(desktop::ReadFile("Counter.txt"), "[02/11/05:18:30]\t3\t3\r\n");
  EXPECT_FALSE(desktop::FileExists("LogFile.txt"));
}

TEST_F(LogTest, CountFlagsCombineAndResetComesLast) {
  const struct {
    int flags, reset;
  } steps[][4] = {
      {{1 | 2, 0}, {1 | 2 | 4, 0}, {0, 0}, {0, 0}},  // 2 selections, 1 output
      {{2, 0}, {2, 1}, {1, 0}, {4, 0}},              // reset after the add: 1 selection, -1 output
      {{4, 0}, {4, 0}, {0, 0}, {0, 0}},              // outputs may go below zero
  };
  const char* expected[] = {"\t2\t1\r\n", "\t1\t-1\r\n", "\t0\t-2\r\n"};
  for (int run = 0; run < 3; ++run) {
    desktop::Reset();
    desktop::SetLocalTime(At(2010, 6, 7, 8, 9));
    Start("CounterMode = 1\r\n");
    for (const auto& step : steps[run]) mivo::CountEvent(step.flags, step.reset);
    mivo::CloseLogAndCounter();
    EXPECT_EQ(desktop::ReadFile("Counter.txt"), std::string("[10/06/07:08:09]") + expected[run])
        << run;
  }
}

TEST_F(LogTest, CounterOffCountsNothing) {
  Start("LoggingMode = 1\r\n");
  mivo::CountEvent(mivo::COUNT_SELECTION | mivo::COUNT_OUTPUT, 0);
  mivo::CloseLogAndCounter();
  EXPECT_FALSE(desktop::FileExists("Counter.txt"));
  // Switching the counter on afterwards shows that nothing was counted meanwhile.
  mivo::settings.CounterMode = 1;
  mivo::CloseLogAndCounter();
  EXPECT_EQ(desktop::ReadFile("Counter.txt"), "[02/11/05:14:07]\t0\t0\r\n");
}

TEST_F(LogTest, TwoRunsAppendTwoCounterLines) {
  Start("CounterMode = 1\r\nLoggingMode = 1\r\n");
  mivo::CountEvent(mivo::COUNT_SELECTION, 0);
  mivo::CloseLogAndCounter();
  mivo::ReleaseSettingTexts();

  desktop::SetLocalTime(At(2002, 11, 6, 9, 0));
  Start("CounterMode = 1\r\nLoggingMode = 0\r\n");
  mivo::CountEvent(mivo::COUNT_SELECTION, 0);
  mivo::CountEvent(mivo::COUNT_SELECTION | mivo::COUNT_OUTPUT, 0);
  mivo::CloseLogAndCounter();

  EXPECT_EQ(desktop::ReadFile("Counter.txt"),
            "[02/11/05:14:07]\t1\t0\r\n"
            "[02/11/06:09:00]\t2\t1\r\n");
  EXPECT_EQ(desktop::ReadFile("LogFile.txt"),
            "[02/11/05:14:07]\tLog\tInit Success\r\n"
            "[02/11/05:14:07]\tLog\tFinish Success\r\n"
            "[02/11/05:14:07]\tCounter\tFinish Success\r\n");
}

// A reload that switches logging off must not leave the log handle open; a later run
// can then append again.
TEST_F(LogTest, LogClosedEvenWhenLoggingWasSwitchedOff) {
  Start("LoggingMode = 1\r\n");
  mivo::settings.LoggingMode = 0;
  mivo::CloseLogAndCounter();
  mivo::settings.LoggingMode = 1;
  EXPECT_EQ(mivo::WriteLog("After", "close"), 0);
  EXPECT_EQ(desktop::ReadFile("LogFile.txt"), "[02/11/05:14:07]\tLog\tInit Success\r\n");
}

}  // namespace
