// Checks the win32 backend of the port against the real system (run under Wine
// by tests/e2e/test_platform.sh): the things the backend adds on top of plain
// forwarding (procedure trampolines, control ids, handle and record
// conversions, the nullptr file handle) and the Win32 behaviour the headless
// desktop models. Prints one line per check; exit code = number of failures.
#include <cstdio>
#include <cstring>

#include "platform/os.h"

namespace {

int g_failures = 0;

void Check(bool ok, const char* what) {
  std::printf("%s %s\n", ok ? "ok" : "FAIL", what);
  std::fflush(stdout);
  if (!ok) ++g_failures;
}

// What the two window procedures saw; each class must get its own procedure.
struct Seen {
  int creates = 0;
  int userMessages = 0;
  int timers = 0;
  os::Window lastWindow = nullptr;
};
Seen g_seenA;
Seen g_seenB;

os::LRESULT Record(Seen& seen, os::Window w, os::UINT msg, os::WPARAM wParam,
                   os::LPARAM lParam, os::LRESULT answer) {
  seen.lastWindow = w;
  if (msg == os::WM_CREATE) ++seen.creates;
  if (msg == os::WM_TIMER) ++seen.timers;
  if (msg == os::WM_USER + 1) {
    ++seen.userMessages;
    return answer + static_cast<os::LRESULT>(wParam) + lParam;
  }
  return os::DefWindowProc(w, msg, wParam, lParam);
}

os::LRESULT ProcA(os::Window w, os::UINT msg, os::WPARAM wParam, os::LPARAM lParam) {
  return Record(g_seenA, w, msg, wParam, lParam, 1000);
}

os::LRESULT ProcB(os::Window w, os::UINT msg, os::WPARAM wParam, os::LPARAM lParam) {
  return Record(g_seenB, w, msg, wParam, lParam, 2000);
}

os::WndClass MakeClass(const char* name, os::WndProc proc) {
  os::WndClass wc{};
  wc.lpfnWndProc = proc;
  wc.hCursor = os::IDC_ARROW;
  wc.hbrBackground = os::GetStockObject(os::WHITE_BRUSH);
  wc.lpszClassName = name;
  return wc;
}

os::Window MakeWindow(const char* cls, const char* title) {
  return os::CreateWindowEx(0, cls, title, os::WS_POPUP | os::WS_VISIBLE, 10, 20, 300, 200,
                            nullptr, nullptr, nullptr);
}

void CheckWindows() {
  Check(os::RegisterClass(MakeClass("CheckA", ProcA)) != 0, "RegisterClass A");
  Check(os::RegisterClass(MakeClass("CheckB", ProcB)) != 0, "RegisterClass B");
  Check(os::RegisterClass(MakeClass("CheckA", ProcB)) == 0, "RegisterClass twice fails");

  // "日本語の窓" as code page 932 bytes.
  const char* title = "\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x91\x8b";
  os::Window a = MakeWindow("CheckA", title);
  os::Window b = MakeWindow("CheckB", "B");
  Check(a != nullptr && b != nullptr, "CreateWindowEx");
  Check(g_seenA.creates == 1 && g_seenB.creates == 1, "WM_CREATE reaches each class's procedure");
  Check(os::SendMessage(a, os::WM_USER + 1, 3, 4) == 1007, "SendMessage answer from procedure A");
  Check(os::SendMessage(b, os::WM_USER + 1, 3, 4) == 2007, "SendMessage answer from procedure B");
  Check(g_seenA.lastWindow == a, "procedure gets its own window handle");

  char buffer[64] = {};
  Check(os::GetWindowText(a, buffer, sizeof buffer) == 10 && std::strcmp(buffer, title) == 0,
        "GetWindowText keeps CP932 bytes");
  Check(os::GetClassName(a, buffer, sizeof buffer) == 6 && std::strcmp(buffer, "CheckA") == 0,
        "GetClassName");
  Check(os::FindWindow("CheckA", title) == a, "FindWindow by class and CP932 title");
  Check(os::FindWindow("CheckA", "other") == nullptr, "FindWindow misses other title");

  os::SetWindowUserData(a, 0x12345678);
  Check(os::GetWindowUserData(a) == 0x12345678, "window user data");

  os::Rect r{};
  Check(os::GetWindowRect(a, &r) && r.left == 10 && r.top == 20 && r.right == 310 &&
            r.bottom == 220,
        "GetWindowRect");
  os::Point p{15, 25};
  Check(os::ScreenToClient(a, &p) && p.x == 5 && p.y == 5, "ScreenToClient");

  // A child control takes its id from the creation parameter.
  os::Window button = os::CreateWindowEx(
      0, os::BUTTON_CLASS, "OK", os::WS_CHILD | os::WS_VISIBLE | os::BS_PUSHBUTTON, 5, 5, 60,
      24, a, nullptr, reinterpret_cast<void*>(static_cast<uintptr_t>(42)));
  Check(button != nullptr && os::GetDlgItem(a, 42) == button, "child control id from param");
  Check(os::GetParent(button) == a, "GetParent of child");
  Check(os::ChildWindowFromPoint(a, os::Point{10, 10}) == button, "ChildWindowFromPoint");

  // Posted messages come back through PeekMessage and DispatchMessage.
  os::Msg msg{};
  while (os::PeekMessage(&msg, nullptr, 0, 0, os::PM_REMOVE)) os::DispatchMessage(&msg);
  const int before = g_seenB.userMessages;
  Check(os::PostMessage(b, os::WM_USER + 1, 7, 8) != 0, "PostMessage");
  bool got = false;
  while (os::PeekMessage(&msg, nullptr, 0, 0, os::PM_REMOVE)) {
    if (msg.message == os::WM_USER + 1 && msg.hwnd == b && msg.wParam == 7 && msg.lParam == 8)
      got = true;
    os::DispatchMessage(&msg);
  }
  Check(got && g_seenB.userMessages == before + 1, "posted message peeked and dispatched");

  Check(os::SetTimer(a, 1, 50) == 1, "SetTimer");
  const os::DWORD start = os::GetTickCount();
  while (g_seenA.timers < 2 && os::GetTickCount() - start < 2000) {
    while (os::PeekMessage(&msg, nullptr, 0, 0, os::PM_REMOVE)) os::DispatchMessage(&msg);
    os::Sleep(1);
  }
  Check(g_seenA.timers >= 2, "WM_TIMER arrives through the procedure");
  Check(os::KillTimer(a, 1) != 0, "KillTimer");

  Check(os::DestroyWindow(b) != 0 && !os::IsWindow(b), "DestroyWindow");
  // A class registered again after UnregisterClass gets its new procedure.
  Check(os::UnregisterClass("CheckB", nullptr) != 0, "UnregisterClass");
  Check(os::RegisterClass(MakeClass("CheckB", ProcA)) != 0, "RegisterClass after unregister");
  os::Window b2 = MakeWindow("CheckB", "B2");
  Check(os::SendMessage(b2, os::WM_USER + 1, 0, 0) == 1000, "re-registered class uses new proc");
  os::DestroyWindow(b2);
  os::DestroyWindow(a);
}

// What the dialog procedure saw before and during WM_INITDIALOG.
struct DialogSeen {
  int messages = 0;
  int initDialogs = 0;
  os::LPARAM initParam = -1;
  os::Window window = nullptr;
};
DialogSeen g_dialog;

intptr_t CheckDialogProc(os::Window w, os::UINT msg, os::WPARAM, os::LPARAM lParam) {
  ++g_dialog.messages;
  if (msg == os::WM_INITDIALOG) {
    ++g_dialog.initDialogs;
    g_dialog.initParam = lParam;
    g_dialog.window = w;
    return os::TRUE;
  }
  return os::FALSE;
}

void CheckDialogs() {
  constexpr int kDialog = 200;  // tools/win_platform_check.rc
  constexpr int kEdit = 1001;
  os::Window d = os::CreateDialog(nullptr, kDialog, nullptr, CheckDialogProc);
  Check(d != nullptr, "CreateDialog from the resource");
  if (d == nullptr) return;
  Check(g_dialog.initDialogs == 1 && g_dialog.window == d && g_dialog.initParam == 0,
        "WM_INITDIALOG reaches the procedure with its window");
  // "登録" as code page 932 bytes.
  const char* text = "\x93\x6f\x98\x5e";
  Check(os::SetDlgItemText(d, kEdit, text) != 0, "SetDlgItemText");
  char buffer[32] = {};
  Check(os::GetDlgItemText(d, kEdit, buffer, sizeof buffer) == 4 &&
            std::strcmp(buffer, text) == 0,
        "GetDlgItemText keeps CP932 bytes");
  Check(os::GetDlgItem(d, kEdit) != nullptr, "GetDlgItem");
  const int before = g_dialog.messages;
  os::SendMessage(d, os::WM_USER + 5, 0, 0);
  Check(g_dialog.messages == before + 1, "messages after creation reach the procedure");
  os::PostMessage(os::GetDlgItem(d, kEdit), os::WM_KEYDOWN, os::VK_TAB, 0);
  os::Msg msg{};
  bool taken = false;
  while (os::PeekMessage(&msg, nullptr, 0, 0, os::PM_REMOVE)) {
    if (msg.message == os::WM_KEYDOWN && msg.wParam == os::VK_TAB) {
      taken = os::IsDialogMessage(d, &msg) != 0;
    } else {
      os::DispatchMessage(&msg);
    }
  }
  Check(taken, "IsDialogMessage takes the dialog's Tab key");
  Check(os::EndDialogWindow(d) != 0 && !os::IsWindow(d), "EndDialogWindow destroys it");
}

void CheckFiles() {
  Check(os::CreateFile("Z:\\no\\such\\dir\\file.txt", os::GENERIC_READ, os::FILE_SHARE_READ,
                       os::OPEN_EXISTING, os::FILE_ATTRIBUTE_NORMAL) == nullptr,
        "CreateFile failure is nullptr");
  Check(os::GetFileAttributes("no-such-file.txt") == os::INVALID_FILE_ATTRIBUTES,
        "GetFileAttributes of a missing file");

  const char* path = "platform_check.bin";
  os::DeleteFile(path);
  os::FileHandle f = os::CreateFile(path, os::GENERIC_READ | os::GENERIC_WRITE,
                                    os::FILE_SHARE_READ, os::CREATE_ALWAYS,
                                    os::FILE_ATTRIBUTE_NORMAL);
  Check(f != nullptr, "CreateFile new");
  if (f == nullptr) return;
  os::DWORD written = 0;
  Check(os::WriteFile(f, "abc", 3, &written) && written == 3, "WriteFile");
  // A writable mapping of a larger size grows the file.
  os::Mapping m = os::CreateFileMapping(f, os::PAGE_READWRITE, 4096);
  Check(m != nullptr, "CreateFileMapping grows");
  auto* view = static_cast<char*>(os::MapViewOfFile(m, os::FILE_MAP_WRITE, 4096));
  Check(view != nullptr && std::memcmp(view, "abc", 3) == 0 && view[4095] == 0,
        "MapViewOfFile sees the file and zeros");
  if (view != nullptr) view[4095] = 'z';
  Check(os::UnmapViewOfFile(view) != 0, "UnmapViewOfFile");
  Check(os::CloseMapping(m) != 0, "CloseMapping");
  Check(os::GetFileSize(f) == 4096, "file grown to the mapping size");
  Check(os::SetFilePointer(f, 10, os::FILE_BEGIN) == 10 && os::SetEndOfFile(f) != 0 &&
            os::GetFileSize(f) == 10,
        "SetEndOfFile truncates");
  os::CloseHandle(f);
  Check(os::DeleteFile(path) != 0, "DeleteFile");

  auto* block = static_cast<unsigned char*>(os::GlobalAllocZero(1000));
  bool zero = block != nullptr;
  for (int k = 0; zero && k < 1000; ++k) zero = block[k] == 0;
  Check(zero, "GlobalAllocZero is zero-filled");
  os::GlobalFree(block);
}

void CheckSystem() {
  os::SystemTime t{};
  os::GetLocalTime(&t);
  Check(t.wYear >= 2000 && t.wMonth >= 1 && t.wMonth <= 12 && t.wDay >= 1 && t.wDay <= 31,
        "GetLocalTime");
  Check(os::GetSystemMetrics(os::SM_CXSCREEN) == 1024 &&
            os::GetSystemMetrics(os::SM_CYSCREEN) == 768,
        "GetSystemMetrics screen size");
  Check(os::SetCursorPos(123, 45) != 0, "SetCursorPos");
  os::Point p{};
  Check(os::GetCursorPos(&p) && p.x == 123 && p.y == 45, "GetCursorPos");
  // Injected keys show in the asynchronous state at once: the switch is polled so.
  os::keybd_event(static_cast<os::BYTE>(os::VK_F13), 0, 0, 0);
  const short down = os::GetAsyncKeyState(os::VK_F13);
  os::keybd_event(static_cast<os::BYTE>(os::VK_F13), 0, os::KEYEVENTF_KEYUP, 0);
  const short up = os::GetAsyncKeyState(os::VK_F13);
  std::printf("info GetAsyncKeyState(F13) down 0x%04x up 0x%04x\n", down & 0xFFFF, up & 0xFFFF);
  Check((down & 0x8000) != 0 && (up & 0x8000) == 0, "keybd_event reaches GetAsyncKeyState");
  os::BYTE keys[256] = {};
  Check(os::GetKeyboardState(keys) != 0, "GetKeyboardState");
  char description[256] = {};
  os::ImmGetDescription(os::GetKeyboardLayout(0), description, sizeof description);
  std::printf("info ImmGetDescription \"%s\"\n", description);
}

}  // namespace

int main() {
  CheckWindows();
  CheckDialogs();
  CheckFiles();
  CheckSystem();
  std::printf("%d failures\n", g_failures);
  return g_failures;
}
