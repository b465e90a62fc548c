// Input driver for the end-to-end runs under Wine: presses keys, moves and clicks
// the pointer and waits for windows, as a user at the desktop would.
//
//   win_keys.exe VERB ARGS [VERB ARGS ...]      verbs run in order
//
//   down VK | up VK            press or release one virtual key
//   press VK [HOLDMS]          press, hold (default 50 ms), release
//   chord VK VK ...            press all in order, hold ~300 ms, release in reverse
//   move X Y                   put the pointer at screen X Y
//   click X Y | rclick X Y     move there and click the left / right button
//   cursor                     print the pointer position as "X Y"
//   sleep MS                   wait
//   wait-window CLASS TITLE MS wait until FindWindowA finds the window
//   wait-gone CLASS TITLE MS   wait until it no longer exists
//   activate CLASS TITLE       bring the window to the foreground
//   close CLASS TITLE          post WM_CLOSE to the window
//   CLASS or TITLE "-" means any.
//
// Exit codes: 0 all verbs done; 1 bad command line; 2 a wait timed out;
// 3 a window to activate or close was not found.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int kExitUsage = 1;
constexpr int kExitTimeout = 2;
constexpr int kExitNoWindow = 3;

bool ParseInt(const char* text, long* value) {
  if (text == nullptr || *text == '\0') return false;
  char* end = nullptr;
  const long v = std::strtol(text, &end, 0);
  if (*end != '\0') return false;
  *value = v;
  return true;
}

void Key(BYTE vk, bool up) {
  const BYTE scan = static_cast<BYTE>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
  keybd_event(vk, scan, up ? KEYEVENTF_KEYUP : 0, 0);
}

void Click(long x, long y, DWORD downFlag, DWORD upFlag) {
  SetCursorPos(static_cast<int>(x), static_cast<int>(y));
  Sleep(30);
  mouse_event(downFlag, 0, 0, 0, 0);
  Sleep(50);
  mouse_event(upFlag, 0, 0, 0, 0);
}

const char* AnyOr(const char* text) { return std::strcmp(text, "-") == 0 ? nullptr : text; }

// Polls until the window's presence equals `present` or the timeout passes.
bool WaitWindow(const char* cls, const char* title, long timeoutMs, bool present) {
  const DWORD start = GetTickCount();
  for (;;) {
    const bool found = FindWindowA(AnyOr(cls), AnyOr(title)) != nullptr;
    if (found == present) return true;
    if (static_cast<long>(GetTickCount() - start) >= timeoutMs) return false;
    Sleep(50);
  }
}

int Usage(const char* why, const char* at) {
  std::fprintf(stderr, "win_keys: %s%s%s\n", why, at ? ": " : "", at ? at : "");
  return kExitUsage;
}

int Run(int argc, char** argv) {
  int i = 1;
  auto need = [&](int count) { return i + count <= argc; };
  while (i < argc) {
    const char* verb = argv[i++];
    long a = 0;
    long b = 0;
    long c = 0;
    if (std::strcmp(verb, "down") == 0 || std::strcmp(verb, "up") == 0) {
      if (!need(1) || !ParseInt(argv[i], &a)) return Usage("expected a virtual key", verb);
      ++i;
      Key(static_cast<BYTE>(a), verb[0] == 'u');
    } else if (std::strcmp(verb, "press") == 0) {
      if (!need(1) || !ParseInt(argv[i], &a)) return Usage("expected a virtual key", verb);
      ++i;
      long hold = 50;
      if (i < argc && ParseInt(argv[i], &b)) {
        hold = b;
        ++i;
      }
      Key(static_cast<BYTE>(a), false);
      Sleep(static_cast<DWORD>(hold));
      Key(static_cast<BYTE>(a), true);
    } else if (std::strcmp(verb, "chord") == 0) {
      std::vector<BYTE> keys;
      while (i < argc && ParseInt(argv[i], &a)) {
        keys.push_back(static_cast<BYTE>(a));
        ++i;
      }
      if (keys.empty()) return Usage("expected virtual keys", verb);
      for (BYTE k : keys) {
        Key(k, false);
        Sleep(20);
      }
      Sleep(300);
      for (auto k = keys.rbegin(); k != keys.rend(); ++k) Key(*k, true);
    } else if (std::strcmp(verb, "move") == 0) {
      if (!need(2) || !ParseInt(argv[i], &a) || !ParseInt(argv[i + 1], &b))
        return Usage("expected X Y", verb);
      i += 2;
      SetCursorPos(static_cast<int>(a), static_cast<int>(b));
    } else if (std::strcmp(verb, "click") == 0 || std::strcmp(verb, "rclick") == 0) {
      if (!need(2) || !ParseInt(argv[i], &a) || !ParseInt(argv[i + 1], &b))
        return Usage("expected X Y", verb);
      i += 2;
      if (verb[0] == 'c') {
        Click(a, b, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
      } else {
        Click(a, b, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
      }
    } else if (std::strcmp(verb, "cursor") == 0) {
      POINT p{};
      GetCursorPos(&p);
      std::printf("%ld %ld\n", static_cast<long>(p.x), static_cast<long>(p.y));
      std::fflush(stdout);
    } else if (std::strcmp(verb, "sleep") == 0) {
      if (!need(1) || !ParseInt(argv[i], &a) || a < 0) return Usage("expected MS", verb);
      ++i;
      Sleep(static_cast<DWORD>(a));
    } else if (std::strcmp(verb, "wait-window") == 0 || std::strcmp(verb, "wait-gone") == 0) {
      if (!need(3) || !ParseInt(argv[i + 2], &c)) return Usage("expected CLASS TITLE MS", verb);
      const bool present = std::strcmp(verb, "wait-window") == 0;
      const bool ok = WaitWindow(argv[i], argv[i + 1], c, present);
      i += 3;
      if (!ok) {
        std::fprintf(stderr, "win_keys: %s timed out\n", verb);
        return kExitTimeout;
      }
    } else if (std::strcmp(verb, "activate") == 0 || std::strcmp(verb, "close") == 0) {
      if (!need(2)) return Usage("expected CLASS TITLE", verb);
      HWND w = FindWindowA(AnyOr(argv[i]), AnyOr(argv[i + 1]));
      i += 2;
      if (w == nullptr) return kExitNoWindow;
      if (verb[0] == 'a') {
        SetForegroundWindow(w);
      } else {
        PostMessageA(w, WM_CLOSE, 0, 0);
      }
    } else {
      return Usage("unknown verb", verb);
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage("no verbs given", nullptr);
  return Run(argc, argv);
}
