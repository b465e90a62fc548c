// The settings file and the program-wide settings it fills.
//
// Each key is written once, in MIVO_SETTINGS: its name, its kind and its value before
// any file is read. The struct below, the reader's key table, the texts that stand in
// for an unset String and the reset are all made from that list, so a key added there
// is read, stored, released and put back with nothing else to edit. Every part reads a
// setting as a field of `settings`, by the key's own name.
#pragma once

#include <cstdint>

#include "base/text_constants.h"

namespace mivo {

// X(name, kind, default). The kinds hold: Number a signed 32-bit integer, Boolean 0 or
// 1, String an owned text (MemAlloc) that is null until set, KeyCode a one-byte virtual
// key code. The reader takes any value of the kind; the narrower ranges some readers
// expect (MetricsMode 1 or 2, ForceMouseMove 0 to 2) are theirs to judge. A String's
// default is not its start value: it is the text a load sets when the key stays unset.
#define MIVO_SETTINGS(X)                      \
  X(TimerInterval, Number, 6)                 \
  X(LockIntervalSlow, Number, 12)             \
  X(LockIntervalQuick, Number, 6)             \
  X(TimerWait, Number, -8)                    \
  X(TimerFlag, Boolean, 0)                    \
  X(TimerSameGroup, Number, 3)                \
  X(FrameWidth, Number, 2)                    \
  X(FontBold, Boolean, 0)                     \
  X(MainWindowSize, Number, 0)                \
  X(MediumFontSize, Number, 0)                \
  X(MediumFontSizeX, Number, 0)               \
  X(MediumFontSizeY, Number, 0)               \
  X(MetricsMode, Number, 1)                   \
  X(KeyCfgFile, String, kDefaultKeyCfgFile)   \
  X(ColorCfgFile, String, nullptr)            \
  X(LogFile, String, kDefaultLogFile)         \
  X(SettingFile, String, kDefaultSettingFile) \
  X(LoggingMode, Boolean, 0)                  \
  X(CounterMode, Boolean, 0)                  \
  X(MaxCandidates, Number, 10)                \
  X(CandidateGroupSize, Number, 0)            \
  X(PressKey, KeyCode, 29) /* NonConvert */   \
  X(MouseOnScan, Boolean, 1)                  \
  X(ForceMouseMove, Number, 0)                \
  X(BeepMode, Boolean, 0)                     \
  X(ProcessOnQuit, String, nullptr)           \
  X(KillOnQuit, String, nullptr)              \
  X(KillProcessWait, Number, 4)

// The type codes are the file format's own (1 to 4).
enum class SettingKind { Number = 1, String = 2, Boolean = 3, KeyCode = 4 };

template <SettingKind>
struct SettingStorage;
template <>
struct SettingStorage<SettingKind::Number> {
  using Type = int32_t;
};
template <>
struct SettingStorage<SettingKind::Boolean> {
  using Type = int32_t;
};
template <>
struct SettingStorage<SettingKind::String> {
  using Type = char*;
};
template <>
struct SettingStorage<SettingKind::KeyCode> {
  using Type = uint8_t;
};
template <SettingKind K>
using SettingType = typename SettingStorage<K>::Type;

// The value before any file is read: the default, but null for a String.
template <SettingKind K, typename D>
constexpr SettingType<K> SettingStart([[maybe_unused]] D value) {
  if constexpr (K == SettingKind::String) {
    return nullptr;
  } else {
    return static_cast<SettingType<K>>(value);
  }
}

struct Settings {
#define MIVO_SETTING_FIELD(name, kind, value) \
  SettingType<SettingKind::kind> name = SettingStart<SettingKind::kind>(value);
  MIVO_SETTINGS(MIVO_SETTING_FIELD)
#undef MIVO_SETTING_FIELD

  // Not keys of the file, but kept and reset with them.
  char* CounterFile = nullptr;  // always kDefaultCounterFile once loaded
  // The lock interval in force: LockSlow and LockQuick change it, a reload may too.
  int32_t LockInterval = 6;
};
extern Settings settings;

// 1 when the file was absent, empty or correct (values stored); 0 after a grammar
// error (box shown, nothing stored).
int LoadSettings();

// Makes `name` the current settings file name (LoadSetting with an argument).
void SetSettingFileName(const char* name);

// Releases the String settings' texts (shutdown).
void ReleaseSettingTexts();

// Releases the texts, then puts every setting back to its value before any file is read.
void ResetSettings();

}  // namespace mivo
