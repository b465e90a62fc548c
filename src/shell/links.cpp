// The handler chain of the main window.
#include "shell/links.h"

#include "base/bus.h"
#include "base/log.h"
#include "base/settings.h"
#include "base/text_constants.h"
#include "candidates/candidate_keys.h"
#include "ime/conversion_commands.h"
#include "macro/macro.h"
#include "predict/prediction_commands.h"
#include "shell/docking.h"

namespace mivo {
namespace {

// Every message to the main window is offered to these in this order; the first answer
// that is not NOT_MINE is the window procedure's answer. A subsystem joins the chain with
// one entry at its place: candidate keys before the keyboard, conversion and prediction
// between the keyboard and the macro processor.
constexpr Link kChain[] = {
    AppMainProc,
    KeybdPredictMainProc,  // hands on to KeybdMainProc what it does not take
    ConversionMainProc,   PredictionMainProc, MacroMainProc,
};

os::LRESULT AppSecondStage(os::UINT message) {
  switch (message) {
    case MM_QUIT:
      os::PostQuitMessage(0);
      return HANDLED;
    case MM_RESET_COUNTER:
      CountEvent(0, 1);
      return HANDLED;
    case MM_RELOAD_SETTINGS:
      if (LoadSettings()) return HANDLED;
      os::MessageBox(nullptr, kSettingsLoadFailed, kMivoErrorCaption, os::MB_OK);
      return 0;
    default:
      return NOT_MINE;
  }
}

}  // namespace

os::LRESULT AppMainProc(os::Window, os::UINT message, os::WPARAM, os::LPARAM lParam) {
  switch (message) {
    case os::WM_DESTROY:
      os::PostQuitMessage(0);
      return HANDLED;
    case os::WM_MOUSEACTIVATE:
    case MM_KEY_MOUSEACTIVATE:
      GiveBackFocus(static_cast<int>(lParam & 0xFFFF));
      return HANDLED;
    case os::WM_NCLBUTTONDOWN:
      os::SetActiveWindow(GetMainWindow());
      return NOT_MINE;  // the system goes on with the move or resize
    case os::WM_MOUSEMOVE:
    case MM_KEY_MOUSEMOVE:
      TrackForeground();
      return AppSecondStage(message);
    default:
      return AppSecondStage(message);
  }
}

os::LRESULT MainWndProc(os::Window w, os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  for (Link link : kChain) {
    os::LRESULT r = link(w, message, wParam, lParam);
    if (r != NOT_MINE) return r;
  }
  return os::DefWindowProc(w, message, wParam, lParam);
}

}  // namespace mivo
