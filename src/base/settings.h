// The settings file and the program-wide settings variables it fills.
//
// Every part reads the variables directly, by these names; they live in baseState.
// Shutdown releases the String settings' texts with ReleaseSettingTexts.
#pragma once

#include <cstdint>

#include "base/state.h"

namespace mivo {

inline int32_t& TimerInterval = baseState.settings.TimerInterval;
inline int32_t& LockIntervalSlow = baseState.settings.LockIntervalSlow;
inline int32_t& LockIntervalQuick = baseState.settings.LockIntervalQuick;
inline int32_t& TimerWait = baseState.settings.TimerWait;
inline int32_t& TimerFlag = baseState.settings.TimerFlag;
inline int32_t& TimerSameGroup = baseState.settings.TimerSameGroup;
inline int32_t& FrameWidth = baseState.settings.FrameWidth;
inline int32_t& FontBold = baseState.settings.FontBold;
inline int32_t& MainWindowSize = baseState.settings.MainWindowSize;
inline int32_t& MediumFontSize = baseState.settings.MediumFontSize;
inline int32_t& MediumFontSizeX = baseState.settings.MediumFontSizeX;
inline int32_t& MediumFontSizeY = baseState.settings.MediumFontSizeY;
inline int32_t& MetricsMode = baseState.settings.MetricsMode;
inline char*& KeyCfgFile = baseState.settings.KeyCfgFile;
inline char*& ColorCfgFile = baseState.settings.ColorCfgFile;
inline char*& LogFile = baseState.settings.LogFile;
inline char*& SettingFile =
    baseState.settings.SettingFile;  // the current settings file name; null until the first load
inline char*& CounterFile = baseState.settings.CounterFile;  // always "Counter.txt" once loaded
inline int32_t& LoggingMode = baseState.settings.LoggingMode;
inline int32_t& CounterMode = baseState.settings.CounterMode;
inline int32_t& MaxCandidates = baseState.settings.MaxCandidates;
inline int32_t& CandidateGroupSize = baseState.settings.CandidateGroupSize;
inline uint8_t& PressKey = baseState.settings.PressKey;
inline int32_t& MouseOnScan = baseState.settings.MouseOnScan;
inline int32_t& ForceMouseMove = baseState.settings.ForceMouseMove;
inline int32_t& BeepMode = baseState.settings.BeepMode;
inline char*& ProcessOnQuit = baseState.settings.ProcessOnQuit;
inline char*& KillOnQuit = baseState.settings.KillOnQuit;
inline int32_t& KillProcessWait = baseState.settings.KillProcessWait;

// The lock interval in force; the scanning part changes it with LockSlow/LockQuick.
inline int32_t& LockInterval = baseState.settings.LockInterval;

// 1 when the file was absent, empty or correct (values stored); 0 after a grammar
// error (box shown, nothing stored).
int LoadSettings();

// Makes `name` the current settings file name (LoadSetting with an argument).
void SetSettingFileName(const char* name);

// Releases the String settings' texts (shutdown).
void ReleaseSettingTexts();

}  // namespace mivo
