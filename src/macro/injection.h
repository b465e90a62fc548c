// Synthesised input for the foreground application: named keys with latched
// modifiers, mouse actions, and text typed as input-method characters.
#pragma once

#include "platform/os.h"

namespace mivo {

// Presses (releaseFlag 0) or releases (otherwise) every latched modifier; flags stay.
void PressLatchedModifiers(int releaseFlag);
// Releases every latched modifier and clears the latches (also at shutdown).
void ReleaseLatchedModifiers();
// Ends an Alt latch with a press and a release.
void ReleaseAltLatch();
// True when the modifier with this virtual key (91, 17, 16, 18) is latched.
bool IsLatched(int virtualKey);

// The code used, 0 when the name is in no table.
int PressKeyByName(const char* name, int releaseAfter);
// The Direct command (releaseAfter 1) and the lock repeat (releaseAfter 0).
void DirectKey(const char* name, int releaseAfter);
// Types a text into the foreground's focused control as input-method characters.
void TypePhrase(const char* text);
// The Mouse command.
void MouseAction(const char* name);
// Reads the offsets of "Move[x,y]"; false (and 0, 0) when the form is not valid.
bool ParseMoveOffsets(const char* name, int* dx, int* dy);

// Attaches this thread's input to the foreground thread; the focused window there.
os::Window AttachToForeground();
// Attaches like AttachToForeground and gives the keyboard focus to `window`.
void SetForeignFocus(os::Window window);

}  // namespace mivo
