// Every input of a fuzz run starts on a fresh desktop, always in the same working folder:
// a new folder per input would fill the disk.
#pragma once

#include <string>

#include "platform/headless/desktop.h"

inline void ResetDesktopInOneFolder() {
  static std::string folder;
  if (folder.empty()) {
    desktop::Reset();
    folder = desktop::WorkingFolder();
  }
  desktop::Config config;
  config.workingFolder = folder;
  desktop::Reset(config);
}
