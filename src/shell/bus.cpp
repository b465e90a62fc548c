// The message bus and the handler chain of the main window.
//
// Every message to the main window is offered to the links below in this order;
// the first answer that is not NOT_MINE is the window procedure's answer. The
// subsystems that are not part of this build yet have their place marked.
#include "shell/bus.h"

#include "keyboard/scanning.h"
#include "macro/app_commands.h"
#include "macro/macro.h"
#include "shell/docking.h"
#include "shell/log.h"
#include "shell/settings.h"
#include "shell/text_constants.h"

namespace mivo {
namespace {

os::Window gMainWindow = nullptr;

os::LRESULT AppSecondStage(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  switch (message) {
    case MM_QUIT:
      os::PostQuitMessage(0);
      return -1;
    case MM_RESET_COUNTER:
      CountEvent(0, 1);
      return -1;
    case MM_RELOAD_SETTINGS:
      if (LoadSettings()) return -1;
      os::MessageBox(nullptr, kSettingsLoadFailed, kMivoErrorCaption, os::MB_OK);
      return 0;
    case MM_APP_COMMAND:
      return RunAppCommand(wParam, reinterpret_cast<const char*>(lParam));
    default:
      return NOT_MINE;
  }
}

}  // namespace

os::Window GetMainWindow() { return gMainWindow; }
void SetMainWindow(os::Window w) { gMainWindow = w; }

os::LRESULT SendToMain(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  return os::SendMessage(gMainWindow, message, wParam, lParam);
}

void PostToMain(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  // Before the main window exists a post goes nowhere, as on Windows.
  if (gMainWindow) os::PostMessage(gMainWindow, message, wParam, lParam);
}

os::LRESULT AppMainProc(os::Window w, os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  (void)w;
  switch (message) {
    case os::WM_DESTROY:
      os::PostQuitMessage(0);
      return -1;
    case os::WM_MOUSEACTIVATE:
    case MM_KEY_MOUSEACTIVATE:
      GiveBackFocus(static_cast<int>(lParam & 0xFFFF));
      return -1;
    case os::WM_NCLBUTTONDOWN:
      os::SetActiveWindow(gMainWindow);
      return NOT_MINE;  // the system goes on with the move or resize
    case os::WM_MOUSEMOVE:
    case MM_KEY_MOUSEMOVE:
      TrackForeground();
      return AppSecondStage(message, wParam, lParam);
    default:
      return AppSecondStage(message, wParam, lParam);
  }
}

os::LRESULT MainWndProc(os::Window w, os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  os::LRESULT r = AppMainProc(w, message, wParam, lParam);
  if (r != NOT_MINE) return r;
  // The candidate-key link (KeybdPredictMainProc) will wrap the keyboard link here,
  // handing it every message it does not take itself.
  r = KeybdMainProc(w, message, wParam, lParam);
  if (r != NOT_MINE) return r;
  // Links still to join, in this order: conversion, prediction.
  if (MacroMainProc(w, message, wParam, lParam) == -1) return -1;
  return os::DefWindowProc(w, message, wParam, lParam);
}

}  // namespace mivo
