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
    pressKey_ = mivo::PressKey;
  }
  ~SettingsState() {
    for (int i = 0; i < kCount; ++i) *Numbers()[i] = saved_[i];
    mivo::PressKey = pressKey_;
    mivo::ReleaseSettingTexts();
  }
  SettingsState(const SettingsState&) = delete;
  SettingsState& operator=(const SettingsState&) = delete;

 private:
  static constexpr int kCount = 21;
  static int32_t* const* Numbers() {
    static int32_t* const numbers[kCount] = {
        &mivo::TimerInterval,  &mivo::LockIntervalSlow, &mivo::LockIntervalQuick,
        &mivo::TimerWait,      &mivo::TimerFlag,        &mivo::TimerSameGroup,
        &mivo::FrameWidth,     &mivo::FontBold,         &mivo::MainWindowSize,
        &mivo::MediumFontSize, &mivo::MediumFontSizeX,  &mivo::MediumFontSizeY,
        &mivo::MetricsMode,    &mivo::LoggingMode,      &mivo::CounterMode,
        &mivo::MaxCandidates,  &mivo::MouseOnScan,      &mivo::ForceMouseMove,
        &mivo::BeepMode,       &mivo::KillProcessWait,  &mivo::LockInterval,
    };
    return numbers;
  }
  int32_t saved_[kCount];
  uint8_t pressKey_;
};

}  // namespace testing_support
