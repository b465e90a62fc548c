// The loop's rest between turns: asleep until a message, a timer tick or a change of a
// key or button can need the program, instead of waking every millisecond.
#pragma once

#include "platform/os.h"

namespace mivo {

// Asks for the key and button changes of the whole desktop (raw input), which are what
// wake the rest when the switch or the emergency chord is pressed in another window.
void PrepareIdleRest(os::Window mainWindow);
// Waits, unless the switch is held (its release is then polled every turn, as before)
// or nothing but polling could see it.
void RestWhileIdle();
// Takes every raw input message waiting, after the loop has taken one of them.
void DropRawInput();

}  // namespace mivo
