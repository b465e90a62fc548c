// Windows, classes, messages and modeless dialogs of the win32 backend.
#include "platform/os.h"
#include "platform/win32/convert.h"
#include "platform/win32/win.h"
#include "platform/win32/wine.h"

namespace os {
namespace {

using win32::FromMsg;
using win32::FromPoint;
using win32::FromRect;
using win32::H;
using win32::ToMsg;
using win32::ToPoint;
using win32::ToRect;
using win32::UnderWine;
using win32::W;

// The port's procedures differ from WNDPROC/DLGPROC in calling convention (x86),
// so they are never cast to them: every class gets this one trampoline, which
// looks the port's procedure up by the class atom of the window.
struct ClassProc {
  ATOM atom;
  WndProc proc;
};
constexpr int kMaxClasses = 64;
ClassProc g_classes[kMaxClasses];

WndProc FindClassProc(ATOM atom) {
  for (const ClassProc& c : g_classes) {
    if (c.atom == atom && atom != 0) return c.proc;
  }
  return nullptr;
}

ClassProc* FreeClassSlot() {
  for (ClassProc& c : g_classes) {
    if (c.atom == 0) return &c;
  }
  return nullptr;
}

LRESULT CALLBACK WindowTrampoline(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const ATOM atom = static_cast<ATOM>(::GetClassWord(hwnd, GCW_ATOM));
  if (WndProc proc = FindClassProc(atom)) return proc(W(hwnd), msg, wParam, lParam);
  return ::DefWindowProcA(hwnd, msg, wParam, lParam);
}

// A dialog's procedure is handed over while CreateDialogParamA runs (its first
// messages come before it returns) and kept in the dialog's DWLP_USER slot.
DlgProc g_pendingDialogProc = nullptr;

INT_PTR CALLBACK DialogTrampoline(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  DlgProc proc = nullptr;
  const LONG_PTR stored = ::GetWindowLongPtrA(hwnd, DWLP_USER);
  if (stored != 0) {
    proc = reinterpret_cast<DlgProc>(stored);
  } else if (g_pendingDialogProc != nullptr) {
    proc = g_pendingDialogProc;
    ::SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(proc));
  }
  if (proc == nullptr) return 0;
  // The port's dialogs carry no creation parameter.
  if (msg == WM_INITDIALOG) lParam = 0;
  return proc(W(hwnd), msg, wParam, lParam);
}

// The character of a WM_IME_CHAR value (lead byte × 256 + trail byte, or one byte) in
// the code page, or 0 when the bytes are none.
WCHAR ImeCharToWide(WPARAM value) {
  const char bytes[2] = {static_cast<char>((value >> 8) & 0xFF), static_cast<char>(value & 0xFF)};
  const bool dbcs = (value & 0xFF00) != 0;
  WCHAR wide = 0;
  const int made = ::MultiByteToWideChar(CP_ACP, 8 /* MB_ERR_INVALID_CHARS */,
                                         dbcs ? bytes : bytes + 1, dbcs ? 2 : 1, &wide, 1);
  return made == 1 ? wide : 0;
}

bool IsOwnEdit(HWND w) {
  ::DWORD process = 0;
  ::GetWindowThreadProcessId(w, &process);
  char className[8] = {};
  return process == ::GetCurrentProcessId() &&
         ::GetClassNameA(w, className, sizeof className) == 4 &&
         ::lstrcmpiA(className, "Edit") == 0;
}

}  // namespace

// ---------------------------------------------------------------- classes and windows

BOOL RegisterClass(const WndClass& wc) {
  ClassProc* slot = FreeClassSlot();
  if (slot == nullptr || wc.lpfnWndProc == nullptr) return FALSE;
  WNDCLASSA real{};
  real.style = wc.style;
  real.lpfnWndProc = WindowTrampoline;
  real.cbClsExtra = wc.cbClsExtra;
  real.cbWndExtra = wc.cbWndExtra;
  real.hInstance = H(wc.hInstance);
  real.hCursor = wc.hCursor != nullptr ? ::LoadCursorA(nullptr, wc.hCursor) : nullptr;
  real.hbrBackground = reinterpret_cast<HBRUSH>(H(wc.hbrBackground));
  real.lpszMenuName = wc.lpszMenuName;
  real.lpszClassName = wc.lpszClassName;
  const ATOM atom = ::RegisterClassA(&real);
  if (atom == 0) return FALSE;
  // The system reuses the atom of an unregistered class: the newest procedure wins.
  for (ClassProc& c : g_classes) {
    if (c.atom == atom) slot = &c;
  }
  slot->atom = atom;
  slot->proc = wc.lpfnWndProc;
  return atom;
}

