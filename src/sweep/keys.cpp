#include "sweep/keys.h"

namespace mivo::sweep {

namespace {

// F12, right, left, up, down, keypad 0..5, F13.
constexpr uint16_t kKeyCodes[kSweepKeyCount] = {123, 39, 37, 38, 40, 96, 97, 98, 99, 100, 101, 124};
constexpr int16_t kKeypadSteps[] = {1, 2, 4, 10, 15, 20};

uint16_t ToggleBit(const uint8_t state[256], uint16_t code) {
  return static_cast<uint16_t>(state[code & 0xFF] & 1);
}

}  // namespace

void FillSweepKeyTable(SweepKeyTable& table) {
  for (int i = 0; i < kSweepKeyCount; ++i) table.codes[i] = kKeyCodes[i];
}

void StoreSweepToggles(SweepKeyTable& table, const uint8_t state[256]) {
  for (int i = 0; i < kSweepKeyCount; ++i) table.toggles[i] = ToggleBit(state, table.codes[i]);
}

int PollSweepKeys(SweepKeyTable& table, const uint8_t state[256], int fired[kSweepKeyCount]) {
  int count = 0;
  for (int i = 0; i < kSweepKeyCount; ++i) {
    const uint16_t bit = ToggleBit(state, table.codes[i]);
    if (bit != table.toggles[i]) fired[count++] = i;
    table.toggles[i] = bit;
  }
  return count;
}

int16_t SweepStepForKey(int index) {
  if (index < kKeyStep1 || index > kKeyStep20) return 0;
  return kKeypadSteps[index - kKeyStep1];
}

}  // namespace mivo::sweep
