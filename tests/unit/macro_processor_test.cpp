// The macro processor against a main window of the test's own that records every
// command message it receives and answers as the test tells it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/bus.h"
#include "base/log.h"
#include "base/messages.h"
#include "base/settings.h"
#include "base/text.h"
#include "macro/macro.h"
#include "platform/headless/desktop.h"
#include "support/sjis.h"

namespace {

using testing_support::Sjis;

struct Call {
  std::string word;
  std::optional<std::string> argument;
  bool operator==(const Call&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Call& c) {
  return out << c.word << "(" << (c.argument ? "\"" + *c.argument + "\"" : "null") << ")";
}

std::vector<Call> gCalls;
// What a command answers; -1 unless the test says otherwise.
std::function<os::LRESULT(const Call&)> gAnswer;

std::string WordOf(os::UINT message, os::WPARAM code) {
  for (const mivo::CommandEntry& e : mivo::CommandTable) {
    if (e.message == message && e.code == code) return e.word;
  }
  return "?";
}

os::LRESULT RecordingProc(os::Window w, os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  if (message >= mivo::MM_APP_COMMAND && message <= mivo::MM_IME_COMMAND) {
    const char* arg = reinterpret_cast<const char*>(lParam);
    Call call{WordOf(message, wParam), arg ? std::optional<std::string>(arg) : std::nullopt};
    gCalls.push_back(call);
    return gAnswer ? gAnswer(call) : -1;
  }
  if (message == mivo::MM_RUN_MACRO) return mivo::MacroMainProc(w, message, wParam, lParam);
  return os::DefWindowProc(w, message, wParam, lParam);
}

class MacroProcessor : public ::testing::Test {
 protected:
  void SetUp() override {
    desktop::Reset();
    os::WndClass wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = "MacroTestMain";
    ASSERT_TRUE(os::RegisterClass(wc));
    main_ = os::CreateWindowEx(0, "MacroTestMain", "test", os::WS_POPUP, 0, 0, 10, 10, nullptr,
                               nullptr, nullptr);
    ASSERT_NE(main_, nullptr);
    mivo::SetMainWindow(main_);
    gCalls.clear();
    gAnswer = nullptr;
    liveAtStart_ = mivo::MemLiveCount();
  }
  void TearDown() override {
    mivo::ReleasePendingMacro();
    EXPECT_EQ(mivo::MemLiveCount(), liveAtStart_) << "the processor leaked or over-freed";
  }
  os::Window main_ = nullptr;
  int32_t liveAtStart_ = 0;
};

std::optional<std::string> Arg(const char* s) { return std::string(s); }
const std::optional<std::string> kNull = std::nullopt;

struct ParseCase {
  const char* name;
  std::string text;
  std::vector<Call> expected;
};

void PrintTo(const ParseCase& c, std::ostream* out) { *out << c.name; }

class MacroParsing : public MacroProcessor, public ::testing::WithParamInterface<ParseCase> {};

TEST_P(MacroParsing, RoutesWordsAndArguments) {
  mivo::RunMacro(GetParam().text.c_str());
  EXPECT_EQ(gCalls, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Macro, MacroParsing,
    ::testing::Values(
        ParseCase{"NoBlankAfterParen",
                  "Direct(A)Direct(B)",
                  {{"Direct", Arg("A")}, {"Direct", Arg("B")}}},
        ParseCase{"BlankBeforeParen", "Direct (A)", {{"Direct", Arg("A")}}},
        ParseCase{"TabAndControlBytesAreBlanks",
                  "\x01"
                  "Direct\t(A)\r\nGoHome",
                  {{"Direct", Arg("A")}, {"GoHome", kNull}}},
        ParseCase{"EscapedParen", "DirectPhrase(a%)b)", {{"DirectPhrase", Arg("a)b")}}},
        ParseCase{"EscapedPercent", "DirectPhrase(50%%)", {{"DirectPhrase", Arg("50%")}}},
        ParseCase{"EscapedOpenParen",
                  "DirectPhrase(%(x%)) Direct(B)",
                  {{"DirectPhrase", Arg("(x)")}, {"Direct", Arg("B")}}},
        ParseCase{"EscapedParenAtVeryEndCloses", "DirectPhrase(a%)", {{"DirectPhrase", Arg("a")}}},
        ParseCase{"EscapedParenThenClose", "DirectPhrase(a%))", {{"DirectPhrase", Arg("a)")}}},
        ParseCase{
            "EscapedParenNotLastStaysLiteral", "DirectPhrase(a%) ", {{"DirectPhrase", Arg("a) ")}}},
        ParseCase{"LonePercentAtEndDropped", "DirectPhrase(a%", {{"DirectPhrase", Arg("a")}}},
        ParseCase{"OtherEscapedByteIsItself", "DirectPhrase(%a)", {{"DirectPhrase", Arg("a")}}},
        ParseCase{"BlanksAfterParenSkippedBeforeKept", "Direct(  A  )", {{"Direct", Arg("A  ")}}},
        ParseCase{"NoArgumentThenEmptyArgument",
                  "GoHome GoKeyboard()",
                  {{"GoHome", kNull}, {"GoKeyboard", Arg("")}}},
        ParseCase{"UnclosedTakesTheRest", "Direct(A Wait(5", {{"Direct", Arg("A Wait(5")}}},
        ParseCase{"UnclosedUpToFirstClose",
                  "Direct(A Wait(5) GoHome",
                  {{"Direct", Arg("A Wait(5")}, {"GoHome", kNull}}},
        ParseCase{"UnknownWordSkipped", "Foo(1) Direct(B)", {{"Direct", Arg("B")}}},
        ParseCase{"WordsAreCaseSensitive", "direct(A) DIRECT(B) Direct(C)", {{"Direct", Arg("C")}}},
        ParseCase{"PrefixOfAWordIsNoWord", "Dir(A) DirectPhrases(B)", {}},
        ParseCase{"StrayParenMakesEmptyWord", "(A) Direct(B)", {{"Direct", Arg("B")}}},
        ParseCase{"StrayCloseJoinsTheWord", ")Direct(A) Direct(B)", {{"Direct", Arg("B")}}},
        ParseCase{"BlanksOnly", " \t\r\n ", {}},
        ParseCase{"CommandList",
                  "Command(GoHome[] SetFocus[12])",
                  {{"GoHome", Arg("")}, {"SetFocus", Arg("12")}}},
        ParseCase{"CommandListBlankEndsBracket",
                  "Command(Hide[a b] Show[3])",
                  {{"Hide", Arg("a")}, {"Show", Arg("3")}}},
        ParseCase{"CommandListBlanksAroundBracket",
                  "Command(  Hide [ 7] Show)",
                  {{"Hide", Arg("7")}, {"Show", kNull}}},
        ParseCase{"CommandListUnclosedBracket",
                  "Command(NextCandidates[20)",
                  {{"NextCandidates", Arg("20")}}},
        ParseCase{"CommandWithoutArgument", "Command Command() Direct(A)", {{"Direct", Arg("A")}}},
        ParseCase{"CommandInsideCommand", "Command(Command[Hide])", {{"Hide", kNull}}},
        ParseCase{"CommandIsCaseSensitive", "command(Hide[1])", {}},
        ParseCase{"JapanesePassesThrough",
                  Sjis("DirectPhrase(ソ表示) AddRead(か)"),
                  {{"DirectPhrase", Sjis("ソ表示")}, {"AddRead", Sjis("か")}}},
        ParseCase{"GeneratedCandidateText", "TranslateI(a%)b%)", {{"TranslateI", Arg("a)b")}}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(MacroProcessor, CommandTableIsConsistent) {
  std::set<std::string> words;
  std::set<os::WPARAM> codes;
  for (const mivo::CommandEntry& e : mivo::CommandTable) {
    EXPECT_TRUE(words.insert(e.word).second) << e.word << " appears twice";
    EXPECT_TRUE(codes.insert(e.code).second) << e.word << " shares its code";
    // The code's high byte names the message that carries it.
    EXPECT_EQ(e.message, mivo::MM_APP_COMMAND + (e.code >> 8) - 1) << e.word;
    EXPECT_GE(e.code & 0xFF, 1u) << e.word;
  }
  EXPECT_EQ(words.size(), 47u);
  EXPECT_EQ(mivo::FindCommand("Command"), nullptr);
  EXPECT_EQ(mivo::FindCommand(nullptr), nullptr);
}

TEST_F(MacroProcessor, FindCommandGivesTheOwnersCodes) {
  struct {
    const char* word;
    os::UINT message;
    os::WPARAM code;
  } cases[] = {{"TranslateP", 1796, 1030}, {"PTranslateD", 1795, 769}, {"DirectPhrase", 1793, 258},
               {"Direct", 1793, 257},      {"Lock", 1794, 545},        {"Wait", 1793, 266},
               {"GoYosoku", 1794, 532},    {"GoPYosoku", 1794, 531},   {"SmallKana", 1796, 1045},
               {"Mouse", 1793, 269},       {"SelectKey", 1794, 542},   {"MivoQuit", 1793, 273}};
  for (const auto& c : cases) {
    const mivo::CommandEntry* e = mivo::FindCommand(c.word);
    ASSERT_NE(e, nullptr) << c.word;
    EXPECT_EQ(e->message, c.message) << c.word;
    EXPECT_EQ(e->code, c.code) << c.word;
  }
  EXPECT_STREQ(mivo::CommandTable[0].word, "TranslateP");
  EXPECT_STREQ(mivo::CommandTable[mivo::COMMAND_COUNT - 1].word, "Mouse");
}

TEST_F(MacroProcessor, ResultIsTheLastNonZeroAnswer) {
  gAnswer = [](const Call& c) -> os::LRESULT {
    if (c.word == "Hide") return 7;
    if (c.word == "Show") return 0;
    return -1;
  };
  EXPECT_EQ(mivo::RunMacro("Direct(A) Hide(1) Show(2)"), 7);
  EXPECT_EQ(mivo::RunMacro("Hide(1) Direct(A)"), -1);
  EXPECT_EQ(mivo::RunMacro("Show(1) Foo(2)"), 0);
  EXPECT_EQ(mivo::RunMacro(""), 0);
  EXPECT_EQ(mivo::RunMacro(nullptr), 0);
  // Inside a list every answer replaces the previous one, zero too.
  EXPECT_EQ(mivo::RunCommandList("Hide[1] Show[2]"), 0);
  EXPECT_EQ(mivo::RunCommandList("Show[1] Hide[2]"), 7);
  EXPECT_EQ(mivo::RunCommand("Unknown", "x"), 0);
  EXPECT_EQ(mivo::RunCommand(nullptr, "x"), 0);
  EXPECT_EQ(mivo::RunCommand("Command", nullptr), 0);
}

// A lock owner like the keyboard's: Lock starts a lock (-3) or ends the one running (-2).
class MacroPending : public MacroProcessor {
 protected:
  void SetUp() override {
    MacroProcessor::SetUp();
    gAnswer = [this](const Call& c) -> os::LRESULT {
      if (c.word == "Lock") {
        locked_ = !locked_;
        return locked_ ? mivo::RESULT_START_LOCK : mivo::RESULT_END_LOCK;
      }
      if (c.word == "LockSlow") return mivo::RESULT_START_LOCK;
      if (c.word == "LockQuick") return mivo::RESULT_END_LOCK;
      if (c.word == "Hide") return 5;
      return -1;
    };
  }
  bool locked_ = false;
};

TEST_F(MacroPending, LockDefersTheRestUntilItEnds) {
  EXPECT_EQ(mivo::RunMacro("Hide(1) Lock(Enter) Direct(A)"), 5);
  EXPECT_EQ(gCalls, (std::vector<Call>{{"Hide", Arg("1")}, {"Lock", Arg("Enter")}}));
  gCalls.clear();
  // The second Lock ends the lock and the deferred " Direct(A)" runs inside this run;
  // its result stands for the Lock command.
  EXPECT_EQ(mivo::RunMacro("Lock() Hide(2)"), 5);
  EXPECT_EQ(gCalls,
            (std::vector<Call>{{"Lock", Arg("")}, {"Direct", Arg("A")}, {"Hide", Arg("2")}}));
  gCalls.clear();
  EXPECT_EQ(mivo::RunMacro("Lock()"), 0);  // a new lock with nothing after it
  EXPECT_EQ(mivo::RunMacro("Lock()"), 0);  // ends it: the pending rest is empty
  EXPECT_EQ(mivo::RunPendingMacro(), 0);
}

TEST_F(MacroPending, PendingTextIsReplacedAndRunOnce) {
  mivo::RunMacro("LockSlow()Direct(B) Direct(C)");
  mivo::RunMacro("LockSlow() Direct(D)");
  gCalls.clear();
  EXPECT_EQ(mivo::RunMacro("LockQuick()"), -1);
  EXPECT_EQ(gCalls, (std::vector<Call>{{"LockQuick", Arg("")}, {"Direct", Arg("D")}}));
  gCalls.clear();
  // Nothing pending any more: the end of a lock then counts as no result.
  EXPECT_EQ(mivo::RunMacro("Hide(1) LockQuick()"), 5);
  EXPECT_EQ(mivo::RunPendingMacro(), 0);
  EXPECT_EQ(gCalls, (std::vector<Call>{{"Hide", Arg("1")}, {"LockQuick", Arg("")}}));
}

TEST_F(MacroPending, RunPendingMacroEmptiesTheSlot) {
  mivo::RunMacro("LockSlow() Hide(9)");
  gCalls.clear();
  EXPECT_EQ(mivo::RunPendingMacro(), 5);
  EXPECT_EQ(mivo::RunPendingMacro(), 0);
  EXPECT_EQ(gCalls, (std::vector<Call>{{"Hide", Arg("9")}}));
}

TEST_F(MacroPending, ListResultsReachTheMacroOnlyFromTheLastCommand) {
  // -3 from inside a list is the list's answer, so the macro defers what follows it.
  EXPECT_EQ(mivo::RunMacro("Command(Direct[A] LockSlow[]) Direct(B)"), 0);
  EXPECT_EQ(gCalls, (std::vector<Call>{{"Direct", Arg("A")}, {"LockSlow", Arg("")}}));
  gCalls.clear();
  // A -3 that is not last in the list is not acted upon.
  EXPECT_EQ(mivo::RunMacro("Command(LockSlow[] Direct[C]) Direct(D)"), -1);
  EXPECT_EQ(gCalls,
            (std::vector<Call>{{"LockSlow", Arg("")}, {"Direct", Arg("C")}, {"Direct", Arg("D")}}));
  gCalls.clear();
  // The deferred " Direct(B)" runs when a list ends with -2.
  EXPECT_EQ(mivo::RunMacro("Command(LockQuick[])"), -1);
  EXPECT_EQ(gCalls, (std::vector<Call>{{"LockQuick", Arg("")}, {"Direct", Arg("B")}}));
}

TEST_F(MacroPending, APendingTextNeverRunIsReleased) {
  mivo::RunMacro("LockSlow() Direct(Z)");
  EXPECT_GT(mivo::MemLiveCount(), liveAtStart_);
  mivo::ReleasePendingMacro();
  EXPECT_EQ(mivo::MemLiveCount(), liveAtStart_);
  EXPECT_EQ(mivo::RunPendingMacro(), 0);
}

TEST_F(MacroProcessor, RunsItsOwnCopyOfTheText) {
  // The first command frees the text the macro came from, as a keyboard reload frees
  // the key that held it; the run must go on unharmed.
  char* text = mivo::TextDuplicate("Hide(1) Show(2) Direct(A)");
  gAnswer = [&text](const Call& c) -> os::LRESULT {
    if (c.word == "Hide") {
      std::fill(text, text + std::strlen(text), 'x');
      mivo::MemFree(text);
      text = nullptr;
    }
    return -1;
  };
  mivo::RunMacro(text);
  EXPECT_EQ(gCalls,
            (std::vector<Call>{{"Hide", Arg("1")}, {"Show", Arg("2")}, {"Direct", Arg("A")}}));
}

TEST_F(MacroProcessor, NestedRunsKeepTheirOwnPosition) {
  gAnswer = [](const Call& c) -> os::LRESULT {
    if (c.word == "Hide") {
      return mivo::SendToMain(mivo::MM_RUN_MACRO,
                              reinterpret_cast<os::WPARAM>("Direct(X) Direct(Y)"), 0);
    }
    return -1;
  };
  mivo::RunMacro("Hide(1) Show(2)");
  EXPECT_EQ(
      gCalls,
      (std::vector<Call>{
          {"Hide", Arg("1")}, {"Direct", Arg("X")}, {"Direct", Arg("Y")}, {"Show", Arg("2")}}));
}

TEST_F(MacroProcessor, AMacroThatRunsItselfEnds) {
  // A key whose action selects itself: every run sends the same macro again.
  static const char kSelf[] = "Direct(again) SelectKey(1) Direct(after)";
  int before = 0;
  gAnswer = [&before](const Call& c) -> os::LRESULT {
    if (c.word == "SelectKey")
      return mivo::SendToMain(mivo::MM_RUN_MACRO, reinterpret_cast<os::WPARAM>(kSelf), 0);
    if (c.argument == Arg("again")) ++before;
    return -1;
  };
  mivo::RunMacro(kSelf);
  EXPECT_EQ(before, mivo::MAX_MACRO_DEPTH);
  // Every run that was started finishes its own commands after the refused one.
  EXPECT_EQ(std::count(gCalls.begin(), gCalls.end(), Call{"Direct", Arg("after")}),
            mivo::MAX_MACRO_DEPTH);
  // Once the nesting has unwound, the full depth is available again.
  gCalls.clear();
  mivo::RunMacro("Direct(A)");
  EXPECT_EQ(gCalls.size(), 1u);
}

TEST_F(MacroProcessor, NestedCommandListsAreBounded) {
  auto nested = [](int n) {
    std::string text = "Command(";
    for (int i = 0; i < n; ++i) text += "Command[";
    return text + "Hide)";
  };
  mivo::RunMacro(nested(10).c_str());
  EXPECT_EQ(gCalls, (std::vector<Call>{{"Hide", kNull}}));
  gCalls.clear();
  mivo::RunMacro(nested(5000).c_str());
  EXPECT_TRUE(gCalls.empty());
}

TEST_F(MacroProcessor, MacroMainProcTakesRunMacroWithTextAndTheAppCommands) {
  gAnswer = [](const Call&) -> os::LRESULT { return 42; };
  EXPECT_EQ(
      mivo::MacroMainProc(main_, mivo::MM_RUN_MACRO, reinterpret_cast<os::WPARAM>("Direct(A)"), 0),
      -1);
  EXPECT_EQ(gCalls.size(), 1u);
  EXPECT_EQ(mivo::MacroMainProc(main_, mivo::MM_RUN_MACRO, 0, 0), mivo::NOT_MINE);
  EXPECT_EQ(mivo::MacroMainProc(main_, mivo::MM_APP_COMMAND, 257, 0), -1);  // Direct without a key
  EXPECT_EQ(mivo::MacroMainProc(main_, mivo::MM_APP_COMMAND, 999, 0), mivo::NOT_MINE);
  EXPECT_EQ(mivo::MacroMainProc(main_, os::WM_TIMER, 1, 0), mivo::NOT_MINE);
  EXPECT_EQ(gCalls.size(), 1u);
}

TEST_F(MacroProcessor, LogsEachRunButNotAnEmptyText) {
  mivo::settings.LoggingMode = 1;
  ASSERT_EQ(mivo::OpenLog(), 1);
  mivo::RunMacro("");
  mivo::RunMacro("  Direct(A)\t");
  mivo::RunMacro(Sjis("DirectPhrase(あ)").c_str());
  mivo::CloseLogAndCounter();
  const std::string log = desktop::ReadFile("LogFile.txt");
  EXPECT_NE(log.find("\tProcessMacro\t  Direct(A)\t\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("\tProcessMacro\t" + Sjis("DirectPhrase(あ)") + "\r\n"), std::string::npos)
      << log;
  size_t lines = 0;
  for (size_t at = log.find("ProcessMacro"); at != std::string::npos;
       at = log.find("ProcessMacro", at + 1))
    ++lines;
  EXPECT_EQ(lines, 2u);
}

}  // namespace
