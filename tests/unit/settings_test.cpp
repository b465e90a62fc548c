#include "base/settings.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/text.h"
#include "platform/headless/desktop.h"
#include "support/sjis.h"
#include "unit/settings_state.h"

using testing_support::Sjis;

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    desktop::Reset();
    liveBefore_ = mivo::MemLiveCount();
  }
  void TearDown() override {
    state_.reset();  // releases the setting texts
    EXPECT_EQ(mivo::MemLiveCount(), liveBefore_) << "blocks leaked";
  }
  static int Load(const std::string& bytes) {
    desktop::WriteFile("settings.txt", bytes);
    return mivo::LoadSettings();
  }
  static std::string Text(const char* s) {
    return s == nullptr ? std::string("(null)") : std::string(s);
  }

 private:
  std::unique_ptr<testing_support::SettingsState> state_ =
      std::make_unique<testing_support::SettingsState>();
  int32_t liveBefore_ = 0;
};

// ---------------------------------------------------------------- defaults

TEST_F(SettingsTest, DefaultsBeforeAnyFileIsRead) {
  const struct {
    const char* name;
    int32_t value;
    int32_t expected;
  } cases[] = {
      {"TimerInterval", mivo::settings.TimerInterval, 6},
      {"LockIntervalSlow", mivo::settings.LockIntervalSlow, 12},
      {"LockIntervalQuick", mivo::settings.LockIntervalQuick, 6},
      {"TimerWait", mivo::settings.TimerWait, -8},
      {"TimerFlag", mivo::settings.TimerFlag, 0},
      {"TimerSameGroup", mivo::settings.TimerSameGroup, 3},
      {"FrameWidth", mivo::settings.FrameWidth, 2},
      {"FontBold", mivo::settings.FontBold, 0},
      {"MainWindowSize", mivo::settings.MainWindowSize, 0},
      {"MediumFontSize", mivo::settings.MediumFontSize, 0},
      {"MetricsMode", mivo::settings.MetricsMode, 1},
      {"LoggingMode", mivo::settings.LoggingMode, 0},
      {"CounterMode", mivo::settings.CounterMode, 0},
      {"MaxCandidates", mivo::settings.MaxCandidates, 10},
      {"PressKey", mivo::settings.PressKey, 29},
      {"MouseOnScan", mivo::settings.MouseOnScan, 1},
      {"ForceMouseMove", mivo::settings.ForceMouseMove, 0},
      {"BeepMode", mivo::settings.BeepMode, 0},
      {"KillProcessWait", mivo::settings.KillProcessWait, 4},
      {"LockInterval", mivo::settings.LockInterval, 6},
  };
  for (const auto& c : cases) EXPECT_EQ(c.value, c.expected) << c.name;
}

TEST_F(SettingsTest, MissingEmptyOrCommentOnlyFilesKeepDefaultsAndSucceed) {
  const struct {
    const char* label;
    bool write;
    std::string bytes;
  } cases[] = {
      {"missing", false, ""},
      {"empty", true, ""},
      {"comments", true, "# first\r\n# second TimerInterval = 9\r\n"},
      {"blanks", true, " \t\r\n\r\n"},
  };
  for (const auto& c : cases) {
    desktop::Reset();
    if (c.write) desktop::WriteFile("settings.txt", c.bytes);
    EXPECT_EQ(mivo::LoadSettings(), 1) << c.label;
    EXPECT_EQ(mivo::settings.TimerInterval, 6) << c.label;
    EXPECT_EQ(Text(mivo::settings.KeyCfgFile), "mivo_key.cfg") << c.label;
    EXPECT_EQ(Text(mivo::settings.LogFile), "LogFile.txt") << c.label;
    EXPECT_EQ(Text(mivo::settings.CounterFile), "Counter.txt") << c.label;
    EXPECT_EQ(Text(mivo::settings.SettingFile), "settings.txt") << c.label;
    EXPECT_EQ(mivo::settings.ColorCfgFile, nullptr) << c.label;
    EXPECT_TRUE(desktop::MessageBoxes().empty()) << c.label;
  }
}

// ---------------------------------------------------------------- values that are stored

