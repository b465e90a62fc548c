// Injection and application commands, run as macro texts through the main window's
// real handler chain on the headless desktop; the injected events are read back with
// their virtual time stamps.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/bus.h"
#include "base/log.h"
#include "base/messages.h"
#include "base/settings.h"
#include "macro/app_commands.h"
#include "macro/injection.h"
#include "macro/macro.h"
#include "platform/headless/desktop.h"
#include "shell/links.h"
#include "support/sjis.h"

namespace {

using testing_support::Sjis;

// Injected events since `from` as words: "16d"/"16u" for keys, "Ld"/"Lu", "Rd", "Md" ...
// for buttons, "move(x,y)" for a relative move; with "@ms" after the start when timed.
std::string Events(bool timed = false, uint64_t from = 0) {
  std::string out;
  for (const desktop::InjectedEvent& e : desktop::InjectedEvents()) {
    std::string word;
    if (e.keyboard) {
      word = std::to_string(e.vk) + ((e.flags & os::KEYEVENTF_KEYUP) ? "u" : "d");
    } else {
      switch (e.flags) {
        case os::MOUSEEVENTF_LEFTDOWN:
          word = "Ld";
          break;
        case os::MOUSEEVENTF_LEFTUP:
          word = "Lu";
          break;
        case os::MOUSEEVENTF_RIGHTDOWN:
          word = "Rd";
          break;
        case os::MOUSEEVENTF_RIGHTUP:
          word = "Ru";
          break;
        case os::MOUSEEVENTF_MIDDLEDOWN:
          word = "Md";
          break;
        case os::MOUSEEVENTF_MIDDLEUP:
          word = "Mu";
          break;
        case os::MOUSEEVENTF_MOVE:
          word = "move(" + std::to_string(static_cast<int32_t>(e.dx)) + "," +
                 std::to_string(static_cast<int32_t>(e.dy)) + ")";
          break;
        default:
          word = "mouse?" + std::to_string(e.flags);
      }
    }
    if (timed) word += "@" + std::to_string(e.at - from);
    out += (out.empty() ? "" : " ") + word;
  }
  return out;
}

class MacroInjection : public ::testing::Test {
 protected:
  void SetUp() override {
    desktop::Reset();
    os::WndClass wc{};
    wc.lpfnWndProc = mivo::MainWndProc;
    wc.lpszClassName = "MacroInjectionMain";
    ASSERT_TRUE(os::RegisterClass(wc));
    main_ = os::CreateWindowEx(0, "MacroInjectionMain", "test", os::WS_POPUP, 0, 0, 10, 10, nullptr,
                               nullptr, nullptr);
    ASSERT_NE(main_, nullptr);
    mivo::SetMainWindow(main_);
  }
  void TearDown() override { mivo::ReleaseLatchedModifiers(); }

  // Runs a macro and answers the events it injected.
  std::string Run(const std::string& macro, bool timed = false) {
    desktop::ClearInjectedEvents();
    const uint64_t start = desktop::Now();
    mivo::RunMacro(macro.c_str());
    return Events(timed, start);
  }

  // The outputs counter after running the macros, read from the counter line.
  std::string CounterLineAfter(const std::string& macro) {
    mivo::settings.CounterMode = 1;
    mivo::OpenLog();
    mivo::CountEvent(0, 1);  // counters are process-wide: start each case from zero
    mivo::RunMacro(macro.c_str());
    mivo::CloseLogAndCounter();
    const std::string line = desktop::ReadFile("Counter.txt");
    const size_t tab = line.find('\t');
    return tab == std::string::npos ? line : line.substr(tab + 1);
  }

