// The main program's life on the headless desktop: start, loop, quit, failures.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "base/bus.h"
#include "base/messages.h"
#include "platform/headless/desktop.h"
#include "shell/app.h"
#include "shell/docking.h"
#include "support/scenario.h"
#include "support/sjis.h"

using testing_support::Sjis;

namespace {

using testing_support::PrepareFolder;

// While the chord is held the quit message is posted on every turn, so the quit
// itself comes when the hand lets go, as on Windows.
void PressChordAt(uint64_t ms) {
  desktop::At(ms, [] {
    desktop::KeyDown(os::VK_SHIFT);
    desktop::KeyDown(os::VK_CONTROL);
    desktop::KeyDown(os::VK_MENU);
  });
  desktop::At(ms + 200, [] {
    desktop::KeyUp(os::VK_MENU);
    desktop::KeyUp(os::VK_CONTROL);
    desktop::KeyUp(os::VK_SHIFT);
  });
}

TEST(ShellScenario, ChordQuitsThroughFullShutdownWithCounterLine) {
  PrepareFolder("CounterMode = True\r\nProcessOnQuit = \"after.exe\"\r\n");
  PressChordAt(500);
  desktop::QuitAt(60'000);  // safety net only
  EXPECT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_LT(desktop::Now(), 1'000u) << "the chord should end the program at once";
  EXPECT_EQ(desktop::ReadFile("Counter.txt"), "[02/11/05:14:07]\t0\t0\r\n");
  EXPECT_EQ(desktop::StartedPrograms(), (std::vector<std::string>{"after.exe"}));
  EXPECT_TRUE(desktop::MessageBoxes().empty()) << "no leak box, no failure box";
}

TEST(ShellScenario, PartialChordDoesNotQuit) {
  PrepareFolder("");
  desktop::At(100, [] {
    desktop::KeyDown(os::VK_SHIFT);
    desktop::KeyDown(os::VK_CONTROL);  // Alt stays up
  });
  desktop::QuitAt(3'000);
  EXPECT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_GE(desktop::Now(), 3'000u);
}

TEST(ShellScenario, SecondCopyEndsWithMinusOneAndShowsNothing) {
  PrepareFolder("");
  os::WndClass wc{};
  wc.lpfnWndProc = os::DefWindowProc;
  wc.lpszClassName = "MivoMain";
  ASSERT_TRUE(os::RegisterClass(wc));
  os::Window first =
      os::CreateWindowEx(0, "MivoMain", "Mivo::Keyboard", os::WS_POPUP | os::WS_VISIBLE, 0, 0, 100,
                         100, nullptr, nullptr, nullptr);
  ASSERT_NE(first, nullptr);
  desktop::QuitAt(5'000);
  EXPECT_EQ(desktop::Run(mivo::MivoMain), -1);
  EXPECT_TRUE(desktop::MessageBoxes().empty());
  EXPECT_EQ(desktop::CreatedCount("MivoMain"), 1);
  EXPECT_TRUE(os::IsWindow(first));
}

TEST(ShellScenario, SettingsErrorShowsLineErrorThenLoadFailure) {
  PrepareFolder("TimerInterval = 5\r\nFoo = 1\r\n");
  desktop::QuitAt(5'000);
  EXPECT_EQ(desktop::Run(mivo::MivoMain), -1);
  auto boxes = desktop::MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "New tag expected at line 2");
  EXPECT_EQ(boxes[0].caption, "Mivo setting error");
  EXPECT_EQ(boxes[1].text, Sjis("設定ファイルの読込に失敗しました"));
  EXPECT_EQ(boxes[1].caption, "Mivo Error");
  EXPECT_EQ(boxes[1].owner, nullptr);
  EXPECT_EQ(desktop::Find("MivoMain"), nullptr) << "no window before the settings are read";
}

struct GeometryCase {
  const char* name;
  const char* settings;
  os::Rect expected;  // screen rectangle of the main window
};

class ShellGeometry : public ::testing::TestWithParam<GeometryCase> {};

TEST_P(ShellGeometry, MainWindowPlacedFromMainWindowSize) {
  PrepareFolder(GetParam().settings);
  desktop::SetAppBarRefused(true);  // the window stays where it was created
  desktop::QuitAt(1'000);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  os::Window w = desktop::Find("MivoMain", "Mivo::Keyboard");
  ASSERT_NE(w, nullptr);
  desktop::WindowInfo info = desktop::Info(w);
  EXPECT_EQ(info.rect.left, GetParam().expected.left);
  EXPECT_EQ(info.rect.top, GetParam().expected.top);
  EXPECT_EQ(info.rect.right, GetParam().expected.right);
  EXPECT_EQ(info.rect.bottom, GetParam().expected.bottom);
  EXPECT_EQ(info.exStyle, 0x188u);
  EXPECT_EQ(info.style, os::WS_POPUP | os::WS_VISIBLE | os::WS_CLIPSIBLINGS | os::WS_CLIPCHILDREN |
                            os::WS_BORDER | os::WS_THICKFRAME);
  EXPECT_TRUE(info.visible);
}

// The default desktop maximises to 1024 x 740.
INSTANTIATE_TEST_SUITE_P(
    Sizes, ShellGeometry,
    ::testing::Values(
        GeometryCase{"AThird", "", {0, 740 - 246 - 4, 1024, 740 - 4}},
        GeometryCase{"Fixed", "MainWindowSize = 200\r\n", {0, 536, 1024, 736}},
        GeometryCase{"YWouldBeMinusOne", "MainWindowSize = 737\r\n", {0, 0, 1024, 737}},
        GeometryCase{"TallerThanTheScreen", "MainWindowSize = 900\r\n", {0, 0, 1024, 900}}),
    [](const ::testing::TestParamInfo<GeometryCase>& p) { return std::string(p.param.name); });

TEST(ShellScenario, DocksAtTheBottomAndUndocksAtShutdown) {
  PrepareFolder("MainWindowSize = 200\r\n");
  os::Rect duringRun{}, workArea{};
  bool registered = false;
  desktop::At(100, [&] {
    duringRun = desktop::Info(desktop::Find("MivoMain")).rect;
    workArea = desktop::WorkArea();
    registered = desktop::AppBar().registered;
  });
  desktop::QuitAt(500);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_TRUE(registered);
  EXPECT_EQ(duringRun.left, 0);
  EXPECT_EQ(duringRun.right, 1024);
  // The bar keeps the window's own bottom (4 pixels above the maximised area) until
  // the shell moves it; the work area of other windows ends where the keyboard starts.
  EXPECT_EQ(duringRun.bottom, 736);
  EXPECT_EQ(duringRun.top, 736 - 200);
  EXPECT_EQ(workArea.bottom, duringRun.top);
  EXPECT_FALSE(desktop::AppBar().registered);
}

TEST(ShellScenario, BarPlacedBelowTheScreenIsPushedBackOntoIt) {
  // Wine reports a maximised height beyond the screen, and its shell takes a proposed
  // bar rectangle as it is.
  desktop::Reset();
  desktop::SetAppBarClamps(false);
  os::WndClass wc{};
  wc.lpfnWndProc = os::DefWindowProc;
  wc.lpszClassName = "Bar";
  ASSERT_TRUE(os::RegisterClass(wc));
  os::Window w = os::CreateWindowEx(0, "Bar", "", os::WS_POPUP | os::WS_VISIBLE, 0, 531, 1024, 267,
                                    nullptr, nullptr, nullptr);
  ASSERT_EQ(mivo::DockMainWindow(w, 1), 1);
  os::Rect r = desktop::Info(w).rect;
  EXPECT_EQ(r.bottom, 768);
  EXPECT_EQ(r.top, 768 - 267);
  EXPECT_EQ(desktop::AppBar().rect.bottom, 768);
  mivo::DockMainWindow(w, 0);
}

TEST(ShellScenario, ForegroundGoesBackToTheApplicationStartedBefore) {
  PrepareFolder("");
  desktop::ForeignApp editor = desktop::StartForeignApp("Notepad", "Untitled");
  os::Window atStart = nullptr;
  desktop::At(100, [&] { atStart = os::GetForegroundWindow(); });
  desktop::QuitAt(300);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_EQ(atStart, editor.window);
}

TEST(ShellScenario, MessagesNoLinkTakesReachDefWindowProc) {
  PrepareFolder("");
  os::LRESULT goYosoku = 123, nullMacro = 123, unknownCommand = 123;
  desktop::At(100, [&] {
    goYosoku = mivo::SendToMain(mivo::MM_GO_YOSOKU, 0, 0);
    nullMacro = mivo::SendToMain(mivo::MM_RUN_MACRO, 0, 0);
    unknownCommand = mivo::SendToMain(mivo::MM_APP_COMMAND, 999, 0);
    // Acted on by the shell and still passed on, so the system can move or size.
    mivo::SendToMain(os::WM_NCLBUTTONDOWN, os::HTTOP, 0);
    mivo::SendToMain(mivo::MM_KEY_MOUSEMOVE, 0, 0);
  });
  desktop::QuitAt(500);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_EQ(goYosoku, 0);
  EXPECT_EQ(nullMacro, 0);
  EXPECT_EQ(unknownCommand, 0);
  bool sawGoYosoku = false, sawNullMacro = false, sawUnknown = false, sawNcDown = false,
       sawKeyMove = false;
  for (const os::Msg& m : desktop::DefWindowProcCalls(desktop::Find("MivoMain"))) {
    sawGoYosoku |= m.message == mivo::MM_GO_YOSOKU;
    sawNullMacro |= m.message == mivo::MM_RUN_MACRO;
    sawUnknown |= m.message == mivo::MM_APP_COMMAND && m.wParam == 999;
    sawNcDown |= m.message == os::WM_NCLBUTTONDOWN;
    sawKeyMove |= m.message == mivo::MM_KEY_MOUSEMOVE;
  }
  EXPECT_TRUE(sawGoYosoku);
  EXPECT_TRUE(sawNullMacro);
  EXPECT_TRUE(sawUnknown);
  EXPECT_TRUE(sawNcDown);
  EXPECT_TRUE(sawKeyMove);
}

TEST(ShellScenario, ReloadSettingsMessageFailureShowsBoxAndKeepsRunning) {
  PrepareFolder("TimerInterval = 4\r\n");
  os::LRESULT good = 0, bad = 0;
  desktop::At(100, [&] { good = mivo::SendToMain(mivo::MM_RELOAD_SETTINGS, 0, 0); });
  desktop::At(200, [&] {
    desktop::WriteFile("settings.txt", "TimerInterval 4\r\n");
    bad = mivo::SendToMain(mivo::MM_RELOAD_SETTINGS, 0, 0);
  });
  desktop::QuitAt(1'000);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_EQ(good, -1);
  EXPECT_EQ(bad, 0);
  auto boxes = desktop::MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "Equal expected at line 1");
  EXPECT_EQ(boxes[1].text, Sjis("設定ファイルの読込に失敗しました"));
  EXPECT_GE(desktop::Now(), 1'000u) << "a failed reload by message does not quit";
}

TEST(ShellScenario, DestroyingTheMainWindowQuits) {
  PrepareFolder("");
  desktop::At(100, [] { os::DestroyWindow(desktop::Find("MivoMain")); });
  desktop::QuitAt(5'000);
  EXPECT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_LT(desktop::Now(), 1'000u);
}

// The middle of the keyboard's client area.
os::Point KeyboardClient() {
  os::Rect r = desktop::Info(desktop::Find("MivoMain")).rect;
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

TEST(ShellScenario, ClickingTheKeyboardLeavesTheEditorInFront) {
  PrepareFolder("MainWindowSize = 200\r\n");
  desktop::ForeignApp editor = desktop::StartForeignApp("Notepad", "Untitled");
  os::Window afterClick = nullptr;
  desktop::At(100, [] { desktop::Click(KeyboardClient().x, KeyboardClient().y); });
  desktop::At(200, [&] { afterClick = os::GetForegroundWindow(); });
  desktop::QuitAt(400);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_EQ(afterClick, editor.window);
}

// The application remembered at start-up is "first"; "second" comes in front later.
// An activation of the keyboard hands the foreground to the remembered window unless
// the top or the border is being dragged.
struct ActivateCase {
  const char* name;
  os::UINT message;
  int hitTest;
  bool trackFirst;       // the mouse passed over the keyboard while "second" was in front
  const char* expected;  // "first", "second"
};

class ShellGiveBack : public ::testing::TestWithParam<ActivateCase> {};

TEST_P(ShellGiveBack, ActivationHandsTheForegroundBack) {
  const ActivateCase& c = GetParam();
  PrepareFolder("");
  desktop::ForeignApp first = desktop::StartForeignApp("Notepad", "First");
  desktop::ForeignApp second{};
  os::Window after = nullptr;
  desktop::At(100, [&] { second = desktop::StartForeignApp("Editor", "Second"); });
  desktop::At(200, [&] {
    os::Window keyboard = desktop::Find("MivoMain");
    if (c.trackFirst) mivo::SendToMain(mivo::MM_KEY_MOUSEMOVE, 0, 0);
    os::SendMessage(
        keyboard, c.message, reinterpret_cast<os::WPARAM>(keyboard),
        static_cast<os::LPARAM>(c.hitTest) | (static_cast<os::LPARAM>(os::WM_LBUTTONDOWN) << 16));
    after = os::GetForegroundWindow();
  });
  desktop::QuitAt(400);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  ASSERT_NE(second.window, nullptr);
  EXPECT_EQ(after, std::string(c.expected) == "first" ? first.window : second.window);
}

INSTANTIATE_TEST_SUITE_P(
    HitTests, ShellGiveBack,
    ::testing::Values(ActivateCase{"Client", os::WM_MOUSEACTIVATE, os::HTCLIENT, false, "first"},
                      ActivateCase{"Caption", os::WM_MOUSEACTIVATE, 2, false, "first"},
                      ActivateCase{"Bottom", os::WM_MOUSEACTIVATE, 15, false, "first"},
                      ActivateCase{"Top", os::WM_MOUSEACTIVATE, os::HTTOP, false, "second"},
                      ActivateCase{"Border", os::WM_MOUSEACTIVATE, os::HTBORDER, false, "second"},
                      ActivateCase{"KeyWindow", mivo::MM_KEY_MOUSEACTIVATE, 0, false, "first"},
                      ActivateCase{"ClientAfterMouseMove", os::WM_MOUSEACTIVATE, os::HTCLIENT, true,
                                   "second"}),
    [](const ::testing::TestParamInfo<ActivateCase>& p) { return std::string(p.param.name); });

// The keyboard itself in front is never remembered: activation still hands back.
TEST(ShellScenario, TheKeyboardInFrontIsNotRemembered) {
  PrepareFolder("");
  desktop::ForeignApp editor = desktop::StartForeignApp("Notepad", "Untitled");
  os::Window after = nullptr;
  desktop::At(100, [&] {
    os::SetForegroundWindow(desktop::Find("MivoMain"));
    mivo::SendToMain(mivo::MM_KEY_MOUSEMOVE, 0, 0);
    mivo::SendToMain(os::WM_MOUSEMOVE, 0, 0);
    mivo::SendToMain(mivo::MM_KEY_MOUSEACTIVATE, 0, 0);
    after = os::GetForegroundWindow();
  });
  desktop::QuitAt(300);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_EQ(after, editor.window);
}

struct ZOrderCase {
  const char* name;
  os::UINT code;
  os::LPARAM argument;
  os::UINT state;
  bool topmost;  // afterwards
  bool bottom;   // the last top-level window afterwards
  bool redocks;  // placed again at the foot of the screen
};

class ShellAppBarZOrder : public ::testing::TestWithParam<ZOrderCase> {};

TEST_P(ShellAppBarZOrder, ShellNotificationsSetTheZOrder) {
  const ZOrderCase& c = GetParam();
  PrepareFolder("MainWindowSize = 200\r\n");
  desktop::StartForeignApp("Notepad", "Untitled");
  bool topmost = false, bottom = false;
  os::Rect rect{};
  desktop::At(100, [&] {
    desktop::SetAppBarState(c.state);
    desktop::NotifyAppBar(c.code, c.argument);
  });
  desktop::At(200, [&] {
    os::Window keyboard = desktop::Find("MivoMain");
    topmost = (desktop::Info(keyboard).exStyle & os::WS_EX_TOPMOST) != 0;
    bottom = desktop::TopLevelWindows().back() == keyboard;
    rect = desktop::Info(keyboard).rect;
  });
  desktop::QuitAt(400);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_EQ(topmost, c.topmost);
  EXPECT_EQ(bottom, c.bottom);
  // Docking keeps the window's own bottom, 4 pixels above the maximised area; placing
  // it again starts from the whole screen.
  EXPECT_EQ(rect.bottom, c.redocks ? 768 : 736);
  EXPECT_EQ(rect.bottom - rect.top, 200);
}

INSTANTIATE_TEST_SUITE_P(
    Notifications, ShellAppBarZOrder,
    ::testing::Values(
        ZOrderCase{"StateOnTop", os::ABN_STATECHANGE, 0, os::ABS_ALWAYSONTOP, true, false, false},
        ZOrderCase{"StateNotOnTop", os::ABN_STATECHANGE, 0, 0, false, true, false},
        ZOrderCase{"FullScreenOpensOnTop", os::ABN_FULLSCREENAPP, 1, os::ABS_ALWAYSONTOP, true,
                   false, true},
        ZOrderCase{"FullScreenOpensNotOnTop", os::ABN_FULLSCREENAPP, 1, 0, false, true, true},
        ZOrderCase{"FullScreenClosedNotOnTop", os::ABN_FULLSCREENAPP, 0, 0, true, false, true},
        ZOrderCase{"PositionChanged", os::ABN_POSCHANGED, 0, 0, true, false, true},
        ZOrderCase{"UnknownCode", 7, 0, 0, true, false, false}),
    [](const ::testing::TestParamInfo<ZOrderCase>& p) { return std::string(p.param.name); });

TEST(ShellScenario, UndockedKeyboardIgnoresShellNotifications) {
  PrepareFolder("MainWindowSize = 200\r\n");
  desktop::SetAppBarRefused(true);
  bool topmost = false;
  desktop::At(100, [] {
    desktop::SetAppBarState(0);
    mivo::SendToMain(mivo::MM_APPBAR, os::ABN_STATECHANGE, 0);
  });
  desktop::At(200, [&] {
    topmost = (desktop::Info(desktop::Find("MivoMain")).exStyle & os::WS_EX_TOPMOST) != 0;
  });
  desktop::QuitAt(400);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_TRUE(topmost);
}

// Resizing the keyboard from its top edge keeps it docked at the foot of the screen
// with the new height, and the other windows' work area shrinks with it.
TEST(ShellScenario, ResizingKeepsTheBarDockedAtTheBottom) {
  PrepareFolder("MainWindowSize = 200\r\n");
  os::Rect rect{}, workArea{};
  desktop::At(100, [] {
    os::Window keyboard = desktop::Find("MivoMain");
    os::Rect r = desktop::Info(keyboard).rect;
    os::SetWindowPos(keyboard, nullptr, r.left, r.bottom - 300, r.right - r.left, 300,
                     os::SWP_NOZORDER | os::SWP_NOACTIVATE);
  });
  desktop::At(200, [&] {
    rect = desktop::Info(desktop::Find("MivoMain")).rect;
    workArea = desktop::WorkArea();
  });
  desktop::QuitAt(400);
  ASSERT_EQ(desktop::Run(mivo::MivoMain), 0);
  EXPECT_EQ(rect.bottom, 768);
  EXPECT_EQ(rect.top, 768 - 300);
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.right, 1024);
  EXPECT_EQ(workArea.bottom, 768 - 300);
}

// No shutdown runs after a failed start: the log keeps its opening line only.
TEST(ShellScenario, FailedStartLeavesTheLogWithoutClosingLines) {
  PrepareFolder("LoggingMode = 1\r\nCounterMode = 1\r\nKeyCfgFile = \"absent.cfg\"\r\n");
  desktop::QuitAt(5'000);
  EXPECT_EQ(desktop::Run(mivo::MivoMain), -1);
  EXPECT_EQ(desktop::ReadFile("LogFile.txt"), "[02/11/05:14:07]\tLog\tInit Success\r\n");
  EXPECT_FALSE(desktop::FileExists("Counter.txt"));
  auto boxes = desktop::MessageBoxes();
  ASSERT_FALSE(boxes.empty());
  EXPECT_EQ(boxes.back().text, Sjis("キーボードの設定に失敗しました"));
  EXPECT_EQ(boxes.back().caption, "Mivo Error");
}

}  // namespace
