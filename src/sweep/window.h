// frmMain: the one window of mivoSweep. It covers the whole screen with the picture
// of the desktop taken at start, shows the sweep line and the ring around the
// pointer on it, polls the twelve keys every 200 ms and ends on F13 or its button.
#pragma once

#include "platform/os.h"

namespace mivo::sweep {

// The window's class, and its title, by which a second start finds the first.
constexpr const char* kSweepClassName = "MivoSweepForm";
constexpr const char* kSweepAppTitle = "MivoSweep";

// Control ids of the children.
constexpr int kCommand2Id = 2;
constexpr int kLabel1Id = 3;
constexpr int kLabel2Id = 4;
constexpr os::UINT_PTR kTimer1Id = 1;
constexpr os::UINT kTimer1IntervalMs = 200;

// Design values are in window units of 1/15 pixel. A fifteenth never falls exactly
// half-way, so rounding to the nearest pixel needs no tie rule.
int PixelsFromUnits(int units);

// Registers the class, creates the window titled `title` with its controls, takes
// the desktop picture, sets the state and starts the timer; then shows it. Null on
// failure.
os::Window LoadSweepForm(os::Instance instance, const char* title);

// Destroys the window if it is still there and frees what it held.
void UnloadSweepForm(os::Instance instance);

}  // namespace mivo::sweep
