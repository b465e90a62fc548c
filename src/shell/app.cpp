// Start-up, the polling loop and shutdown of the main program.
#include "shell/app.h"

#include "base/bus.h"
#include "base/log.h"
#include "base/settings.h"
#include "base/state.h"
#include "base/text.h"
#include "base/text_constants.h"
#include "candidates/candidate_keys.h"
#include "candidates/state.h"
#include "ime/conversion_commands.h"
#include "ime/conversion_dict.h"
#include "ime/state.h"
#include "ime/word_dialog.h"
#include "keyboard/keyboard.h"
#include "keyboard/scanning.h"
#include "keyboard/state.h"
#include "macro/app_commands.h"
#include "macro/injection.h"
#include "macro/macro.h"
#include "macro/state.h"
#include "predict/prediction_commands.h"
#include "predict/state.h"
#include "shell/docking.h"
#include "shell/idle.h"
#include "shell/links.h"
#include "shell/state.h"

namespace mivo {
namespace {

constexpr char kMainClass[] = "MivoMain";
constexpr char kMainTitle[] = "Mivo::Keyboard";
constexpr char kStartEvent[] = "Event(Init)";
constexpr char kFinishEvent[] = "Event(Finish)";
constexpr os::DWORD kMainExStyle = os::WS_EX_TOPMOST | os::WS_EX_TOOLWINDOW | os::WS_EX_WINDOWEDGE;
constexpr os::DWORD kMainStyle = os::WS_POPUP | os::WS_VISIBLE | os::WS_CLIPSIBLINGS |
                                 os::WS_CLIPCHILDREN | os::WS_BORDER | os::WS_THICKFRAME;
static_assert(kMainExStyle == 0x188);

struct Geometry {
  int x, y, width, height;
};

Geometry MainWindowGeometry() {
  Geometry g{};
  g.width = os::GetSystemMetrics(os::SM_CXMAXIMIZED);
  int maxHeight = os::GetSystemMetrics(os::SM_CYMAXIMIZED);
  g.height = settings.MainWindowSize != 0 ? settings.MainWindowSize : maxHeight / 3;
  g.y = maxHeight - g.height - 4;
  if (g.y < 0) g.y = 0;
  return g;
}

void StartUpFailed(const char* text) {
  os::MessageBox(nullptr, text, kMivoErrorCaption, os::MB_OK);
}

}  // namespace

ShellState shellState;

void ResetProgramState() {
  ResetImeState();
  ResetPredictState();
  ResetCandidateKeysState();
  ResetKeyboardState();
  ResetMacroState();
  ResetBaseState();
  shellState = ShellState{};
}

os::Window CreateMainWindow(os::Instance instance, os::WndProc proc) {
  if (os::FindWindow(kMainClass, kMainTitle)) return nullptr;  // another copy runs

  os::WndClass wc{};
  wc.style = 0;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = os::IDC_ARROW;
  wc.hbrBackground = static_cast<os::Brush>(os::GetStockObject(os::WHITE_BRUSH));
  wc.lpszClassName = kMainClass;
  if (!os::RegisterClass(wc)) return nullptr;

  Geometry g = MainWindowGeometry();
  os::Window w = os::CreateWindowEx(kMainExStyle, kMainClass, kMainTitle, kMainStyle, g.x, g.y,
                                    g.width, g.height, os::GetDesktopWindow(), instance, nullptr);
  SetMainWindow(w);
  return w;
}

os::Window StartUp(os::Instance instance, int showCommand) {
  keyboardState.hooks.appBarNotify = OnAppBarNotify;
  keyboardState.hooks.recordMacroRun = RecordMacroRun;
  keyboardState.hooks.defaultTemplates = DefaultPagingTemplates;
  ConnectConversion();
  if (!LoadSettings()) {
    StartUpFailed(kSettingsLoadFailed);
    return nullptr;
  }
  RememberForeground();  // before the keyboard exists

  os::Window main = CreateMainWindow(instance, MainWndProc);
  if (!main) return nullptr;

  os::ShowWindow(main, showCommand);
  os::UpdateWindow(main);
  Geometry g = MainWindowGeometry();
  if (g.width != 0 && g.height != 0) {
    os::SetWindowPos(main, nullptr, 0, 0, g.width, g.height,
                     os::SWP_NOMOVE | os::SWP_NOACTIVATE | os::SWP_NOZORDER);
  }

  OpenLog();

  MakeKeyWindowsLater();
  if (!KeybdInit(main, instance)) {
    StartUpFailed(kKeyboardSetupFailed);
    return nullptr;
  }
  if (!ConversionOpen()) {
    StartUpFailed(kConversionOpenFailed);
    return nullptr;
  }
  if (!PredictionInit()) {
    StartUpFailed(kPredictionOpenFailed);
    return nullptr;
  }

  shellState.tickTimer = os::SetTimer(main, TICK_TIMER_ID, TICK_PERIOD_MS);
  if (!shellState.tickTimer) {
    StartUpFailed(kTimerSetupFailed);
    return nullptr;
  }
  DockMainWindow(main, 1);  // a refusal leaves an ordinary top-most window
  MakeKeyWindowsNow();
  RestoreForeground();
  // The start is an operation too, so what usually follows it is offered first.
  RecordMacroRun(kStartEvent);
  return main;
}

int CheckEmergencyExit() {
  // Tested in this order, stopping at the first key that is up.
  if ((os::GetAsyncKeyState(os::VK_SHIFT) & 0x8000) &&
      (os::GetAsyncKeyState(os::VK_CONTROL) & 0x8000) &&
      (os::GetAsyncKeyState(os::VK_MENU) & 0x8000)) {
    PostToMain(MM_QUIT, 0, 0);
    return 1;
  }
  return 0;
}

void ShutDown(os::Window mainWindow) {
  RecordMacroRun(kFinishEvent);
  os::ReleaseCapture();
  ReleaseLatchedModifiers();
  DockMainWindow(mainWindow, 0);
  os::KillTimer(mainWindow, shellState.tickTimer);
  KeybdFinish();
  ConversionClose();
  PredictionFinish();
  CloseLogAndCounter();
  if (settings.KillOnQuit) CloseWindowsMatching(settings.KillOnQuit, settings.KillProcessWait);
  if (settings.ProcessOnQuit) StartProgram(settings.ProcessOnQuit);
  ReleaseSettingTexts();
  ReleasePendingMacro();
  if (MemLiveCount() != 0) os::MessageBox(nullptr, kMemoryError, kMemoryErrorCaption, os::MB_OK);
}

int MivoMain(os::Instance instance, int showCommand) {
  os::Window main = StartUp(instance, showCommand);
  if (!main) return -1;
  PrepareIdleRest(main);

  os::Msg msg{};
  msg.message = 1;  // anything but WM_QUIT until the first message is taken
  while (msg.message != os::WM_QUIT) {
    CheckEmergencyExit();
    KeybdProcessLoop();
    if (os::PeekMessage(&msg, nullptr, 0, 0, os::PM_REMOVE)) {
      if (WordDialogMessage(&msg)) {
        // the word registration dialog took its own message
      } else if (msg.message == os::WM_QUIT) {
        ShutDown(main);
        os::DispatchMessage(&msg);
      } else {
        os::TranslateMessage(&msg);
        os::DispatchMessage(&msg);
        if (msg.message == os::WM_INPUT) DropRawInput();
      }
    }
    os::Sleep(1);
    // After the quit nothing will come to wake the rest: the timer is gone.
    if (msg.message != os::WM_QUIT) RestWhileIdle();
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace mivo