  os::Window main_ = nullptr;
};

struct EventCase {
  const char* name;
  std::vector<std::string> macros;  // run one after the other
  std::string lastEvents;           // what the last macro injected
  std::string latchedAfter;         // virtual keys still latched at the end
};

void PrintTo(const EventCase& c, std::ostream* out) { *out << c.name; }

class MacroLatches : public MacroInjection, public ::testing::WithParamInterface<EventCase> {};

TEST_P(MacroLatches, InjectWithAndAroundLatchedModifiers) {
  std::string events;
  for (const std::string& m : GetParam().macros) events = Run(m);
  EXPECT_EQ(events, GetParam().lastEvents);
  std::string latched;
  for (int vk : {91, 17, 16, 18}) {
    if (mivo::IsLatched(vk)) latched += (latched.empty() ? "" : " ") + std::to_string(vk);
  }
  EXPECT_EQ(latched, GetParam().latchedAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Macro, MacroLatches,
    ::testing::Values(
        EventCase{"PlainKey", {"Direct(A)"}, "65d 65u", ""},
        EventCase{"LatchTapsOnce", {"Direct(SysShift)"}, "16d 16u", "16"},
        EventCase{"LatchedShiftAroundNextKey",
                  {"Direct(SysShift)", "Direct(A)"},
                  "16d 65d 65u 16u 16u",
                  ""},
        EventCase{
            "LatchAppliesToOneKey", {"Direct(SysShift)", "Direct(A)", "Direct(B)"}, "66d 66u", ""},
        EventCase{"SecondLatchSendsNothing", {"Direct(SysShift)", "Direct(SysShift)"}, "", "16"},
        EventCase{"ShiftNameSharesTheLatch",
                  {"Direct(Shift)", "Direct(SysShift) Direct(Shift)"},
                  "",
                  "16"},
        EventCase{"CtrlAndAltNamesLatch", {"Direct(Ctrl) Direct(Alt)"}, "17d 17u 18d 18u", "17 18"},
        EventCase{
            "AllFourInFixedOrder",
            {"Direct(SysAlt) Direct(SysShift) Direct(SysCtrl) Direct(SysWindow)", "Direct(Enter)"},
            "91d 17d 16d 18d 13d 13u 91u 17u 16u 18u 91u 17u 16u 18u",
            ""},
        EventCase{"LWindowsIsAnOrdinaryKey", {"Direct(LWindows)"}, "91d 91u", ""},
        EventCase{"SysWindowLatches", {"Direct(SysWindow)"}, "91d 91u", "91"},
        EventCase{"LButtonClicksWithLatches",
                  {"Direct(SysShift)", "Direct(LButton)"},
                  "16d Ld Lu 16u 16u",
                  ""},
        EventCase{"RButtonClicks", {"Direct(RButton)"}, "Rd Ru", ""},
        EventCase{"MButtonIsAKey", {"Direct(MButton)"}, "4d 4u", ""},
        EventCase{"UnknownNameSendsNothing",
                  {"Direct(SysCtrl)", "Direct(enter) Direct(Foo) Direct()"},
                  "",
                  "17"},
        EventCase{"MissingArgumentSendsNothing", {"Direct Direct(SysAlt) Direct"}, "18d 18u", "18"},
        EventCase{"ReleaseAltKeysTapsAltAgain",
                  {"Direct(SysAlt) Direct(SysShift)", "ReleaseAltKeys()"},
                  "18d 18u",
                  "16"},
        EventCase{"ReleaseAltKeysWithoutAlt", {"Direct(SysShift)", "ReleaseAltKeys()"}, "", "16"},
        EventCase{"ReleaseSpecialKeys",
                  {"Direct(SysShift) Direct(SysWindow)", "ReleaseSpecialKeys()"},
                  "91u 16u",
                  ""},
        EventCase{"DirectPhraseReleasesLatches", {"Direct(SysCtrl)", "DirectPhrase(a)"}, "17u", ""},
        EventCase{"MouseLeavesLatchesAlone", {"Direct(SysShift)", "Mouse(LClick)"}, "Ld Lu", "16"},
        EventCase{"BackspaceIsAPressOnly", {"Direct(BS)"}, "8d", ""},
        EventCase{"BackIsAnOrdinaryKey", {"Direct(Back)"}, "8d 8u", ""}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(MacroInjection, LockRepeatKeepsTheLatch) {
  Run("Direct(SysCtrl)");
  desktop::ClearInjectedEvents();
  mivo::DirectKey("C", 0);
  mivo::DirectKey("C", 0);
  EXPECT_EQ(Events(), "17d 67d 67u 17u 17d 67d 67u 17u");
  EXPECT_TRUE(mivo::IsLatched(17));
}

TEST_F(MacroInjection, KeyWaitsOneThenTenMilliseconds) {
  EXPECT_EQ(Run("Direct(SysShift)", true), "16d@1 16u@1");
  EXPECT_EQ(Run("Direct(A)", true), "16d@11 65d@11 65u@11 16u@11 16u@11");
  EXPECT_EQ(Run("Direct(BS)", true), "8d@1");
}

struct MouseCase {
  const char* name;
  const char* macro;
  const char* events;  // with their times after the command started
};

void PrintTo(const MouseCase& c, std::ostream* out) { *out << c.name; }

class MacroMouse : public MacroInjection, public ::testing::WithParamInterface<MouseCase> {};

TEST_P(MacroMouse, SendsTheNamedAction) {
  EXPECT_EQ(Run(GetParam().macro, true), GetParam().events);
}

INSTANTIATE_TEST_SUITE_P(
    Macro, MacroMouse,
    ::testing::Values(
        MouseCase{"LClick", "Mouse(LClick)", "Ld@11 Lu@11"},
        MouseCase{"LDClick", "Mouse(LDClick)", "Ld@11 Lu@11 Ld@41 Lu@41"},
        MouseCase{"RClick", "Mouse(RClick)", "Rd@11 Ru@11"},
        MouseCase{"RDClick", "Mouse(RDClick)", "Rd@11 Ru@11 Rd@41 Ru@41"},
        MouseCase{"MClick", "Mouse(MClick)", "Md@11 Mu@11"},
        MouseCase{"MDClick", "Mouse(MDClick)", "Md@11 Mu@11 Md@41 Mu@41"},
        MouseCase{"Buttons",
                  "Mouse(LDown) Mouse(LUp) Mouse(RDown) Mouse(RUp) Mouse(MDown) Mouse(MUp)",
                  "Ld@11 Lu@22 Rd@33 Ru@44 Md@55 Mu@66"},
        MouseCase{"Move", "Mouse(Move[-10,5])", "move(-10,5)@1"},
        MouseCase{"MoveWithBlanksAndSigns", "Mouse(Move[ +3,  -4])", "move(3,-4)@1"},
        MouseCase{"InvalidMoveMovesNothing", "Mouse(Move[) Mouse(Move[1 2]) Mouse(Move[1,2)", ""},
        MouseCase{"Wheel", "Mouse(Wheel)", ""},
        MouseCase{"UnknownName", "Mouse(lclick) Mouse(Move) Mouse()", ""},
        MouseCase{"MissingArgument", "Mouse Mouse(LClick)", "Ld@11 Lu@11"}),
    [](const auto& p) { return std::string(p.param.name); });

struct MoveCase {
  const char* name;
  bool valid;
  int dx, dy;
};

TEST(MacroMoveOffsets, ReadsTheLastCommaAndBracket) {
  const MoveCase cases[] = {
      {"Move[-10,5]", true, -10, 5},
      {"Move[10,-5]", true, 10, -5},
      {"Move[ 3,\t4]", true, 3, 4},
      {"Move[+7,0]", true, 7, 0},
      {"Move[,5]", true, 0, 5},
      {"Move[a,b]", true, 0, 0},
      {"Move[12x,3y]", true, 12, 3},
      {"Move[1,2],3]", true, 1, 3},
      {"Move[1,2]junk", true, 1, 2},
      {"Move[99999999999,-99999999999]", true, 2147483647, -2147483647 - 1},
      {"Move[", false, 0, 0},
      {"Move[1 2]", false, 0, 0},
      {"Move[1,2", false, 0, 0},
      {"Move[1]2,3", false, 0, 0},
      {"Move,[1]", false, 0, 0},
      {"", false, 0, 0},
  };
  for (const MoveCase& c : cases) {
    int dx = 99, dy = 99;
    EXPECT_EQ(mivo::ParseMoveOffsets(c.name, &dx, &dy), c.valid) << c.name;
    EXPECT_EQ(dx, c.dx) << c.name;
    EXPECT_EQ(dy, c.dy) << c.name;
  }
  int dx = 1, dy = 1;
  EXPECT_FALSE(mivo::ParseMoveOffsets(nullptr, &dx, &dy));
}

TEST_F(MacroInjection, WaitSleepsTenthsBeforeTheDot) {
  const struct {
    const char* argument;
    uint64_t ms;
  } cases[] = {{"10", 1000}, {"15", 1500}, {"1.5", 100}, {"0.5", 0},   {"0", 0},  {"x", 0},
               {"-1", 0},    {" 1", 0},    {"1 ", 0},    {"1.2.3", 0}, {"+5", 0}, {nullptr, 0}};
  for (const auto& c : cases) {
    const uint64_t start = desktop::Now();
    EXPECT_EQ(mivo::RunAppCommand(mivo::CMD_WAIT, c.argument), -1);
    EXPECT_EQ(desktop::Now() - start, c.ms) << (c.argument ? c.argument : "null");
  }
  // Through a macro: the argument reaches the command as written.
  const uint64_t start = desktop::Now();
  mivo::RunMacro("Wait(3) Wait( 2) Wait(4 )");
  EXPECT_EQ(desktop::Now() - start, 500u);
}

TEST_F(MacroInjection, AnswersOfTheApplicationCodes) {
  // With no argument every handled code still answers -1 (Mouse passes the message on);
  // none of them injects anything or waits.
  const struct {
    os::WPARAM code;
    os::LRESULT answer;
  } cases[] = {{257, -1},
               {258, -1},
               {259, -1},
               {264, -1},
               {265, -1},
               {266, -1},
               {268, -1},
               {269, mivo::NOT_MINE},
               {256, mivo::NOT_MINE},
               {261, mivo::NOT_MINE},
               {262, mivo::NOT_MINE},
               {263, mivo::NOT_MINE},
               {267, mivo::NOT_MINE},
               {270, mivo::NOT_MINE},
               {275, mivo::NOT_MINE},
               {513, mivo::NOT_MINE}};
  desktop::ClearInjectedEvents();
  const uint64_t start = desktop::Now();
  for (const auto& c : cases) EXPECT_EQ(mivo::RunAppCommand(c.code, nullptr), c.answer) << c.code;
  EXPECT_TRUE(desktop::InjectedEvents().empty());
  EXPECT_TRUE(desktop::StartedPrograms().empty());
  EXPECT_EQ(desktop::Now(), start);
  // A Mouse command leaves the macro's result as it was.
  EXPECT_EQ(mivo::RunMacro("Wait(0) Mouse(LClick)"), -1);
  EXPECT_EQ(mivo::RunMacro("Mouse(LClick)"), 0);
}

TEST_F(MacroInjection, PhraseGoesToTheForegroundFocusAndDropsACutCharacter) {
  desktop::ForeignApp editor = desktop::StartForeignApp("Notepad", "Untitled");
  // The text ends inside a double-byte character: its lead byte is no character.
  Run(Sjis("DirectPhrase(アb)") + "DirectPhrase(c\x82)");
  std::vector<std::pair<os::UINT, os::WPARAM>> ime;
  for (const desktop::Received& r : desktop::ReceivedBy(editor)) {
    if (r.message == os::WM_IME_CHAR || r.message == os::WM_IME_NOTIFY)
      ime.emplace_back(r.message, r.wParam);
  }
  EXPECT_EQ(ime, (std::vector<std::pair<os::UINT, os::WPARAM>>{{os::WM_IME_NOTIFY, 2},
                                                               {os::WM_IME_CHAR, 0x8341},
                                                               {os::WM_IME_CHAR, 'b'},
                                                               {os::WM_IME_NOTIFY, 1},
                                                               {os::WM_IME_NOTIFY, 2},
                                                               {os::WM_IME_CHAR, 'c'},
                                                               {os::WM_IME_NOTIFY, 1}}));
  EXPECT_EQ(desktop::EditText(editor), Sjis("アbc"));
}

TEST_F(MacroInjection, QuitAndResetCounterArePosted) {
  EXPECT_EQ(mivo::RunAppCommand(mivo::CMD_MIVO_QUIT, nullptr), -1);
  EXPECT_EQ(mivo::RunAppCommand(mivo::CMD_RESET_COUNTER, nullptr), -1);
  std::vector<os::UINT> posted;
  os::Msg msg{};
  while (os::PeekMessage(&msg, nullptr, 0, 0, os::PM_REMOVE)) posted.push_back(msg.message);
  EXPECT_EQ(posted, (std::vector<os::UINT>{mivo::MM_QUIT, mivo::MM_RESET_COUNTER}));
}

TEST_F(MacroInjection, BackspaceRefreshesTheCandidatesAndLogs) {
  mivo::settings.LoggingMode = 1;
  mivo::OpenLog();
  Run("Direct(BS)");
  mivo::CloseLogAndCounter();
  os::Msg msg{};
  ASSERT_TRUE(os::PeekMessage(&msg, nullptr, 0, 0, os::PM_REMOVE));
  EXPECT_EQ(msg.message, mivo::MM_IME_CANDIDATES);
  EXPECT_EQ(msg.wParam, 0u);
  EXPECT_NE(desktop::ReadFile("LogFile.txt").find("\tBS\tDirect\r\n"), std::string::npos);
}

TEST_F(MacroInjection, AltLatchIsLoggedAroundEveryKey) {
  mivo::settings.LoggingMode = 1;
  mivo::OpenLog();
  Run("Direct(SysAlt) Direct(SysShift)");
  Run("Direct(Tab) Direct(SysAlt) ReleaseAltKeys()");
  mivo::CloseLogAndCounter();
  const std::string log = desktop::ReadFile("LogFile.txt");
  size_t lines = 0;
  for (size_t at = log.find("\tPressSpecialKeys\tAltFlag=TRUE\r\n"); at != std::string::npos;
       at = log.find("\tPressSpecialKeys\tAltFlag=TRUE\r\n", at + 1)) {
    ++lines;
  }
  EXPECT_EQ(lines, 2u) << log;  // the press and the release around Tab only
}

struct CountCase {
  const char* name;
  std::string macro;
  const char* counters;  // selections TAB outputs CR LF
};

void PrintTo(const CountCase& c, std::ostream* out) { *out << c.name; }

class MacroCounter : public MacroInjection, public ::testing::WithParamInterface<CountCase> {};

TEST_P(MacroCounter, CountsOutputs) {
  EXPECT_EQ(CounterLineAfter(GetParam().macro), GetParam().counters);
}

INSTANTIATE_TEST_SUITE_P(
    Macro, MacroCounter,
    ::testing::Values(CountCase{"Key", "Direct(A)", "0\t2\r\n"},
                      CountCase{"Latch", "Direct(SysShift)", "0\t1\r\n"},
                      CountCase{"UnknownName", "Direct(Foo) Direct()", "0\t2\r\n"},
                      CountCase{"NoArgument", "Direct", "0\t0\r\n"},
                      CountCase{"MouseButtonName", "Direct(LButton)", "0\t2\r\n"},
                      CountCase{"Backspace", "Direct(A) Direct(B) Direct(BS)", "0\t3\r\n"},
                      CountCase{"Phrase", Sjis("DirectPhrase(あa)"), "0\t3\r\n"},
                      CountCase{"HalfWidthKanaIsOneByte", Sjis("DirectPhrase(ｱｲ)"), "0\t2\r\n"},
                      CountCase{"Click", "Mouse(LClick)", "0\t2\r\n"},
                      CountCase{"DoubleClick", "Mouse(RDClick)", "0\t2\r\n"},
                      CountCase{"Move", "Mouse(Move[1,1])", "0\t2\r\n"},
                      CountCase{"NoEventMouse", "Mouse(Wheel) Mouse(Foo)", "0\t2\r\n"},
                      // A move with offsets that cannot be read moves nothing but counts as a move.
                      CountCase{"InvalidMove", "Mouse(Move[) Mouse(Move[1 2])", "0\t4\r\n"},
                      CountCase{"ReleasesCountNothing",
                                "Direct(SysAlt) ReleaseAltKeys() ReleaseSpecialKeys()",
                                "0\t1\r\n"}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