TEST_F(SettingsTest, NumberAndBooleanValues) {
  const struct {
    std::string file;
    int32_t* variable;
    int32_t expected;
  } cases[] = {
      {"LoggingMode = true\r\n", &mivo::settings.LoggingMode, 1},
      {"LoggingMode = 1\r\n", &mivo::settings.LoggingMode, 1},
      {"LoggingMode = TRUE\r\n", &mivo::settings.LoggingMode, 1},
      {"LoggingMode = \"True\"\r\n", &mivo::settings.LoggingMode, 1},
      {"MouseOnScan = false\r\n", &mivo::settings.MouseOnScan, 0},
      {"MouseOnScan = 0\r\n", &mivo::settings.MouseOnScan, 0},
      {"MaxCandidates = 12.7\r\n", &mivo::settings.MaxCandidates, 12},  // «7» is a word of its own
      {"MaxCandidates = \"12.7\"\r\n", &mivo::settings.MaxCandidates, 12},
      {"MaxCandidates = \"\"\r\n", &mivo::settings.MaxCandidates, 0},  // the empty text is a number
      {"TimerWait = -8\r\n", &mivo::settings.TimerWait, 8},
      {"MaxCandidates = 1.2.3\r\n", &mivo::settings.MaxCandidates, 1},
      {"TimerInterval = 9\r\nTimerInterval = 3\r\n", &mivo::settings.TimerInterval, 3},
      {"MainWindowSize=300\r\n", &mivo::settings.MainWindowSize, 300},
      {"FrameWidth = 5 # thick frames\r\n", &mivo::settings.FrameWidth, 5},
      {"# a\rFrameWidth = 5\r", &mivo::settings.FrameWidth, 5},
      {"# comments run to a CR only\nFrameWidth = 5\r\n", &mivo::settings.FrameWidth, 2},
      {"KillProcessWait = 7\n", &mivo::settings.KillProcessWait, 7},
      {"Unknown words here\r\nKillProcessWait = 7\r\n", &mivo::settings.KillProcessWait, 7},
      {"MediumFontSizeX = 20\r\nMediumFontSizeY = 30\r\n", &mivo::settings.MediumFontSizeY, 30},
      {"TimerFlag=1 BeepMode=1\r\n", &mivo::settings.BeepMode, 1},
  };
  for (const auto& c : cases) {
    testing_support::SettingsState restore;
    desktop::Reset();
    EXPECT_EQ(Load(c.file), 1) << c.file;
    EXPECT_EQ(*c.variable, c.expected) << c.file;
    EXPECT_TRUE(desktop::MessageBoxes().empty()) << c.file;
  }
}

TEST_F(SettingsTest, KeyCodeValuesUseExactKeyNames) {
  const struct {
    const char* file;
    int result;
    int pressKey;
  } cases[] = {
      {"PressKey = Space\r\n", 1, 32},  {"PressKey = Convert\r\n", 1, 28},
      {"PressKey = LButton\r\n", 1, 1}, {"PressKey = \"F12\"\r\n", 1, 123},
      {"PressKey = space\r\n", 0, 29},  {"PressKey = SPACE\r\n", 0, 29},
  };
  for (const auto& c : cases) {
    testing_support::SettingsState restore;
    desktop::Reset();
    EXPECT_EQ(Load(c.file), c.result) << c.file;
    EXPECT_EQ(mivo::settings.PressKey, c.pressKey) << c.file;
  }
}

TEST_F(SettingsTest, StringValuesAndEscapes) {
  const struct {
    std::string file;
    char** variable;
    std::string expected;
  } cases[] = {
      {"LogFile = \"log\\x41.txt\"\r\n", &mivo::settings.LogFile, "logA.txt"},
      {"LogFile = \"a\\nb\\tc\"\r\n", &mivo::settings.LogFile, "a\r\nb\tc"},
      {"LogFile = \"q\\\"q\\\\q\\zq\"\r\n", &mivo::settings.LogFile, "q\"q\\qzq"},
      {"LogFile = \"\\x4a\\x6A\\xZ1\"\r\n", &mivo::settings.LogFile, "Jj" + std::string(1, '\x01')},
      {"LogFile = \"\\x5c\\x22\"\r\n", &mivo::settings.LogFile, "\\\""},
      {"LogFile = \"x\\x83\\x80\"\r\n", &mivo::settings.LogFile, "x" + Sjis("ム")},
      {"LogFile = \"a#b\"\r\n", &mivo::settings.LogFile, "a#b"},
      {"LogFile = \"two\r\nlines\"\r\n", &mivo::settings.LogFile, "two\r\nlines"},
      {"KeyCfgFile = plain\r\n", &mivo::settings.KeyCfgFile, "plain"},
      {"KeyCfgFile = \"LogFile\"\r\n", &mivo::settings.KeyCfgFile, "LogFile"},
      {"ColorCfgFile = \"\"\r\n", &mivo::settings.ColorCfgFile, ""},
      {"KillOnQuit = \"" + Sjis("メモ帳") + "\"\r\n", &mivo::settings.KillOnQuit, Sjis("メモ帳")},
      {"ProcessOnQuit = \"notepad.exe a.txt\"\r\n", &mivo::settings.ProcessOnQuit,
       "notepad.exe a.txt"},
      {"LogFile = \"a.txt\"\r\nLogFile = \"b.txt\"\r\n", &mivo::settings.LogFile, "b.txt"},
  };
  for (const auto& c : cases) {
    testing_support::SettingsState restore;
    desktop::Reset();
    EXPECT_EQ(Load(c.file), 1) << c.file;
    EXPECT_EQ(Text(*c.variable), c.expected) << c.file;
  }
}

