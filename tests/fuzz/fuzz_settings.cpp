// Settings reader against arbitrary bytes: no crash, no overrun, no leak, and the
// answer agrees with the boxes shown.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/settings.h"
#include "base/text.h"
#include "fuzz/one_folder.h"
#include "platform/headless/desktop.h"
#include "unit/settings_state.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

bool TextFits(const char* text) { return text == nullptr || std::strlen(text) <= 255; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResetDesktopInOneFolder();
  desktop::WriteFile("settings.txt", std::string(reinterpret_cast<const char*>(data), size));

  const int32_t live = mivo::MemLiveCount();
  {
    testing_support::SettingsState restore;
    const int result = mivo::LoadSettings();
    const auto boxes = desktop::MessageBoxes();
    if (result == 1) {
      Check(boxes.empty());
      const char* texts[] = {mivo::settings.KeyCfgFile,    mivo::settings.ColorCfgFile,
                             mivo::settings.LogFile,       mivo::settings.SettingFile,
                             mivo::settings.ProcessOnQuit, mivo::settings.KillOnQuit};
      for (const char* text : texts) Check(TextFits(text));
      Check(mivo::settings.KeyCfgFile != nullptr && mivo::settings.LogFile != nullptr &&
            mivo::settings.CounterFile != nullptr);
      Check(mivo::settings.LockIntervalQuick >= 1 ||
            mivo::settings.LockIntervalQuick == mivo::settings.TimerInterval);
    } else {
      Check(result == 0);
      Check(boxes.size() == 1);
      Check(boxes[0].caption == "Mivo setting error");
      Check(boxes[0].text.find(" at line ") != std::string::npos);
    }
  }  // releases the texts
  Check(mivo::MemLiveCount() == live);
  return 0;
}