BOOL UnregisterClass(const char* className, Instance instance) {
  // A class registered without an instance belongs to the program's module.
  HINSTANCE module = instance != nullptr ? H(instance) : ::GetModuleHandleA(nullptr);
  WNDCLASSEXA info{};
  info.cbSize = sizeof info;
  const ATOM atom = static_cast<ATOM>(::GetClassInfoExA(module, className, &info));
  const BOOL ok = ::UnregisterClassA(className, H(instance));
  if (ok && atom != 0) {
    for (ClassProc& c : g_classes) {
      if (c.atom == atom) c = ClassProc{};
    }
  }
  return ok;
}

Window CreateWindowEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                      int y, int width, int height, Window parent, Instance instance, void* param) {
  // A child window takes its control id from param (Win32's HMENU argument).
  HMENU id = (style & WS_CHILD) != 0 ? reinterpret_cast<HMENU>(param) : nullptr;
  return W(::CreateWindowExA(exStyle, className, title, style, x, y, width, height, H(parent), id,
                             H(instance), param));
}

BOOL DestroyWindow(Window w) { return ::DestroyWindow(H(w)); }
BOOL ShowWindow(Window w, int cmd) { return ::ShowWindow(H(w), cmd); }
BOOL UpdateWindow(Window w) { return ::UpdateWindow(H(w)); }

BOOL InvalidateRect(Window w, const Rect* r, BOOL erase) {
  if (r == nullptr) return ::InvalidateRect(H(w), nullptr, erase);
  const RECT real = ToRect(*r);
  return ::InvalidateRect(H(w), &real, erase);
}

BOOL MoveWindow(Window w, int x, int y, int width, int height, BOOL repaint) {
  return ::MoveWindow(H(w), x, y, width, height, repaint);
}

BOOL SetWindowPos(Window w, Window insertAfter, int x, int y, int cx, int cy, UINT flags) {
  return ::SetWindowPos(H(w), H(insertAfter), x, y, cx, cy, flags);
}

BOOL GetClientRect(Window w, Rect* r) {
  RECT real{};
  const BOOL ok = ::GetClientRect(H(w), &real);
  if (ok) *r = FromRect(real);
  return ok;
}

BOOL GetWindowRect(Window w, Rect* r) {
  RECT real{};
  const BOOL ok = ::GetWindowRect(H(w), &real);
  if (ok) *r = FromRect(real);
  return ok;
}

BOOL ScreenToClient(Window w, Point* p) {
  POINT real = ToPoint(*p);
  const BOOL ok = ::ScreenToClient(H(w), &real);
  if (ok) *p = FromPoint(real);
  return ok;
}

BOOL ClientToScreen(Window w, Point* p) {
  POINT real = ToPoint(*p);
  const BOOL ok = ::ClientToScreen(H(w), &real);
  if (ok) *p = FromPoint(real);
  return ok;
}

Window ChildWindowFromPoint(Window parent, Point clientPoint) {
  return W(::ChildWindowFromPoint(H(parent), ToPoint(clientPoint)));
}

Window WindowFromPoint(Point screenPoint) { return W(::WindowFromPoint(ToPoint(screenPoint))); }

Window FindWindow(const char* className, const char* title) {
  return W(::FindWindowA(className, title));
}

Window FindWindowEx(Window parent, Window childAfter, const char* className, const char* title) {
  return W(::FindWindowExA(H(parent), H(childAfter), className, title));
}

Window GetTopWindow(Window w) { return W(::GetTopWindow(H(w))); }
Window GetWindow(Window w, UINT cmd) { return W(::GetWindow(H(w), cmd)); }
Window GetParent(Window w) { return W(::GetParent(H(w))); }
Window GetDesktopWindow() { return W(::GetDesktopWindow()); }
BOOL IsWindow(Window w) { return ::IsWindow(H(w)); }
BOOL IsWindowVisible(Window w) { return ::IsWindowVisible(H(w)); }

int GetClassName(Window w, char* buffer, int size) { return ::GetClassNameA(H(w), buffer, size); }

int GetWindowText(Window w, char* buffer, int size) { return ::GetWindowTextA(H(w), buffer, size); }

BOOL SetWindowText(Window w, const char* text) { return ::SetWindowTextA(H(w), text); }

DWORD GetWindowThreadProcessId(Window w, DWORD* processId) {
  ::DWORD pid = 0;
  const DWORD thread = ::GetWindowThreadProcessId(H(w), &pid);
  if (processId != nullptr) *processId = pid;
  return thread;
}