// A trail byte 0x5C is half of a character, not an escape; the doubled backslash that a
// byte-wise reader needed still reads as the same character.
TEST_F(SettingsTest, TrailByteBackslashIsPartOfItsCharacter) {
  const struct {
    std::string value;
    std::string expected;
  } cases[] = {
      {Sjis("ソフト.cfg"), Sjis("ソフト.cfg")},
      {Sjis("ソ") + "\\" + Sjis("フト.cfg"), Sjis("ソフト.cfg")},
      {Sjis("表") + "t", Sjis("表") + "t"},
      {Sjis("表") + "\\t", Sjis("表") + "t"},
      {Sjis("能") + "\\\\n", Sjis("能") + "\r\n"},
      {Sjis("能能"), Sjis("能能")},
      {Sjis("能") + "\\" + Sjis("能") + "\\", Sjis("能能")},
  };
  for (const auto& c : cases) {
    testing_support::SettingsState restore;
    desktop::Reset();
    EXPECT_EQ(Load("KeyCfgFile = \"" + c.value + "\"\r\nTimerInterval = 9\r\n"), 1) << c.value;
    EXPECT_EQ(Text(mivo::settings.KeyCfgFile), c.expected) << c.value;
    EXPECT_EQ(mivo::settings.TimerInterval, 9) << c.value;
  }
}

// An escaped byte has to be written as exactly two hex digits; "\x4" followed by the
// closing quote takes the quote as its second digit and leaves the string open.
TEST_F(SettingsTest, HexEscapeAlwaysTakesTwoBytes) {
  EXPECT_EQ(Load("LogFile = \"\\x4\"\r\nTimerInterval = 9\r\n"), 1);
  EXPECT_EQ(mivo::settings.TimerInterval, 6);
  EXPECT_EQ(Text(mivo::settings.LogFile), "LogFile.txt");
}

// ---------------------------------------------------------------- grammar errors

