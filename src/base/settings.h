// The settings file and the program-wide settings variables it fills.
//
// Every part reads these variables directly. String settings are owned texts
// (MemAlloc) or null when unset; shutdown releases them with ReleaseSettingTexts.
#pragma once

#include <cstdint>

namespace mivo {

extern int32_t TimerInterval;
extern int32_t LockIntervalSlow;
extern int32_t LockIntervalQuick;
extern int32_t TimerWait;
extern int32_t TimerFlag;
extern int32_t TimerSameGroup;
extern int32_t FrameWidth;
extern int32_t FontBold;
extern int32_t MainWindowSize;
extern int32_t MediumFontSize;
extern int32_t MediumFontSizeX;
extern int32_t MediumFontSizeY;
extern int32_t MetricsMode;
extern char* KeyCfgFile;
extern char* ColorCfgFile;
extern char* LogFile;
extern char* SettingFile;  // the current settings file name; null until the first load
extern char* CounterFile;  // always "Counter.txt" once loaded
extern int32_t LoggingMode;
extern int32_t CounterMode;
extern int32_t MaxCandidates;
extern uint8_t PressKey;
extern int32_t MouseOnScan;
extern int32_t ForceMouseMove;
extern int32_t BeepMode;
extern char* ProcessOnQuit;
extern char* KillOnQuit;
extern int32_t KillProcessWait;

// The lock interval in force; the scanning part changes it with LockSlow/LockQuick.
extern int32_t LockInterval;

// 1 when the file was absent, empty or correct (values stored); 0 after a grammar
// error (box shown, nothing stored).
int LoadSettings();

// Makes `name` the current settings file name (LoadSetting with an argument).
void SetSettingFileName(const char* name);

// Releases the String settings' texts (shutdown).
void ReleaseSettingTexts();

}  // namespace mivo
