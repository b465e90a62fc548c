// Docking of the main window as a desktop toolbar, and the hand-back of the
// foreground to the user's application.
#pragma once

#include "platform/os.h"

namespace mivo {

int DockMainWindow(os::Window window, int on);
void PlaceAppBar(os::UINT edge, os::Rect rect, os::AppBarData* bar);
int OnAppBarNotify(os::Window window, os::WPARAM code, os::LPARAM argument);
void ReDock(os::AppBarData* bar);
int RememberForeground();
int RestoreForeground();
void TrackForeground();
void GiveBackFocus(int hitTest);

}  // namespace mivo
