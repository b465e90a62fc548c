// Macro texts run by the whole program on the headless desktop, acting on simulated
// applications: what they receive, when, and what the program records.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/bus.h"
#include "base/log.h"
#include "base/messages.h"
#include "macro/macro.h"
#include "platform/headless/desktop.h"
#include "shell/app.h"
#include "shell/links.h"
#include "support/scenario.h"
#include "support/sjis.h"

using testing_support::Sjis;

namespace {

using testing_support::PrepareFolder;
using testing_support::RunMacroAt;

struct Timed {
  uint64_t at;
  std::string what;
  bool operator==(const Timed&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Timed& t) { return out << t.what << "@" << t.at; }

std::vector<Timed> KeyboardEvents() {
  std::vector<Timed> out;
  for (const desktop::InjectedEvent& e : desktop::InjectedEvents()) {
    if (e.keyboard) {
      out.push_back({e.at, std::to_string(e.vk) + ((e.flags & os::KEYEVENTF_KEYUP) ? "u" : "d")});
    }
  }
  return out;
}

std::vector<Timed> MouseEvents() {
  std::vector<Timed> out;
  for (const desktop::InjectedEvent& e : desktop::InjectedEvents()) {
    if (e.keyboard) continue;
    const char* what = e.flags == os::MOUSEEVENTF_LEFTDOWN ? "Ld"
                       : e.flags == os::MOUSEEVENTF_LEFTUP ? "Lu"
                                                           : "other";
    out.push_back({e.at, what});
  }
  return out;
}

// The close messages an application received.
std::vector<Timed> CloseMessages(const desktop::ForeignApp& app) {
  std::vector<Timed> out;
  for (const desktop::Received& r : desktop::ReceivedBy(app)) {
    if (r.message == os::WM_DESTROY) out.push_back({r.at, "destroy"});
    if (r.message == os::WM_QUIT) out.push_back({r.at, "quit"});
  }
  return out;
}

TEST(MacroScenario, LatchedShiftTypesACapitalA) {
  PrepareFolder("");
  desktop::ForeignApp editor = desktop::StartForeignApp("Notepad", "Untitled");
  RunMacroAt(500, "Direct(SysShift)");
  RunMacroAt(600, "Direct(A)");
  desktop::QuitAt(1'000);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  // Shift is tapped once when chosen; at the next key it is held around A, released,
  // and released once more as the latch ends. Nothing is left for the shutdown.
  EXPECT_EQ(KeyboardEvents(), (std::vector<Timed>{{501, "16d"},
                                                  {501, "16u"},
                                                  {611, "16d"},
                                                  {611, "65d"},
                                                  {611, "65u"},
                                                  {611, "16u"},
                                                  {611, "16u"}}));
  EXPECT_EQ(desktop::EditText(editor), "A");
}

TEST(MacroScenario, ShutdownReleasesALatchStillHeld) {
  PrepareFolder("");
  desktop::StartForeignApp("Notepad", "Untitled");
  RunMacroAt(500, "Direct(SysCtrl) Direct(SysAlt)");
  desktop::QuitAt(1'000);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  std::vector<Timed> events = KeyboardEvents();
  ASSERT_EQ(events.size(), 6u);
  EXPECT_EQ(events[4].what, "17u");
  EXPECT_EQ(events[5].what, "18u");
  EXPECT_GE(events[4].at, 1'000u);
}

TEST(MacroScenario, DirectPhraseSendsInputMethodCharacters) {
  PrepareFolder("");
  desktop::ForeignApp editor = desktop::StartForeignApp("Notepad", "Untitled");
  RunMacroAt(500, Sjis("DirectPhrase(あa)"));
  desktop::QuitAt(1'000);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  std::vector<Timed> ime;
  for (const desktop::Received& r : desktop::ReceivedBy(editor)) {
    if (r.message == os::WM_IME_NOTIFY) ime.push_back({r.at, "notify " + std::to_string(r.wParam)});
    if (r.message == os::WM_IME_CHAR) ime.push_back({r.at, "char " + std::to_string(r.wParam)});
  }
  // あ is 0x82 0xA0 in Shift-JIS and travels as one value; one ms after each character.
  EXPECT_EQ(ime, (std::vector<Timed>{{500, "notify 2"},
                                     {500, "char " + std::to_string(0x82A0)},
                                     {501, "char " + std::to_string(0x61)},
                                     {502, "notify 1"}}));
  EXPECT_EQ(desktop::EditText(editor), Sjis("あa"));
  EXPECT_TRUE(desktop::InjectedEvents().empty()) << "typed text makes no key events";
}

TEST(MacroScenario, DoubleClickPausesBetweenTheClicks) {
  PrepareFolder("");
  RunMacroAt(500, "Mouse(LDClick)");
  desktop::QuitAt(1'000);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_EQ(MouseEvents(),
            (std::vector<Timed>{{511, "Ld"}, {511, "Lu"}, {541, "Ld"}, {541, "Lu"}}));
}

TEST(MacroScenario, KillSendsQuitToAWindowThatIgnoresDestroy) {
  PrepareFolder("");
  desktop::ForeignApp sample =
      desktop::StartForeignApp("SampleWindow", "Some title", {.ignoresDestroy = true});
  desktop::ForeignApp other = desktop::StartForeignApp("OtherWindow", "Not a Sample");
  RunMacroAt(500, "Kill(Sample)");
  desktop::QuitAt(3'000);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  // The default wait is 4 tenths after each message.
  EXPECT_EQ(CloseMessages(sample), (std::vector<Timed>{{500, "destroy"}, {900, "quit"}}));
  EXPECT_FALSE(desktop::IsAlive(sample));
  EXPECT_TRUE(CloseMessages(other).empty());
  EXPECT_TRUE(desktop::IsAlive(other));
}

TEST(MacroScenario, KillMatchesTitlePrefixesWithTheSetWait) {
  PrepareFolder("KillProcessWait = 2\r\n");
  desktop::ForeignApp byTitle = desktop::StartForeignApp("Editor", "Sample.txt - Editor");
  desktop::ForeignApp byClass = desktop::StartForeignApp("Sample", "untitled");
  desktop::ForeignApp shortName = desktop::StartForeignApp("Samp", "Samp");
  RunMacroAt(500, "Kill(Sample)");
  RunMacroAt(2'000, "Kill() Kill");
  desktop::QuitAt(3'000);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_FALSE(desktop::IsAlive(byTitle));
  EXPECT_FALSE(desktop::IsAlive(byClass));
  EXPECT_TRUE(desktop::IsAlive(shortName));
  ASSERT_EQ(CloseMessages(byTitle).size(), 1u);
  ASSERT_EQ(CloseMessages(byClass).size(), 1u);
  // Each close costs one wait of 200 ms; the second walk finds nothing left.
  const uint64_t first = std::min(CloseMessages(byTitle)[0].at, CloseMessages(byClass)[0].at);
  const uint64_t second = std::max(CloseMessages(byTitle)[0].at, CloseMessages(byClass)[0].at);
  EXPECT_EQ(first, 500u);
  EXPECT_EQ(second, 700u);
}

TEST(MacroScenario, KillGivesUpAfterThirtyWalks) {
  PrepareFolder("KillProcessWait = 1\r\n");
  desktop::ForeignApp stubborn = desktop::StartForeignApp(
      "SampleStubborn", "x", {.ignoresDestroy = true, .ignoresQuit = true});
  uint64_t killEnded = 0;
  desktop::At(500, [&] {
    mivo::SendToMain(mivo::MM_RUN_MACRO, reinterpret_cast<os::WPARAM>("Kill(Sample)"), 0);
    killEnded = desktop::Now();
  });
  desktop::QuitAt(20'000);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  std::vector<Timed> messages = CloseMessages(stubborn);
  ASSERT_EQ(messages.size(), 60u);
  for (size_t i = 0; i < messages.size(); ++i) {
    EXPECT_EQ(messages[i].what, i % 2 == 0 ? "destroy" : "quit");
    EXPECT_EQ(messages[i].at, 500 + 100 * i);
  }
  EXPECT_EQ(killEnded, 500u + 30 * 200);
  EXPECT_TRUE(desktop::IsAlive(stubborn));
}

TEST(MacroScenario, KillTreatsAClassAndTitleMatchTwicePerWalk) {
  PrepareFolder("KillProcessWait = 0\r\n");
  desktop::ForeignApp both = desktop::StartForeignApp(
      "SampleClass", "Sample title", {.ignoresDestroy = true, .ignoresQuit = true});
  RunMacroAt(500, "Kill(Sample)");
  desktop::QuitAt(1'000);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_EQ(CloseMessages(both).size(), 30u * 4);
}

TEST(MacroScenario, KillMatchingTheKeyboardItselfEndsTheProgram) {
  PrepareFolder("KillProcessWait = 0\r\n");
  RunMacroAt(500, "Kill(Mivo::)");
  desktop::QuitAt(60'000);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_LT(desktop::Now(), 1'000u);
}

TEST(MacroScenario, ProcessStartsTheCommandLine) {
  PrepareFolder("");
  RunMacroAt(500, "Process(mivoSweep.exe) Process(notepad.exe a%(1%).txt) Process");
  desktop::QuitAt(1'000);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_EQ(desktop::StartedPrograms(),
            (std::vector<std::string>{"mivoSweep.exe", "notepad.exe a(1).txt"}));
}

TEST(MacroScenario, QuitActionsRunAtShutdown) {
  PrepareFolder("KillOnQuit = Sample\r\nProcessOnQuit = \"after.exe /q\"\r\n");
  desktop::ForeignApp sample = desktop::StartForeignApp("SampleApp", "x");
  RunMacroAt(500, "MivoQuit()");
  desktop::QuitAt(60'000);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_FALSE(desktop::IsAlive(sample));
  EXPECT_EQ(desktop::StartedPrograms(), (std::vector<std::string>{"after.exe /q"}));
  EXPECT_LT(desktop::Now(), 2'000u);
}

TEST(MacroScenario, LoadSettingWithABrokenFileShowsBothBoxesAndQuits) {
  PrepareFolder("TimerInterval = 5\r\n");
  desktop::At(500, [] { desktop::WriteFile("settings.txt", "TimerInterval = 5\r\nFoo = 1\r\n"); });
  RunMacroAt(600, "LoadSetting()");
  desktop::QuitAt(60'000);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);  // the normal shutdown, not a failed start
  auto boxes = desktop::MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "New tag expected at line 2");
  EXPECT_EQ(boxes[0].caption, "Mivo setting error");
  EXPECT_EQ(boxes[1].text, Sjis("キーボードの設定に失敗しました"));
  EXPECT_EQ(boxes[1].caption, "Mivo Error");
  EXPECT_EQ(boxes[1].type, os::MB_OK);
  EXPECT_LT(desktop::Now(), 1'000u);
}

TEST(MacroScenario, LoadSettingWithANameSwitchesTheFile) {
  PrepareFolder("");
  desktop::WriteFile("other.txt", "KillProcessWait = 1\r\n");
  desktop::ForeignApp sample = desktop::StartForeignApp("SampleApp", "x", {.ignoresDestroy = true});
  RunMacroAt(500, "LoadSetting(other.txt) Kill(Sample)");
  // A later reload without a name reads the file named before.
  desktop::At(700, [] { desktop::WriteFile("other.txt", "KillProcessWait = 1\r\nFoo = 1\r\n"); });
  RunMacroAt(800, "LoadSetting()");
  desktop::QuitAt(60'000);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_EQ(CloseMessages(sample), (std::vector<Timed>{{500, "destroy"}, {600, "quit"}}));
  EXPECT_EQ(desktop::MessageBoxes().size(), 2u);
}

TEST(MacroScenario, CounterLineAfterTypingAndOneBackspace) {
  PrepareFolder("CounterMode = True\r\n");
  desktop::StartForeignApp("Notepad", "Untitled");
  // The scanning part counts each switch selection before it runs the key's action;
  // the test stands in for it here.
  int at = 500;
  for (const char* action : {"Direct(A)", "Direct(B)", "Direct(BS)"}) {
    desktop::At(at, [] { mivo::CountEvent(mivo::COUNT_SELECTION, 0); });
    RunMacroAt(at + 1, action);
    at += 100;
  }
  desktop::QuitAt(1'000);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_EQ(desktop::ReadFile("Counter.txt"), "[02/11/05:14:07]\t3\t3\r\n");
}

TEST(MacroScenario, ResetCounterZeroesBothCounters) {
  PrepareFolder("CounterMode = True\r\n");
  RunMacroAt(500, "Direct(A) Mouse(LClick)");
  RunMacroAt(600, "ResetCounter() Direct(SysShift)");
  desktop::QuitAt(1'000);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  // The reset is posted, so it lands after the whole macro: the latch's count is gone too.
  EXPECT_EQ(desktop::ReadFile("Counter.txt"), "[02/11/05:14:07]\t0\t0\r\n");
}

// A main window of the test's own: the real chain, plus a stand-in for the keyboard
// link whose SelectKey runs the action of the key (here the same macro again).
const char kSelfRunning[] = "Direct(A) SelectKey(1)";

os::LRESULT WithSelfSelectingKey(os::Window w, os::UINT message, os::WPARAM wParam,
                                 os::LPARAM lParam) {
  if (message == mivo::MM_KEYBOARD_COMMAND && wParam == 542) {
    return mivo::SendToMain(mivo::MM_RUN_MACRO, reinterpret_cast<os::WPARAM>(kSelfRunning), 0);
  }
  return mivo::MainWndProc(w, message, wParam, lParam);
}

TEST(MacroScenario, AMacroThatSelectsItsOwnKeyEnds) {
  desktop::Reset();
  desktop::ForeignApp editor = desktop::StartForeignApp("Notepad", "Untitled");
  os::WndClass wc{};
  wc.lpfnWndProc = WithSelfSelectingKey;
  wc.lpszClassName = "MivoMain";
  ASSERT_TRUE(os::RegisterClass(wc));
  os::Window main = os::CreateWindowEx(0, "MivoMain", "Mivo::Keyboard", os::WS_POPUP, 0, 0, 10, 10,
                                       nullptr, nullptr, nullptr);
  ASSERT_NE(main, nullptr);
  mivo::SetMainWindow(main);
  EXPECT_EQ(mivo::SendToMain(mivo::MM_RUN_MACRO, reinterpret_cast<os::WPARAM>(kSelfRunning), 0),
            -1);
  EXPECT_EQ(desktop::EditText(editor), std::string(mivo::MAX_MACRO_DEPTH, 'a'));
  // Once it has unwound, the next macro runs as usual.
  mivo::SendToMain(mivo::MM_RUN_MACRO, reinterpret_cast<os::WPARAM>("Direct(B)"), 0);
  EXPECT_EQ(desktop::EditText(editor), std::string(mivo::MAX_MACRO_DEPTH, 'a') + "b");
}

}  // namespace
