// Switch scanning: the scan state, the focus and selection marks on the keys, the key
// events that run a key's macro texts, the switch poll and the keyboard link of the
// main window's handler chain.
//
// Marks spread upwards to the ancestors and stop at the first one that already has (or
// already lacks) the mark; each change posts a key event that runs the key's macro text
// later, judged against what has been painted by then.
#pragma once

#include <cstdint>

#include "keyboard/state.h"
#include "platform/os.h"

namespace mivo {

// ---- the scan state (key indexes; 0 = none)

// Releases the lock text (shutdown) and puts every scan variable back to its start.
void ResetScanState();

// ---- marks: 1 when the key changed, else 0
int SetFocusFlags(int32_t k);
int ClearFocusFlags(int32_t k);
int SetSelectFlags(int32_t k);
int ClearSelectFlags(int32_t k);

// ---- role setters: the role is taken only for an index in the valid range
void SetHomeKey(int32_t k);
void SetStartKey(int32_t k);
void SetKeyboardKey(int32_t k);

// ---- scanning
// Runs the macro text of a key event (KE_FOCUS .. KE_SELECTED); the send's result, or 0
// when nothing ran.
os::LRESULT RunKeyEvent(int32_t k, os::LPARAM code);
// Moves the focus to k (or its nearest ancestor that can take it); the new CurrentKey.
int32_t FocusKey(int32_t k);
void ScanStep();
void SwitchDown();
void SwitchUp();
// Posts the selection of k; 1 when posted, 0 for an invalid, empty or inert key.
int ActivateKey(int32_t k);
void AfterSelect(int32_t k);
void TimerTick();
// Starts or ends a lock: RESULT_END_LOCK ended one, RESULT_START_LOCK started one (text
// not null), 0 otherwise.
os::LRESULT LockToggle(const char* text);

// Called on every turn of the main loop: polls the switch. Returns 0.
int KeybdProcessLoop();
// The keyboard link of the main window's chain; NOT_MINE for what is not its own.
os::LRESULT KeybdMainProc(os::Window w, os::UINT message, os::WPARAM wParam, os::LPARAM lParam);

}  // namespace mivo
