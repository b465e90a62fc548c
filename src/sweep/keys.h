// The twelve keys mivoSweep polls, and how a poll turns toggle bits into actions.
//
// A key counts as pressed when bit 0 of its keyboard-state byte (the toggle bit)
// differs from the one seen at the last poll: an odd number of presses in between.
#pragma once

#include <cstdint>

namespace mivo::sweep {

constexpr int kSweepKeyCount = 12;
constexpr int kSweepKeyRoom = 16;  // the table has room for more keys than are used

// Index of each key in the table; also the action it runs.
enum SweepKeyIndex : int {
  kKeyJump = 0,       // F12
  kKeyTurnRight = 1,  // right arrow
  kKeyTurnLeft = 2,   // left arrow
  kKeyLonger = 3,     // up arrow
  kKeyShorter = 4,    // down arrow
  kKeyStep1 = 5,      // keypad 0
  kKeyStep2 = 6,      // keypad 1
  kKeyStep4 = 7,      // keypad 2
  kKeyStep10 = 8,     // keypad 3
  kKeyStep15 = 9,     // keypad 4
  kKeyStep20 = 10,    // keypad 5
  kKeyEnd = 11,       // F13
};

struct SweepKeyTable {
  uint16_t codes[kSweepKeyRoom] = {};
  uint16_t toggles[kSweepKeyCount] = {};
};

void FillSweepKeyTable(SweepKeyTable& table);

// Remembers the toggle bits of `state` without acting on them (the start-up read).
void StoreSweepToggles(SweepKeyTable& table, const uint8_t state[256]);

// Compares `state` with the remembered bits, in table order. Writes the indexes of
// the keys pressed since the last poll to `fired` (room for kSweepKeyCount) and
// returns how many; every key's bit is remembered whether or not it fired.
int PollSweepKeys(SweepKeyTable& table, const uint8_t state[256], int fired[kSweepKeyCount]);

// The turn step a keypad key sets, or 0 for the other keys.
int16_t SweepStepForKey(int index);

}  // namespace mivo::sweep
