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
//   click-item CLASS TITLE ID  click the middle of the window's child control ID (a
//                              dialog's button), as the user's hand on the mouse would
//   close CLASS TITLE          post WM_CLOSE to the window
//   move-key NAME              put the pointer on the centre of the visible key of the
//                              keyboard (class MivoKeybdKey2) whose text is NAME; of
//                              several, the lowest on the screen (a key of the keyboard
//                              itself, not a candidate of the top band)
//   move-top-key NAME          the same, the highest of several (a candidate key)
//   foreground                 print the class name of the foreground window
//   key-count                  print how many shown key windows the MivoMain window holds
//   click-settle MS            click the left button where the pointer is and print the
//                              milliseconds from the release until the number of key
//                              windows last changed (settled: unchanged for 300 ms; waits
//                              at most MS)
//   latency VK FILE TEXT MS    press VK (50 ms), then print the milliseconds from its
//                              release until a line beginning with TEXT is added to
//                              FILE (waits at most MS)
//   start-keys PROGRAM CLASS N MS
//                              start PROGRAM (in this folder) and print the milliseconds
//                              until a window of CLASS is there and then until it holds
//                              N key windows (class MivoKeybdKey2), polling every
//                              millisecond
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

struct KeySearch {
  const char* name;
  HWND found;
  bool top;  // of several keys with the name: the highest, else the lowest
  LONG foundTop;
};

BOOL CALLBACK FindKey(HWND w, LPARAM param) {
  auto* search = reinterpret_cast<KeySearch*>(param);
  char cls[64] = {};
  char text[256] = {};
  GetClassNameA(w, cls, sizeof cls);
  GetWindowTextA(w, text, sizeof text);
  if (std::strcmp(cls, "MivoKeybdKey2") == 0 && std::strcmp(text, search->name) == 0 &&
      IsWindowVisible(w)) {
    RECT r{};
    GetWindowRect(w, &r);
    if (search->found == nullptr ||
        (search->top ? r.top < search->foundTop : r.top > search->foundTop)) {
      search->found = w;
      search->foundTop = r.top;
    }
  }
  return TRUE;
}

struct KeyCount {
  bool shownOnly;
  long count;
};

BOOL CALLBACK CountKey(HWND w, LPARAM param) {
  auto* c = reinterpret_cast<KeyCount*>(param);
  char cls[64] = {};
  GetClassNameA(w, cls, sizeof cls);
  if (std::strcmp(cls, "MivoKeybdKey2") == 0 && (!c->shownOnly || IsWindowVisible(w))) ++c->count;
  return TRUE;
}

// Hidden key windows are kept for pages shown again, so a page switch is seen in the
// shown ones only; the start makes shown ones alone, and asking each window whether it
// is shown costs the wineserver enough, polled every millisecond, to slow the start.
long KeyWindowCount(HWND main, bool shownOnly) {
  KeyCount c{shownOnly, 0};
  if (main != nullptr) EnumChildWindows(main, CountKey, reinterpret_cast<LPARAM>(&c));
  return c.count;
}

long KeyWindowCount(bool shownOnly) {
  return KeyWindowCount(FindWindowA("MivoMain", "Mivo::Keyboard"), shownOnly);
}

