#include "sweep/app.h"

#include <cstdint>
#include <cstring>

#include "sweep/window.h"

namespace mivo::sweep {

namespace {

constexpr size_t kTitleRoom = 32;
constexpr const char* kDummyTitle = "mivoSweep\x83_\x83~\x81[";  // mivoSweepダミー

// The pointer over one of the window's controls is still over the window: a jump
// may land on a label, and the next jump has to start from there.
void ShareMoveWithForm(os::Window form, const os::Msg& msg) {
  if (msg.message != os::WM_MOUSEMOVE || msg.hwnd == form) return;
  if (os::GetParent(msg.hwnd) != form) return;
  os::Point p{static_cast<int16_t>(msg.lParam & 0xFFFF),
              static_cast<int16_t>((msg.lParam >> 16) & 0xFFFF)};
  os::ClientToScreen(msg.hwnd, &p);
  os::ScreenToClient(form, &p);
  const os::LPARAM at = static_cast<os::LPARAM>((static_cast<uint32_t>(p.x) & 0xFFFF) |
                                                ((static_cast<uint32_t>(p.y) & 0xFFFF) << 16));
  os::SendMessage(form, os::WM_MOUSEMOVE, msg.wParam, at);
}

int RunMessageLoop(os::Window form) {
  for (;;) {
    os::Msg msg{};
    if (!os::PeekMessage(&msg, nullptr, 0, 0, os::PM_REMOVE)) {
      os::Sleep(1);
      continue;
    }
    if (msg.message == os::WM_QUIT) return static_cast<int>(msg.wParam);
    ShareMoveWithForm(form, msg);
    os::TranslateMessage(&msg);
    os::DispatchMessage(&msg);
  }
}

}  // namespace

int SweepMain(os::Instance instance, int /*showCommand*/) {
  char appTitle[kTitleRoom];
  std::strncpy(appTitle, kSweepAppTitle, kTitleRoom - 1);
  appTitle[kTitleRoom - 1] = '\0';

  if (os::FindWindow(kSweepClassName, appTitle) != nullptr) {
    // Another copy runs. Our own title changes first so that the search below can
    // only ever find that copy.
    char remembered[kTitleRoom];
    std::memcpy(remembered, appTitle, kTitleRoom);
    std::strncpy(appTitle, kDummyTitle, kTitleRoom - 1);
    const os::Window running = os::FindWindow(kSweepClassName, remembered);
    if (running != nullptr) {
      os::SetForegroundWindow(running);
      os::BringWindowToTop(running);
    }
    return 0;
  }

  const os::Window form = LoadSweepForm(instance, appTitle);
  if (form == nullptr) return -1;  // no window: not a success
  const int code = RunMessageLoop(form);
  UnloadSweepForm(instance);
  return code;
}

}  // namespace mivo::sweep
