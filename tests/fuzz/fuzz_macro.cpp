// RunMacro on arbitrary bytes, against a main window that owns every command: it
// answers as a lock would (so the pending slot is used), re-enters the processor for
// SelectKey (so nesting is reached) and reads every argument it is given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/bus.h"
#include "base/messages.h"
#include "base/text.h"
#include "macro/macro.h"
#include "platform/headless/desktop.h"

namespace {

bool locked = false;

os::LRESULT OwnerProc(os::Window w, os::UINT message, os::WPARAM code, os::LPARAM lParam) {
  const char* argument = reinterpret_cast<const char*>(lParam);
  if (message >= mivo::MM_APP_COMMAND && message <= mivo::MM_IME_COMMAND) {
    // Touch every byte: an argument must be a whole NUL-terminated text.
    size_t length = 0;
    if (argument != nullptr) {
      while (argument[length] != '\0') ++length;
    }
    if (code == 545) {  // Lock
      locked = !locked;
      return locked ? mivo::RESULT_START_LOCK : mivo::RESULT_END_LOCK;
    }
    if (code == 546) return mivo::RESULT_START_LOCK;  // LockSlow
    if (code == 547) return mivo::RESULT_END_LOCK;    // LockQuick
    if (code == 542 && argument != nullptr) {         // SelectKey runs its argument as a macro
      return mivo::SendToMain(mivo::MM_RUN_MACRO, reinterpret_cast<os::WPARAM>(argument), 0);
    }
    return static_cast<os::LRESULT>(length % 3);
  }
  if (message == mivo::MM_RUN_MACRO) return mivo::MacroMainProc(w, message, code, lParam);
  return os::DefWindowProc(w, message, code, lParam);
}

void SetUpOnce() {
  desktop::Reset();
  os::WndClass wc{};
  wc.lpfnWndProc = OwnerProc;
  wc.lpszClassName = "FuzzMacroMain";
  os::RegisterClass(wc);
  mivo::SetMainWindow(os::CreateWindowEx(0, "FuzzMacroMain", "fuzz", os::WS_POPUP, 0, 0, 1, 1,
                                         nullptr, nullptr, nullptr));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = false;
  if (!ready) {
    SetUpOnce();
    ready = true;
  }
  const int32_t live = mivo::MemLiveCount();
  std::string text(reinterpret_cast<const char*>(data), size);
  mivo::RunMacro(text.c_str());
  mivo::RunCommandList(text.c_str());
  mivo::RunPendingMacro();
  mivo::ReleasePendingMacro();
  locked = false;
  if (mivo::MemLiveCount() != live) std::abort();  // every run frees what it took
  return 0;
}
