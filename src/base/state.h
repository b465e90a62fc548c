// Everything the base layer changes while the program runs, in one place, so that one
// call puts back what a fresh start finds. The allocator's count of live blocks is not
// part of it: that count is the leak check, and holds across starts.
#pragma once

#include <cstdint>

#include "platform/os.h"

namespace mivo {

// One variable per key of the settings file, with its value before any file is read.
// String settings are owned texts (MemAlloc), null while unset.
struct Settings {
  int32_t TimerInterval = 6;
  int32_t LockIntervalSlow = 12;
  int32_t LockIntervalQuick = 6;
  int32_t TimerWait = -8;
  int32_t TimerFlag = 0;
  int32_t TimerSameGroup = 3;
  int32_t FrameWidth = 2;
  int32_t FontBold = 0;
  int32_t MainWindowSize = 0;
  int32_t MediumFontSize = 0;
  int32_t MediumFontSizeX = 0;
  int32_t MediumFontSizeY = 0;
  int32_t MetricsMode = 1;
  char* KeyCfgFile = nullptr;
  char* ColorCfgFile = nullptr;
  char* LogFile = nullptr;
  char* SettingFile = nullptr;
  char* CounterFile = nullptr;
  int32_t LoggingMode = 0;
  int32_t CounterMode = 0;
  int32_t MaxCandidates = 10;
  // Candidates to a scan group inside a candidate panel (0: none, each stands alone).
  int32_t CandidateGroupSize = 0;
  uint8_t PressKey = 29;  // NonConvert
  int32_t MouseOnScan = 1;
  int32_t ForceMouseMove = 0;
  int32_t BeepMode = 0;
  char* ProcessOnQuit = nullptr;
  char* KillOnQuit = nullptr;
  int32_t KillProcessWait = 4;
  // The lock interval in force: LockSlow and LockQuick change it, a reload may too.
  int32_t LockInterval = 6;
};

struct BaseState {
  Settings settings;
  os::Window mainWindow = nullptr;
  os::FileHandle logFile = nullptr;
  int32_t selections = 0;  // usage counters since the last reset
  int32_t outputs = 0;
};
extern BaseState baseState;

// Closes the log and releases the setting texts, then puts every value back.
void ResetBaseState();

}  // namespace mivo