LONGLONG FileSize(const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return -1;
  return (static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Whether the part of FILE after `offset` holds a line that begins with `text`.
bool LineAddedSince(const char* path, LONGLONG offset, const char* text) {
  HANDLE f = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER at{};
  at.QuadPart = offset < 0 ? 0 : offset;
  SetFilePointerEx(f, at, nullptr, FILE_BEGIN);
  static char buffer[65536];
  DWORD got = 0;
  ReadFile(f, buffer, sizeof buffer - 1, &got, nullptr);
  CloseHandle(f);
  buffer[got] = '\0';
  const size_t n = std::strlen(text);
  for (const char* line = buffer; line != nullptr && *line != '\0';) {
    if (std::strncmp(line, text, n) == 0) return true;
    line = std::strchr(line, '\n');
    if (line != nullptr) ++line;
  }
  return false;
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
    } else if (std::strcmp(verb, "click-item") == 0) {
      if (!need(3) || !ParseInt(argv[i + 2], &c)) return Usage("expected CLASS TITLE ID", verb);
      HWND w = FindWindowA(AnyOr(argv[i]), AnyOr(argv[i + 1]));
      i += 3;
      HWND item = w != nullptr ? GetDlgItem(w, static_cast<int>(c)) : nullptr;
      if (item == nullptr) return kExitNoWindow;
      RECT r{};
      GetWindowRect(item, &r);
      Click((r.left + r.right) / 2, (r.top + r.bottom) / 2, MOUSEEVENTF_LEFTDOWN,
            MOUSEEVENTF_LEFTUP);
    } else if (std::strcmp(verb, "move-key") == 0 || std::strcmp(verb, "move-top-key") == 0) {
      if (!need(1)) return Usage("expected a key text", verb);
      KeySearch search{argv[i++], nullptr, verb[5] == 't', 0};
      HWND main = FindWindowA("MivoMain", nullptr);
      if (main != nullptr) EnumChildWindows(main, FindKey, reinterpret_cast<LPARAM>(&search));
      if (search.found == nullptr) {
        std::fprintf(stderr, "win_keys: no key %s\n", search.name);
        return kExitNoWindow;
      }
      RECT r{};
      GetWindowRect(search.found, &r);
      // Moved as a pointing device moves it (an input event, not a warp), so that the
      // keyboard sees the new position in its next message and in GetCursorPos alike.
      const int x = (r.left + r.right) / 2;
      const int y = (r.top + r.bottom) / 2;
      const int cx = GetSystemMetrics(SM_CXSCREEN);
      const int cy = GetSystemMetrics(SM_CYSCREEN);
      mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE,
                  static_cast<DWORD>((x * 65536 + cx / 2) / cx),
                  static_cast<DWORD>((y * 65536 + cy / 2) / cy), 0, 0);
      Sleep(100);
    } else if (std::strcmp(verb, "foreground") == 0) {
      char cls[256] = "-";
      HWND w = GetForegroundWindow();
      if (w != nullptr) GetClassNameA(w, cls, sizeof cls);
      std::printf("%s\n", cls);
      std::fflush(stdout);
    } else if (std::strcmp(verb, "key-count") == 0) {
      std::printf("%ld\n", KeyWindowCount(true));
      std::fflush(stdout);
    } else if (std::strcmp(verb, "click-settle") == 0) {
      if (!need(1) || !ParseInt(argv[i], &c)) return Usage("expected MS", verb);
      ++i;
      LARGE_INTEGER frequency{}, start{}, now{};
      QueryPerformanceFrequency(&frequency);
      long count = KeyWindowCount(true);
      mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
      Sleep(50);
      mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
      QueryPerformanceCounter(&start);
      double changed = -1.0;
      for (;;) {
        QueryPerformanceCounter(&now);
        const double ms = 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
                          static_cast<double>(frequency.QuadPart);
        const long n = KeyWindowCount(true);
        if (n != count) {
          count = n;
          changed = ms;
        }
        if (changed >= 0 && ms - changed > 300.0) break;
        if (ms > static_cast<double>(c)) {
          std::fprintf(stderr, "win_keys: the key windows did not change or settle in time\n");
          return kExitTimeout;
        }
        Sleep(1);
      }
      std::printf("%.1f\n", changed);
      std::fflush(stdout);
    } else if (std::strcmp(verb, "start-keys") == 0) {
      if (!need(4) || !ParseInt(argv[i + 2], &a) || !ParseInt(argv[i + 3], &c))
        return Usage("expected PROGRAM CLASS N MS", verb);
      char command[1024];
      std::snprintf(command, sizeof command, "%s", argv[i]);
      const char* cls = argv[i + 1];
      i += 4;
      double found = -1;
      LARGE_INTEGER frequency{}, start{}, now{};
      QueryPerformanceFrequency(&frequency);
      QueryPerformanceCounter(&start);
      STARTUPINFOA startup{};
      startup.cb = sizeof startup;
      PROCESS_INFORMATION process{};
      if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process))
        return Usage("cannot start", command);
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
      for (;;) {
        QueryPerformanceCounter(&now);
        const double ms = 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
                          static_cast<double>(frequency.QuadPart);
        HWND w = FindWindowA(cls, nullptr);
        if (w != nullptr && found < 0) found = ms;
        if (w != nullptr && KeyWindowCount(w, false) >= a) {
          std::printf("%.1f %.1f\n", found, ms);
          std::fflush(stdout);
          break;
        }
        if (ms > static_cast<double>(c)) {
          std::fprintf(stderr, "win_keys: %ld key windows not there in time\n", a);
          return kExitTimeout;
        }
        Sleep(1);
      }
    } else if (std::strcmp(verb, "latency") == 0) {
      if (!need(4) || !ParseInt(argv[i], &a) || !ParseInt(argv[i + 3], &c))
        return Usage("expected VK FILE TEXT MS", verb);
      const char* path = argv[i + 1];
      const char* text = argv[i + 2];
      i += 4;
      const LONGLONG before = FileSize(path);
      Key(static_cast<BYTE>(a), false);
      Sleep(50);
      LARGE_INTEGER frequency{}, start{}, now{};
      QueryPerformanceFrequency(&frequency);
      Key(static_cast<BYTE>(a), true);
      QueryPerformanceCounter(&start);
      for (;;) {
        QueryPerformanceCounter(&now);
        const double ms = 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
                          static_cast<double>(frequency.QuadPart);
        if (FileSize(path) != before && LineAddedSince(path, before, text)) {
          std::printf("%.1f\n", ms);
          std::fflush(stdout);
          break;
        }
        if (ms > static_cast<double>(c)) {
          std::fprintf(stderr, "win_keys: no line %s added to %s\n", text, path);
          return kExitTimeout;
        }
        Sleep(0);
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
