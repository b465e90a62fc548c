// The application commands: typing and mouse actions, waiting, starting and closing
// programs, reloading the settings, resetting the counters and quitting.
#include "macro/app_commands.h"

#include "base/bus.h"
#include "base/messages.h"
#include "base/settings.h"
#include "base/text.h"
#include "base/text_constants.h"
#include "macro/injection.h"

namespace mivo {

namespace {

constexpr int MAX_KILL_WALKS = 30;
constexpr int NAME_BUFFER = 256;  // class names and titles: at most 255 bytes are read

// Tenths of a second to a Sleep argument. Negative counts wait nothing, and the
// result stays below INFINITE (0xFFFFFFFF), which would never return.
os::DWORD TenthsToMs(int64_t tenths) {
  if (tenths <= 0) return 0;
  const int64_t ms = tenths * 100;
  return ms >= 0xFFFFFFFF ? 0xFFFFFFFE : static_cast<os::DWORD>(ms);
}

bool StartsWithBytes(const char* name, const char* prefix, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    if (name[i] != prefix[i]) return false;  // also stops at the end of a shorter name
  }
  return true;
}

// WM_DESTROY, and WM_QUIT if the window is still there, each followed by the wait.
void AskToClose(os::Window window, os::DWORD waitMs) {
  os::SendMessage(window, os::WM_DESTROY, 0, 0);
  os::Sleep(waitMs);
  if (os::IsWindow(window)) {
    os::SendMessage(window, os::WM_QUIT, 0, 0);
    os::Sleep(waitMs);
  }
}

void LoadSettingCommand(const char* fileName) {
  // «LoadSetting()» passes an empty text: that reloads the current file.
  if (fileName != nullptr && *fileName != '\0') SetSettingFileName(fileName);
  if (LoadSettings()) return;
  os::MessageBox(nullptr, kKeyboardSetupFailed, kMivoErrorCaption, os::MB_OK);
  SendToMain(MM_QUIT, 0, 0);
}

}  // namespace

void StartProgram(const char* commandLine) {
  if (commandLine == nullptr) return;
  os::WinExec(commandLine, os::SW_SHOWNORMAL);
}

void CloseWindowsMatching(const char* prefix, int waitTenths) {
  if (prefix == nullptr) return;
  const size_t n = TextLength(prefix);
  if (n == 0) return;  // an empty pattern matches nothing
  const os::DWORD waitMs = TenthsToMs(waitTenths);
  char name[NAME_BUFFER];
  for (int walk = 0; walk < MAX_KILL_WALKS; ++walk) {
    bool matched = false;
    os::Window window = os::GetTopWindow(os::GetDesktopWindow());
    while (window != nullptr) {
      // Taken first: the window at hand may be gone after it was asked to close.
      os::Window next = os::GetWindow(window, os::GW_HWNDNEXT);
      name[0] = '\0';
      os::GetClassName(window, name, NAME_BUFFER);
      if (StartsWithBytes(name, prefix, n)) {
        AskToClose(window, waitMs);
        matched = true;
      }
      name[0] = '\0';
      os::GetWindowText(window, name, NAME_BUFFER);
      if (StartsWithBytes(name, prefix, n)) {
        AskToClose(window, waitMs);
        matched = true;
      }
      window = next;
    }
    if (!matched) break;
  }
}

os::LRESULT RunAppCommand(os::WPARAM code, const char* argument) {
  switch (code) {
    case CMD_DIRECT:
      if (argument != nullptr) DirectKey(argument, 1);
      return HANDLED;
    case CMD_DIRECT_PHRASE:
      if (argument != nullptr) {
        ReleaseLatchedModifiers();
        TypePhrase(argument);
      }
      return HANDLED;
    case CMD_KILL:
      if (argument != nullptr) CloseWindowsMatching(argument, settings.KillProcessWait);
      return HANDLED;
    case CMD_LOAD_SETTING:
      LoadSettingCommand(argument);
      return HANDLED;
    case CMD_PROCESS:
      if (argument != nullptr) StartProgram(argument);
      return HANDLED;
    case CMD_RELEASE_SPECIAL_KEYS:
      ReleaseLatchedModifiers();
      return HANDLED;
    case CMD_WAIT:
      if (argument != nullptr) os::Sleep(TenthsToMs(NumberValue(argument)));
      return HANDLED;
    case CMD_RELEASE_ALT_KEYS:
      ReleaseAltLatch();
      return HANDLED;
    case CMD_MOUSE:
      // Answered as not handled, so the macro's result is left as it was.
      if (argument != nullptr) MouseAction(argument);
      return NOT_MINE;
    case CMD_MIVO_QUIT:
      PostToMain(MM_QUIT, 0, 0);
      return HANDLED;
    case CMD_RESET_COUNTER:
      PostToMain(MM_RESET_COUNTER, 0, 0);
      return HANDLED;
    default:
      return NOT_MINE;
  }
}

}  // namespace mivo