DWORD GetCurrentThreadId() { return ::GetCurrentThreadId(); }
Window SetActiveWindow(Window w) { return W(::SetActiveWindow(H(w))); }
Window GetForegroundWindow() { return W(::GetForegroundWindow()); }
BOOL SetForegroundWindow(Window w) { return ::SetForegroundWindow(H(w)); }
BOOL BringWindowToTop(Window w) { return ::BringWindowToTop(H(w)); }
int GetSystemMetrics(int index) { return ::GetSystemMetrics(index); }

LPARAM GetWindowUserData(Window w) { return ::GetWindowLongPtrA(H(w), GWLP_USERDATA); }

void SetWindowUserData(Window w, LPARAM value) { ::SetWindowLongPtrA(H(w), GWLP_USERDATA, value); }

// ---------------------------------------------------------------- messages

LRESULT SendMessage(Window w, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_IME_CHAR) {
    const HWND target = H(w);
    const WCHAR wide = ImeCharToWide(wParam);
    // Wine's edit control leaves WM_IME_CHAR to DefWindowProc, which posts the lead and
    // the trail byte as two WM_CHAR that are each converted alone: the word dialog's
    // fields would get two wrong characters. WM_CHAR sent wide inserts the character
    // whole, and the dialog's fields are this program's own.
    if (wide != 0 && UnderWine() && IsOwnEdit(target)) {
      return ::SendMessageW(target, WM_CHAR, wide, lParam);
    }
    // Wine turns a double-byte WM_IME_CHAR of SendMessageA into "?" (it swaps lead and
    // trail byte) and a half-width katakana byte into a double-byte character; sent wide,
    // the character reaches an ANSI window as the same value, on Windows and on Wine
    // alike.
    const bool kana = wParam >= 0xA1 && wParam <= 0xDF;
    if (wide != 0 && ((wParam & 0xFF00) != 0 || kana)) {
      return ::SendMessageW(target, msg, wide, lParam);
    }
  }
  return ::SendMessageA(H(w), msg, wParam, lParam);
}

BOOL PostMessage(Window w, UINT msg, WPARAM wParam, LPARAM lParam) {
  return ::PostMessageA(H(w), msg, wParam, lParam);
}

BOOL PeekMessage(Msg* msg, Window w, UINT filterMin, UINT filterMax, UINT remove) {
  MSG real{};
  const BOOL got = ::PeekMessageA(&real, H(w), filterMin, filterMax, remove);
  if (got) *msg = FromMsg(real);
  return got;
}

BOOL TranslateMessage(const Msg* msg) {
  const MSG real = ToMsg(*msg);
  return ::TranslateMessage(&real);
}

LRESULT DispatchMessage(const Msg* msg) {
  const MSG real = ToMsg(*msg);
  return ::DispatchMessageA(&real);
}

LRESULT DefWindowProc(Window w, UINT msg, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcA(H(w), msg, wParam, lParam);
}

void PostQuitMessage(int exitCode) { ::PostQuitMessage(exitCode); }

UINT_PTR SetTimer(Window w, UINT_PTR id, UINT elapseMs) {
  return ::SetTimer(H(w), id, elapseMs, nullptr);
}

BOOL KillTimer(Window w, UINT_PTR id) { return ::KillTimer(H(w), id); }

int MessageBox(Window owner, const char* text, const char* caption, UINT type) {
  return ::MessageBoxA(H(owner), text, caption, type);
}

BOOL MessageBeep(UINT type) { return ::MessageBeep(type); }

// ---------------------------------------------------------------- modeless dialogs

Window CreateDialog(Instance instance, int resourceId, Window parent, DlgProc proc) {
  g_pendingDialogProc = proc;
  HWND dialog = ::CreateDialogParamA(H(instance), MAKEINTRESOURCEA(resourceId), H(parent),
                                     DialogTrampoline, 0);
  g_pendingDialogProc = nullptr;
  return W(dialog);
}

BOOL IsDialogMessage(Window dialog, Msg* msg) {
  MSG real = ToMsg(*msg);
  const BOOL taken = ::IsDialogMessageA(H(dialog), &real);
  *msg = FromMsg(real);
  return taken;
}

BOOL EndDialogWindow(Window dialog) { return ::DestroyWindow(H(dialog)); }

UINT GetDlgItemText(Window dialog, int itemId, char* buffer, int size) {
  return ::GetDlgItemTextA(H(dialog), itemId, buffer, size);
}

BOOL SetDlgItemText(Window dialog, int itemId, const char* text) {
  return ::SetDlgItemTextA(H(dialog), itemId, text);
}

Window GetDlgItem(Window dialog, int itemId) { return W(::GetDlgItem(H(dialog), itemId)); }

}  // namespace os