TEST_F(SettingsTest, ErrorsAreReportedWithTheirLine) {
  const struct {
    std::string file;
    const char* text;
  } cases[] = {
      {"LoggingMode = yes\r\n", "Boolean expected at line 1"},
      {"\r\n\r\nMaxCandidates = \"x\"\r\n", "Number expected at line 3"},
      {"PressKey = space\r\n", "KeyCode expected at line 1"},
      {"KeyCfgFile = LogFile\r\nTimerInterval = 5\r\n", "Equal expected at line 2"},
      {"KeyCfgFile = LogFile\r\n", "Equal expected at line 0"},
      {"Foo = 1\r\n", "New tag expected at line 1"},
      {"Foo\r\n\r\n= 1\r\n", "New tag expected at line 3"},
      {"Foo \"x\"\r\n", "New tag expected at line 1"},
      {"LogFile = =\r\n", "String value expected at line 1"},
      {"LogFile =\r\n", "String value expected at line 0"},
      {"TimerInterval 5\r\n", "Equal expected at line 1"},
      {"TimerInterval\r\n", "Equal expected at line 0"},
      {"TimerInterval\r\n\r\n\"5\"\r\n", "Equal expected at line 3"},
      {"TimerInterval =\r\n", "Number expected at line 0"},
      {"TimerInterval = =\r\n", "Number expected at line 1"},
      {"TimerInterval = \"\\x31\\x32x\"\r\n", "Number expected at line 1"},
      {"FontBold = =\r\n", "Boolean expected at line 1"},
      {"PressKey =\r\n", "KeyCode expected at line 0"},
      {"timerinterval = 5\r\n", "New tag expected at line 1"},
      // Only CR counts: LF alone, CR LF once, CRs inside strings and comments too.
      {"\n\n\nFoo = 1\n", "New tag expected at line 1"},
      {"\r\n\r\nFoo = 1\r\n", "New tag expected at line 3"},
      {"\r\r\rFoo = 1\r", "New tag expected at line 4"},
      {"LogFile = \"a\rb\"\rFoo = 1\r", "New tag expected at line 3"},
      {"# one\r# two\rFoo = 1\r", "New tag expected at line 3"},
      {"# one\n# two\rFoo = 1\r", "New tag expected at line 2"},
      // A token counts on the line where it ends.
      {"Foo \"a\r\nb\"\r\n", "New tag expected at line 2"},
      {"TimerInterval = 5\r\nLoggingMode = on\r\n", "Boolean expected at line 2"},
  };
  for (const auto& c : cases) {
    testing_support::SettingsState restore;
    desktop::Reset();
    EXPECT_EQ(Load(c.file), 0) << c.file;
    const auto boxes = desktop::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u) << c.file;
    EXPECT_EQ(boxes[0].text, c.text) << c.file;
    EXPECT_EQ(boxes[0].caption, "Mivo setting error");
    EXPECT_EQ(boxes[0].owner, nullptr);
    EXPECT_EQ(boxes[0].type, os::MB_OK);
  }
}

TEST_F(SettingsTest, NothingIsStoredWhenTheFileHasAnError) {
  ASSERT_EQ(Load("TimerInterval = 9\r\nLogFile = \"x.txt\"\r\n"), 1);
  ASSERT_EQ(Text(mivo::settings.LogFile), "x.txt");
  EXPECT_EQ(Load("TimerInterval = 3\r\nLogFile = \"y.txt\"\r\nLockIntervalQuick = 0\r\n"
                 "PressKey = Space\r\nLoggingMode = 1\r\nFoo = 2\r\n"),
            0);
  EXPECT_EQ(mivo::settings.TimerInterval, 9);
  EXPECT_EQ(Text(mivo::settings.LogFile), "x.txt");
  EXPECT_EQ(mivo::settings.LockIntervalQuick, 6);
  EXPECT_EQ(mivo::settings.PressKey, 29);
  EXPECT_EQ(mivo::settings.LoggingMode, 0);
}

// A file whose last byte leaves a word, a string or a comment open reads as empty,
// even when the lines before it hold values or errors.
TEST_F(SettingsTest, FileEndingInsideATokenReadsAsEmpty) {
  const std::string cases[] = {
      "TimerInterval = 9",
      "TimerInterval = 9\r\nLogFile = \"abc",
      "TimerInterval = 9\r\n# note",
      "TimerInterval = 9\r\nLogFile = \"abc\\",
      "TimerInterval = 9\r\nLogFile = \"abc\\x4",
      "Foo = 1",
      "Foo = 1\r\n# end\n",
  };
  for (const auto& c : cases) {
    testing_support::SettingsState restore;
    desktop::Reset();
    EXPECT_EQ(Load(c), 1) << c;
    EXPECT_EQ(mivo::settings.TimerInterval, 6) << c;
    EXPECT_EQ(Text(mivo::settings.LogFile), "LogFile.txt") << c;
    EXPECT_TRUE(desktop::MessageBoxes().empty()) << c;
  }
}

// ---------------------------------------------------------------- dependent defaults

TEST_F(SettingsTest, LockIntervalsBelowOneFollowTimerInterval) {
  const struct {
    const char* file;
    int32_t quick, slow, lock;
  } cases[] = {
      {"LockIntervalQuick = 0\r\nTimerInterval = 9\r\n", 9, 12, 9},
      {"LockIntervalSlow = 0\r\nTimerInterval = 4\r\n", 6, 4, 6},
      {"LockIntervalSlow = 0\r\nLockIntervalQuick = 0.9\r\nTimerInterval = 2\r\n", 2, 2, 2},
      {"LockIntervalQuick = 1\r\nTimerInterval = 9\r\n", 1, 12, 6},
  };
  for (const auto& c : cases) {
    testing_support::SettingsState restore;
    desktop::Reset();
    EXPECT_EQ(Load(c.file), 1) << c.file;
    EXPECT_EQ(mivo::settings.LockIntervalQuick, c.quick) << c.file;
    EXPECT_EQ(mivo::settings.LockIntervalSlow, c.slow) << c.file;
    EXPECT_EQ(mivo::settings.LockInterval, c.lock) << c.file;
  }
}

