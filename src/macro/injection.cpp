// Keystroke, mouse and text injection into the foreground application.
//
// A modifier chosen on the on-screen keyboard is latched: it is tapped once when
// chosen, then held around the next key and released after it. The pauses are part
// of the behaviour: target programs drop events that come faster than they poll.
#include "macro/injection.h"

#include "base/bus.h"
#include "base/key_names.h"
#include "base/log.h"
#include "base/messages.h"
#include "base/text.h"
#include "macro/state.h"

namespace mivo {

namespace {

Latch* LatchOf(int vk) {
  for (Latch& latch : macroState.latches) {
    if (latch.vk == vk) return &latch;
  }
  return nullptr;
}

void KeyEvent(os::BYTE vk, bool up) { os::keybd_event(vk, 0, up ? os::KEYEVENTF_KEYUP : 0, 0); }

void MouseEvent(os::DWORD flags) { os::mouse_event(flags, 0, 0, 0, 0); }

bool ReadingIsEmpty() {
  return !macroState.conversionHooks.readingIsEmpty || macroState.conversionHooks.readingIsEmpty();
}
bool CommittedIsEmpty() {
  return !macroState.conversionHooks.committedIsEmpty ||
         macroState.conversionHooks.committedIsEmpty();
}

// atoi's reading (blanks, a sign, digits) over [p, end), clamped to the int range
// instead of overflowing.
int ReadInteger(const char* p, const char* end) {
  while (p < end && (*p == ' ' || (*p >= '\t' && *p <= '\r'))) ++p;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  bool fits = true;
  const int64_t value = LeadingDigits(p, end, &fits);
  if (!fits) return negative ? INT32_MIN : INT32_MAX;
  return static_cast<int>(negative ? -value : value);
}

}  // namespace

void PressLatchedModifiers(int releaseFlag) {
  for (const Latch& latch : macroState.latches) {
    if (!latch.on) continue;
    if (latch.vk == os::VK_MENU) WriteLog("PressSpecialKeys", "AltFlag=TRUE");
    KeyEvent(latch.vk, releaseFlag != 0);
  }
}

void ReleaseLatchedModifiers() {
  for (Latch& latch : macroState.latches) {
    if (!latch.on) continue;
    KeyEvent(latch.vk, true);
    latch.on = false;
  }
}

void ReleaseAltLatch() {
  Latch* alt = LatchOf(os::VK_MENU);
  if (!alt->on) return;
  KeyEvent(alt->vk, false);
  KeyEvent(alt->vk, true);
  alt->on = false;
}

bool IsLatched(int virtualKey) {
  const Latch* latch = LatchOf(virtualKey);
  return latch != nullptr && latch->on;
}

int PressKeyByName(const char* name, int releaseAfter) {
  int k = LookupSysKeyName(name);
  if (k == 0) {
    k = LookupKeyName(name);
    if (k == 0) return 0;
    if (k != os::VK_SHIFT && k != os::VK_CONTROL && k != os::VK_MENU) {
      os::Sleep(10);
      PressLatchedModifiers(0);
      if (k == os::VK_LBUTTON || k == os::VK_RBUTTON) {
        MouseEvent(k == os::VK_LBUTTON ? os::MOUSEEVENTF_LEFTDOWN : os::MOUSEEVENTF_RIGHTDOWN);
        MouseEvent(k == os::VK_LBUTTON ? os::MOUSEEVENTF_LEFTUP : os::MOUSEEVENTF_RIGHTUP);
      } else {
        KeyEvent(static_cast<os::BYTE>(k), false);
        KeyEvent(static_cast<os::BYTE>(k), true);
      }
      PressLatchedModifiers(1);
      CountEvent(COUNT_OUTPUT, 0);
      if (releaseAfter) ReleaseLatchedModifiers();
      return k;
    }
  }
  Latch* latch = LatchOf(k);
  if (latch != nullptr && !latch->on) {
    KeyEvent(latch->vk, false);
    KeyEvent(latch->vk, true);
    latch->on = true;
  }
  return k;
}

void DirectKey(const char* name, int releaseAfter) {
  if (name == nullptr) return;
  if (TextEqual(name, "BS")) {
    if (!ReadingIsEmpty()) {
      if (macroState.conversionHooks.readingBackspace)
        macroState.conversionHooks.readingBackspace();
      PostToMain(MM_IME_CANDIDATES, 0, 0);
      WriteLog("BS", "Phrase");
      return;
    }
    if (!CommittedIsEmpty() && macroState.conversionHooks.committedBackspace)
      macroState.conversionHooks.committedBackspace();
    os::Sleep(1);
    // The press alone: editors delete on the key-down, and this is the one event
    // that Back has always sent here.
    KeyEvent(os::VK_BACK, false);
    PostToMain(MM_IME_CANDIDATES, 0, 0);
    WriteLog("BS", "Direct");
    CountEvent(COUNT_OUTPUT_UNDO, 0);
    return;
  }
  os::Sleep(1);
  PressKeyByName(name, releaseAfter);
  CountEvent(COUNT_OUTPUT, 0);
}

void TypePhrase(const char* text) {
  if (text == nullptr) return;
  os::Window target = AttachToForeground();
  os::SendMessage(target, os::WM_IME_NOTIFY, os::IMN_OPENSTATUSWINDOW, 0);
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  while (*p != 0) {
    if (IsLeadByte(*p)) {
      // A lead byte cut off by the end of the text is no character: not sent.
      if (p[1] == 0) break;
      os::SendMessage(target, os::WM_IME_CHAR, (os::WPARAM{p[0]} << 8) | p[1], 1);
      CountEvent(COUNT_OUTPUT, 0);
      CountEvent(COUNT_OUTPUT, 0);
      p += 2;
    } else {
      os::SendMessage(target, os::WM_IME_CHAR, *p, 1);
      CountEvent(COUNT_OUTPUT, 0);
      ++p;
    }
    os::Sleep(1);
  }
  os::SendMessage(target, os::WM_IME_NOTIFY, os::IMN_CLOSESTATUSWINDOW, 0);
}

bool ParseMoveOffsets(const char* name, int* dx, int* dy) {
  *dx = 0;
  *dy = 0;
  if (name == nullptr) return false;
  const char* comma = nullptr;
  const char* bracket = nullptr;
  for (const char* p = name; *p != '\0'; ++p) {
    if (*p == ',') comma = p;
    if (*p == ']') bracket = p;
  }
  if (comma == nullptr || bracket == nullptr || comma - name < 5 || bracket < comma) return false;
  *dx = ReadInteger(name + 5, comma);
  *dy = ReadInteger(comma + 1, bracket);
  return true;
}

void MouseAction(const char* name) {
  os::Sleep(1);
  const int k = LookupMouseName(name);
  bool sent = true;
  switch (k) {
    case 1: {
      int dx = 0;
      int dy = 0;
      // A "Move[" without a valid "x,y]" moves nothing, but is counted like any move.
      if (ParseMoveOffsets(name, &dx, &dy)) {
        os::mouse_event(os::MOUSEEVENTF_MOVE, static_cast<os::DWORD>(dx),
                        static_cast<os::DWORD>(dy), 0, 0);
      }
      break;
    }
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 7: {
      static constexpr os::DWORD kButtonEvents[] = {
          os::MOUSEEVENTF_LEFTDOWN, os::MOUSEEVENTF_LEFTUP,     os::MOUSEEVENTF_RIGHTDOWN,
          os::MOUSEEVENTF_RIGHTUP,  os::MOUSEEVENTF_MIDDLEDOWN, os::MOUSEEVENTF_MIDDLEUP};
      os::Sleep(10);
      MouseEvent(kButtonEvents[k - 2]);
      break;
    }
    case 10:
    case 11:
    case 12:
    case 13:
    case 14:
    case 15: {
      static constexpr os::DWORD kDown[] = {os::MOUSEEVENTF_LEFTDOWN, os::MOUSEEVENTF_RIGHTDOWN,
                                            os::MOUSEEVENTF_MIDDLEDOWN};
      static constexpr os::DWORD kUp[] = {os::MOUSEEVENTF_LEFTUP, os::MOUSEEVENTF_RIGHTUP,
                                          os::MOUSEEVENTF_MIDDLEUP};
      const int button = (k - 10) / 2;
      os::Sleep(10);
      MouseEvent(kDown[button]);
      MouseEvent(kUp[button]);
      if (k % 2 == 1) {
        os::Sleep(30);
        MouseEvent(kDown[button]);
        MouseEvent(kUp[button]);
      }
      break;
    }
    default:  // 0 (no such name) and 8 ("Wheel") send nothing
      sent = false;
      break;
  }
  if (sent) CountEvent(COUNT_OUTPUT, 0);
  CountEvent(COUNT_OUTPUT, 0);
}

os::Window AttachToForeground() {
  const os::DWORD self = os::GetCurrentThreadId();
  if (macroState.attachedThread != 0)
    os::AttachThreadInput(self, macroState.attachedThread, os::FALSE);
  macroState.attachedThread = os::GetWindowThreadProcessId(os::GetForegroundWindow(), nullptr);
  os::AttachThreadInput(self, macroState.attachedThread, os::TRUE);
  return os::GetFocus();
}

void SetForeignFocus(os::Window window) {
  const os::DWORD self = os::GetCurrentThreadId();
  if (macroState.attachedThread != 0)
    os::AttachThreadInput(self, macroState.attachedThread, os::FALSE);
  macroState.attachedThread = os::GetWindowThreadProcessId(os::GetForegroundWindow(), nullptr);
  os::AttachThreadInput(self, macroState.attachedThread, os::TRUE);
  os::SetFocus(window);
}

}  // namespace mivo
