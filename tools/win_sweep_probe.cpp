// Drives and observes mivoSweep in end-to-end runs under Wine.
//
//   win_sweep_probe.exe OUTFILE command...
//
// Commands run in order:
//   wait MS          wait up to MS for the sweep window to exist (prints "window 1" or "window 0")
//   move X Y         SetCursorPos
//   press VK         key down and up through keybd_event (VK in decimal), held 30 ms
//   tap VK           key down and up at once, so that two taps fit well inside one tick
//   sleep MS
//   cursor           prints "cursor X Y"
//   labels           prints "label TEXT" for each text child of the sweep window
//   count            prints "count N", the number of sweep windows
//   foreground       prints "foreground 1" when the sweep window is the foreground window
//   gone MS          wait up to MS for the sweep window to disappear (prints "gone 1" or "gone 0")
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char kClass[] = "MivoSweepForm";
const char kTitle[] = "MivoSweep";

HWND SweepWindow() { return FindWindowA(kClass, kTitle); }

BOOL CALLBACK CountOne(HWND w, LPARAM counter) {
  char name[64] = {};
  GetClassNameA(w, name, sizeof name);
  if (std::strcmp(name, kClass) == 0) ++*reinterpret_cast<int*>(counter);
  return TRUE;
}

BOOL CALLBACK PrintLabel(HWND w, LPARAM out) {
  char name[64] = {};
  GetClassNameA(w, name, sizeof name);
  if (lstrcmpiA(name, "Static") == 0) {
    char text[128] = {};
    GetWindowTextA(w, text, sizeof text);
    std::fprintf(reinterpret_cast<FILE*>(out), "label %s\n", text);
  }
  return TRUE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (__argc < 2) return 2;
  FILE* out = std::fopen(__argv[1], "wb");  // "\n" only, for the shell that reads it
  if (out == nullptr) return 2;
  for (int i = 2; i < __argc; ++i) {
    const char* cmd = __argv[i];
    auto next = [&]() -> int { return i + 1 < __argc ? std::atoi(__argv[++i]) : 0; };
    if (std::strcmp(cmd, "wait") == 0) {
      const int ms = next();
      int waited = 0;
      while (SweepWindow() == nullptr && waited < ms) {
        Sleep(50);
        waited += 50;
      }
      std::fprintf(out, "window %d\n", SweepWindow() != nullptr ? 1 : 0);
    } else if (std::strcmp(cmd, "gone") == 0) {
      const int ms = next();
      int waited = 0;
      while (SweepWindow() != nullptr && waited < ms) {
        Sleep(50);
        waited += 50;
      }
      std::fprintf(out, "gone %d\n", SweepWindow() == nullptr ? 1 : 0);
    } else if (std::strcmp(cmd, "move") == 0) {
      const int x = next();
      const int y = next();
      SetCursorPos(x, y);
    } else if (std::strcmp(cmd, "press") == 0) {
      const BYTE vk = static_cast<BYTE>(next());
      keybd_event(vk, static_cast<BYTE>(MapVirtualKeyA(vk, 0)), 0, 0);
      Sleep(30);
      keybd_event(vk, static_cast<BYTE>(MapVirtualKeyA(vk, 0)), KEYEVENTF_KEYUP, 0);
    } else if (std::strcmp(cmd, "tap") == 0) {
      const BYTE vk = static_cast<BYTE>(next());
      keybd_event(vk, static_cast<BYTE>(MapVirtualKeyA(vk, 0)), 0, 0);
      keybd_event(vk, static_cast<BYTE>(MapVirtualKeyA(vk, 0)), KEYEVENTF_KEYUP, 0);
    } else if (std::strcmp(cmd, "sleep") == 0) {
      Sleep(static_cast<DWORD>(next()));
    } else if (std::strcmp(cmd, "cursor") == 0) {
      POINT p{};
      GetCursorPos(&p);
      std::fprintf(out, "cursor %ld %ld\n", static_cast<long>(p.x), static_cast<long>(p.y));
    } else if (std::strcmp(cmd, "labels") == 0) {
      if (HWND w = SweepWindow()) EnumChildWindows(w, PrintLabel, reinterpret_cast<LPARAM>(out));
    } else if (std::strcmp(cmd, "count") == 0) {
      int n = 0;
      EnumWindows(CountOne, reinterpret_cast<LPARAM>(&n));
      std::fprintf(out, "count %d\n", n);
    } else if (std::strcmp(cmd, "foreground") == 0) {
      const HWND w = SweepWindow();
      std::fprintf(out, "foreground %d\n", w != nullptr && GetForegroundWindow() == w ? 1 : 0);
    } else {
      std::fprintf(out, "unknown %s\n", cmd);
    }
    std::fflush(out);
  }
  std::fclose(out);
  return 0;
}