// ---------------------------------------------------------------- reloads and file names

TEST_F(SettingsTest, ReloadKeepsValuesTheFileLeavesOut) {
  ASSERT_EQ(Load("TimerInterval = 9\r\nKeyCfgFile = \"a.cfg\"\r\n"), 1);
  ASSERT_EQ(Load("FrameWidth = 4\r\n"), 1);
  EXPECT_EQ(mivo::settings.TimerInterval, 9);
  EXPECT_EQ(mivo::settings.FrameWidth, 4);
  EXPECT_EQ(Text(mivo::settings.KeyCfgFile), "a.cfg");
}

TEST_F(SettingsTest, SettingFileNameChoosesTheFileOfLaterLoads) {
  desktop::WriteFile("settings.txt", "SettingFile = \"second.txt\"\r\nTimerInterval = 1\r\n");
  desktop::WriteFile("second.txt", "TimerInterval = 2\r\n");
  desktop::WriteFile("third.txt", "TimerInterval = 3\r\n");
  ASSERT_EQ(mivo::LoadSettings(), 1);
  EXPECT_EQ(mivo::settings.TimerInterval, 1);
  EXPECT_EQ(Text(mivo::settings.SettingFile), "second.txt");
  ASSERT_EQ(mivo::LoadSettings(), 1);
  EXPECT_EQ(mivo::settings.TimerInterval, 2);
  mivo::SetSettingFileName("third.txt");
  ASSERT_EQ(mivo::LoadSettings(), 1);
  EXPECT_EQ(mivo::settings.TimerInterval, 3);
}

TEST_F(SettingsTest, ReleaseSettingTextsFreesEveryText) {
  const int32_t before = mivo::MemLiveCount();
  ASSERT_EQ(Load("ColorCfgFile = \"c\"\r\nProcessOnQuit = \"p\"\r\nKillOnQuit = \"k\"\r\n"), 1);
  EXPECT_EQ(mivo::MemLiveCount(), before + 7);
  mivo::ReleaseSettingTexts();
  EXPECT_EQ(mivo::MemLiveCount(), before);
  EXPECT_EQ(mivo::settings.KeyCfgFile, nullptr);
  EXPECT_EQ(mivo::settings.SettingFile, nullptr);
}

// ---------------------------------------------------------------- long tokens

// Texts longer than 255 bytes are cut to 255 (never past a half character), and the
// rest of the file is read on as usual.
TEST_F(SettingsTest, OverLongTokensAreCut) {
  const std::string longText(300, 'a');
  const std::string split = std::string(254, 'b') + Sjis("あ") + "c";
  const struct {
    std::string file;
    std::string logFile;
    int32_t timerInterval;
    int result;
  } cases[] = {
      {"LogFile = \"" + longText + "\"\r\nTimerInterval = 9\r\n", std::string(255, 'a'), 9, 1},
      {"LogFile = " + longText + "\r\nTimerInterval = 9\r\n", std::string(255, 'a'), 9, 1},
      {"LogFile = \"" + split + "\"\r\n", std::string(254, 'b'), 6, 1},
      {"LogFile = \"" + std::string(254, 'd') + "\\n\"\r\n", std::string(254, 'd') + "\r", 6, 1},
      {"TimerInterval" + std::string(300, 'x') + " 5\r\nTimerInterval = 9\r\n", "LogFile.txt", 9,
       1},
      {"TimerInterval = " + std::string(300, '1') + "\r\nFoo = 1\r\n", "LogFile.txt", 6, 0},
  };
  for (const auto& c : cases) {
    testing_support::SettingsState restore;
    desktop::Reset();
    EXPECT_EQ(Load(c.file), c.result) << c.file.substr(0, 40);
    if (c.result == 1) {
      EXPECT_EQ(Text(mivo::settings.LogFile), c.logFile) << c.file.substr(0, 40);
      EXPECT_EQ(mivo::settings.TimerInterval, c.timerInterval) << c.file.substr(0, 40);
    }
  }
}

}  // namespace
