// Puts the settings variables back after a test, so that the tests also pass when
// the whole suite runs in one process.
#pragma once

#include <cstdint>

#include "base/settings.h"

namespace testing_support {

class SettingsState {
 public:
  SettingsState() {
    for (int i = 0; i < kCount; ++i) saved_[i] = *Numbers()[i];
    pressKey_ = mivo::settings.PressKey;
  }
  ~SettingsState() {
    for (int i = 0; i < kCount; ++i) *Numbers()[i] = saved_[i];
    mivo::settings.PressKey = pressKey_;
    mivo::ReleaseSettingTexts();
  }
  SettingsState(const SettingsState&) = delete;
  SettingsState& operator=(const SettingsState&) = delete;

 private:
  static constexpr int kCount = 21;
  static int32_t* const* Numbers() {
    static int32_t* const numbers[kCount] = {
        &mivo::settings.TimerInterval,     &mivo::settings.LockIntervalSlow,
        &mivo::settings.LockIntervalQuick, &mivo::settings.TimerWait,
        &mivo::settings.TimerFlag,         &mivo::settings.TimerSameGroup,
        &mivo::settings.FrameWidth,        &mivo::settings.FontBold,
        &mivo::settings.MainWindowSize,    &mivo::settings.MediumFontSize,
        &mivo::settings.MediumFontSizeX,   &mivo::settings.MediumFontSizeY,
        &mivo::settings.MetricsMode,       &mivo::settings.LoggingMode,
        &mivo::settings.CounterMode,       &mivo::settings.MaxCandidates,
        &mivo::settings.MouseOnScan,       &mivo::settings.ForceMouseMove,
        &mivo::settings.BeepMode,          &mivo::settings.KillProcessWait,
        &mivo::settings.LockInterval,
    };
    return numbers;
  }
  int32_t saved_[kCount];
  uint8_t pressKey_;
};

}  // namespace testing_support
