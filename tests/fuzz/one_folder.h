// Every input of a fuzz run works in the same working folder: a new folder per input
// would fill the disk. The folder is on /dev/shm when the machine has one and TMPDIR does
// not say otherwise: on a disk file system every file that an input truncates and writes
// again is written back when it is closed, and the runs waited on the disk most of their
// time. The folder goes when the run ends.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/headless/desktop.h"

inline const std::string& OneFolder() {
  static std::string folder;
  if (folder.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    if ((tmp == nullptr || *tmp == 0) && access("/dev/shm", W_OK) == 0) {
      char pattern[] = "/dev/shm/mivo-fuzz-XXXXXX";
      if (mkdtemp(pattern) != nullptr) folder = pattern;
    }
    if (folder.empty()) {
      desktop::Reset();
      folder = desktop::WorkingFolder();
    }
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(folder, ignored);
    });
  }
  return folder;
}

// A fresh desktop for each input. Keeping one across inputs would cost more than making
// it: the desktop remembers every file ever opened, so each input would end holding more
// blocks than it began with, and libFuzzer answers that with a full leak scan.
inline void ResetDesktopInOneFolder() {
  desktop::Config config;
  config.workingFolder = OneFolder();
  desktop::Reset(config);
}
