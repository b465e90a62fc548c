// The headless entry point: the program on our own desktop, working in the current folder.
#include <unistd.h>

#include <climits>

#include "platform/headless/desktop.h"
#include "platform/os.h"

int main() {
  desktop::Config config;
  char cwd[PATH_MAX];
  config.workingFolder = getcwd(cwd, sizeof cwd) ? cwd : ".";
  desktop::Reset(config);
  static int instanceTag;
  return os::AppMain(reinterpret_cast<os::Instance>(&instanceTag), os::SW_SHOWNORMAL);
}
