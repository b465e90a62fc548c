// The port: the only interface the program uses to reach the operating system.
//
// A Win32-shaped subset with Win32's names, argument orders, message numbers and
// constant values, so that the program reads like the behaviour it implements and
// the win32 backend is plain forwarding. Text is Shift-JIS (code page 932) bytes
// throughout; the "A" functions of Win32 are the ones modelled.
//
// Backends: platform/win32 (the real thing) and platform/headless (an in-process
// desktop for tests). Exactly one is linked into a program.
#pragma once

#include <cstddef>
#include <cstdint>

namespace os {

// ---------------------------------------------------------------- basic types
using BOOL = int;
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using LONG = int32_t;
using UINT = uint32_t;
using UINT_PTR = uintptr_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using Colour = DWORD;  // COLORREF layout: 0x00BBGGRR

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

// Opaque handles. The win32 backend casts them to the real handle types; the
// headless backend defines the structs.
struct OsWindow;
struct OsDc;
struct OsGdiObject;
struct OsInstance;
struct OsImc;
struct OsHkl;
struct OsFile;
struct OsMapping;
using Window = OsWindow*;        // HWND
using Dc = OsDc*;                // HDC
using GdiObject = OsGdiObject*;  // HGDIOBJ
using Font = GdiObject;          // HFONT
using Brush = GdiObject;         // HBRUSH
using Pen = GdiObject;           // HPEN
using Instance = OsInstance*;    // HINSTANCE
using Imc = OsImc*;              // HIMC
using Hkl = OsHkl*;              // HKL
using FileHandle = OsFile*;      // HANDLE of a file; nullptr when not open
using Mapping = OsMapping*;      // HANDLE of a file mapping

struct Rect {
  LONG left, top, right, bottom;
};
struct Point {
  LONG x, y;
};
struct Size {
  LONG cx, cy;
};
struct Msg {
  Window hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  Point pt;
};
struct SystemTime {
  WORD wYear, wMonth, wDayOfWeek, wDay, wHour, wMinute, wSecond, wMilliseconds;
};
struct PaintStruct {
  Dc hdc;
  BOOL fErase;
  Rect rcPaint;
};

using WndProc = LRESULT (*)(Window, UINT, WPARAM, LPARAM);
using DlgProc = intptr_t (*)(Window, UINT, WPARAM, LPARAM);

struct WndClass {
  UINT style;
  WndProc lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  Instance hInstance;
  const char* hCursor;  // a predefined cursor id (IDC_ARROW) or nullptr
  Brush hbrBackground;
  const char* lpszMenuName;
  const char* lpszClassName;
};

// The application-bar record of SHAppBarMessage (APPBARDATA).
struct AppBarData {
  DWORD cbSize;
  Window hWnd;
  UINT uCallbackMessage;
  UINT uEdge;
  Rect rc;
  LPARAM lParam;
};

// IMM candidate list header (CANDIDATELIST); offsets follow in the same block.
struct CandidateListHeader {
  DWORD dwSize;
  DWORD dwStyle;
  DWORD dwCount;
  DWORD dwSelection;
  DWORD dwPageStart;
  DWORD dwPageSize;
  DWORD dwOffset[1];
};

// ---------------------------------------------------------------- messages
constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_MOVE = 0x0003;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_ACTIVATE = 0x0006;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_ERASEBKGND = 0x0014;
constexpr UINT WM_SHOWWINDOW = 0x0018;
constexpr UINT WM_SETFONT = 0x0030;
constexpr UINT WM_MOUSEACTIVATE = 0x0021;
constexpr UINT WM_NCCREATE = 0x0081;
constexpr UINT WM_NCDESTROY = 0x0082;
constexpr UINT WM_NCHITTEST = 0x0084;
constexpr UINT WM_NCMOUSEMOVE = 0x00A0;
constexpr UINT WM_NCLBUTTONDOWN = 0x00A1;
constexpr UINT WM_NCLBUTTONUP = 0x00A2;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_MBUTTONDOWN = 0x0207;
constexpr UINT WM_MBUTTONUP = 0x0208;
constexpr UINT WM_CAPTURECHANGED = 0x0215;
constexpr UINT WM_IME_NOTIFY = 0x0282;
constexpr UINT WM_IME_CHAR = 0x0286;
constexpr UINT WM_USER = 0x0400;

// ---------------------------------------------------------------- styles
constexpr DWORD WS_OVERLAPPED = 0x00000000;
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_DISABLED = 0x08000000;
constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_THICKFRAME = 0x00040000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD WS_EX_TOPMOST = 0x00000008;
constexpr DWORD WS_EX_TOOLWINDOW = 0x00000080;
constexpr DWORD WS_EX_WINDOWEDGE = 0x00000100;
constexpr UINT CS_VREDRAW = 0x0001;
constexpr UINT CS_HREDRAW = 0x0002;
constexpr UINT CS_OWNDC = 0x0020;
constexpr DWORD BS_PUSHBUTTON = 0x00000000;
constexpr DWORD SS_LEFT = 0x00000000;

// Predefined window classes used by the programs (buttons and labels).
constexpr const char* BUTTON_CLASS = "BUTTON";
constexpr const char* STATIC_CLASS = "STATIC";

// ShowWindow
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr int SW_SHOW = 5;
constexpr int SW_SHOWNA = 8;

// SetWindowPos
constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT SWP_NOACTIVATE = 0x0010;
constexpr UINT SWP_SHOWWINDOW = 0x0040;
inline Window const HWND_TOP = reinterpret_cast<Window>(0);
inline Window const HWND_BOTTOM = reinterpret_cast<Window>(1);
inline Window const HWND_TOPMOST = reinterpret_cast<Window>(-1);
inline Window const HWND_NOTOPMOST = reinterpret_cast<Window>(-2);

// GetWindow
constexpr UINT GW_HWNDFIRST = 0;
constexpr UINT GW_HWNDLAST = 1;
constexpr UINT GW_HWNDNEXT = 2;
constexpr UINT GW_HWNDPREV = 3;
constexpr UINT GW_OWNER = 4;
constexpr UINT GW_CHILD = 5;

// ChildWindowFromPointEx is not used; ChildWindowFromPoint skips nothing.

// Hit-test codes
constexpr int HTCLIENT = 1;
constexpr int HTTOP = 12;
constexpr int HTBORDER = 18;

// WM_MOUSEACTIVATE answers
constexpr int MA_ACTIVATE = 1;
constexpr int MA_NOACTIVATE = 3;
constexpr int MA_NOACTIVATEANDEAT = 4;

// GetSystemMetrics
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CXMAXIMIZED = 61;
constexpr int SM_CYMAXIMIZED = 62;

// MessageBox
constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_OKCANCEL = 0x00000001;
constexpr UINT MB_YESNO = 0x00000004;
constexpr UINT MB_ICONERROR = 0x00000010;
constexpr UINT MB_TOPMOST = 0x00040000;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// PeekMessage
constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

// Waiting for messages and input (MsgWaitForMultipleObjectsEx with no handles)
constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD QS_ALLINPUT = 0x04FF;
constexpr DWORD QS_KEY = 0x0001;
constexpr DWORD QS_MOUSEBUTTON = 0x0004;
constexpr DWORD QS_POSTMESSAGE = 0x0008;
constexpr DWORD QS_TIMER = 0x0010;
constexpr DWORD QS_PAINT = 0x0020;
constexpr DWORD MWMO_INPUTAVAILABLE = 0x0004;

// Raw input: key and button changes reach a window even while another one has the focus
constexpr UINT WM_INPUT = 0x00FF;
constexpr DWORD RIDEV_INPUTSINK = 0x00000100;
constexpr unsigned short HID_USAGE_PAGE_GENERIC = 0x01;
constexpr unsigned short HID_USAGE_GENERIC_MOUSE = 0x02;
constexpr unsigned short HID_USAGE_GENERIC_KEYBOARD = 0x06;
struct RawInputDevice {
  unsigned short usUsagePage;
  unsigned short usUsage;
  DWORD dwFlags;
  Window hwndTarget;
};

// Cursors
inline const char* const IDC_ARROW = reinterpret_cast<const char*>(32512);

// ---------------------------------------------------------------- keys
constexpr int VK_LBUTTON = 0x01;
constexpr int VK_RBUTTON = 0x02;
constexpr int VK_MBUTTON = 0x04;
constexpr int VK_BACK = 0x08;
constexpr int VK_TAB = 0x09;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_NONCONVERT = 0x1D;
constexpr int VK_SPACE = 0x20;
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;
constexpr int VK_LWIN = 0x5B;
constexpr int VK_NUMPAD0 = 0x60;
constexpr int VK_F12 = 0x7B;
constexpr int VK_F13 = 0x7C;

constexpr DWORD KEYEVENTF_KEYUP = 0x0002;

constexpr DWORD MOUSEEVENTF_MOVE = 0x0001;
constexpr DWORD MOUSEEVENTF_LEFTDOWN = 0x0002;
constexpr DWORD MOUSEEVENTF_LEFTUP = 0x0004;
constexpr DWORD MOUSEEVENTF_RIGHTDOWN = 0x0008;
constexpr DWORD MOUSEEVENTF_RIGHTUP = 0x0010;
constexpr DWORD MOUSEEVENTF_MIDDLEDOWN = 0x0020;
constexpr DWORD MOUSEEVENTF_MIDDLEUP = 0x0040;
constexpr DWORD MOUSEEVENTF_WHEEL = 0x0800;

// ---------------------------------------------------------------- GDI
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
constexpr int WHITE_BRUSH = 0;
constexpr int GRAY_BRUSH = 2;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int PS_SOLID = 0;
constexpr int FW_NORMAL = 400;
constexpr int FW_MEDIUM = 500;
constexpr int FW_BOLD = 700;
constexpr DWORD SHIFTJIS_CHARSET = 128;
constexpr DWORD DEFAULT_CHARSET = 1;
constexpr DWORD OUT_DEFAULT_PRECIS = 0;
constexpr DWORD OUT_TT_ONLY_PRECIS = 7;
constexpr DWORD CLIP_DEFAULT_PRECIS = 0;
constexpr DWORD DEFAULT_QUALITY = 0;
constexpr DWORD DEFAULT_PITCH = 0;
constexpr DWORD FF_DONTCARE = 0;
constexpr DWORD SRCCOPY = 0x00CC0020;

constexpr Colour RGB(int r, int g, int b) {
  return static_cast<Colour>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

// ---------------------------------------------------------------- shell
constexpr DWORD ABM_NEW = 0;
constexpr DWORD ABM_REMOVE = 1;
constexpr DWORD ABM_QUERYPOS = 2;
constexpr DWORD ABM_SETPOS = 3;
constexpr DWORD ABM_GETSTATE = 4;
constexpr UINT ABN_STATECHANGE = 0;
constexpr UINT ABN_POSCHANGED = 1;
constexpr UINT ABN_FULLSCREENAPP = 2;
constexpr UINT ABE_LEFT = 0;
constexpr UINT ABE_TOP = 1;
constexpr UINT ABE_RIGHT = 2;
constexpr UINT ABE_BOTTOM = 3;
constexpr UINT ABS_AUTOHIDE = 1;
constexpr UINT ABS_ALWAYSONTOP = 2;

// ---------------------------------------------------------------- files
constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD FILE_SHARE_READ = 0x00000001;
constexpr DWORD FILE_SHARE_WRITE = 0x00000002;
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080;
constexpr DWORD FILE_FLAG_WRITE_THROUGH = 0x80000000;
constexpr DWORD FILE_FLAG_RANDOM_ACCESS = 0x10000000;
constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFF;
constexpr DWORD PAGE_READONLY = 0x02;
constexpr DWORD PAGE_READWRITE = 0x04;
constexpr DWORD FILE_MAP_WRITE = 0x0002;
constexpr DWORD FILE_MAP_READ = 0x0004;

// ---------------------------------------------------------------- IMM
constexpr DWORD IME_CMODE_NATIVE = 0x0001;
constexpr DWORD IME_CMODE_FULLSHAPE = 0x0008;
constexpr DWORD IME_CMODE_ROMAN = 0x0010;
constexpr DWORD IME_SMODE_NONE = 0x0000;
constexpr DWORD IME_SMODE_PLAURALCLAUSE = 0x0001;
constexpr DWORD IME_SMODE_SINGLECONVERT = 0x0002;
constexpr DWORD NI_OPENCANDIDATE = 0x0010;
constexpr DWORD SCS_SETSTR = 0x0009;
constexpr DWORD NI_COMPOSITIONSTR = 0x0015;
constexpr DWORD CPS_CONVERT = 0x0002;
constexpr DWORD CPS_CANCEL = 0x0004;
constexpr DWORD GCS_COMPSTR = 0x0008;
constexpr DWORD GCS_RESULTSTR = 0x0800;
constexpr UINT GCL_CONVERSION = 0x0001;
constexpr WPARAM IMN_CLOSESTATUSWINDOW = 0x0001;
constexpr WPARAM IMN_OPENSTATUSWINDOW = 0x0002;

// ================================================================ functions

// Windows and classes
BOOL RegisterClass(const WndClass& wc);  // nonzero atom on success
BOOL UnregisterClass(const char* className, Instance instance);
// For a child window (WS_CHILD: BUTTON, STATIC, ...) param is the control id (the HMENU argument).
Window CreateWindowEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                      int y, int width, int height, Window parent, Instance instance, void* param);
BOOL DestroyWindow(Window w);
BOOL ShowWindow(Window w, int cmd);
BOOL UpdateWindow(Window w);
BOOL InvalidateRect(Window w, const Rect* r, BOOL erase);
BOOL MoveWindow(Window w, int x, int y, int width, int height, BOOL repaint);
BOOL SetWindowPos(Window w, Window insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL GetClientRect(Window w, Rect* r);
BOOL GetWindowRect(Window w, Rect* r);
BOOL ScreenToClient(Window w, Point* p);
BOOL ClientToScreen(Window w, Point* p);
Window ChildWindowFromPoint(Window parent, Point clientPoint);
Window WindowFromPoint(Point screenPoint);
Window FindWindow(const char* className, const char* title);
Window FindWindowEx(Window parent, Window childAfter, const char* className, const char* title);
Window GetTopWindow(Window w);  // nullptr: the first top-level window
Window GetWindow(Window w, UINT cmd);
Window GetParent(Window w);
Window GetDesktopWindow();
BOOL IsWindow(Window w);
BOOL IsWindowVisible(Window w);
int GetClassName(Window w, char* buffer, int size);
int GetWindowText(Window w, char* buffer, int size);
BOOL SetWindowText(Window w, const char* text);
DWORD GetWindowThreadProcessId(Window w, DWORD* processId);
DWORD GetCurrentThreadId();
Window SetActiveWindow(Window w);
Window GetForegroundWindow();
BOOL SetForegroundWindow(Window w);
BOOL BringWindowToTop(Window w);
int GetSystemMetrics(int index);
// Per-window user data (GWLP_USERDATA).
LPARAM GetWindowUserData(Window w);
void SetWindowUserData(Window w, LPARAM value);

// Messages
LRESULT SendMessage(Window w, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PostMessage(Window w, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PeekMessage(Msg* msg, Window w, UINT filterMin, UINT filterMax, UINT remove);
BOOL TranslateMessage(const Msg* msg);
LRESULT DispatchMessage(const Msg* msg);
LRESULT DefWindowProc(Window w, UINT msg, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
UINT_PTR SetTimer(Window w, UINT_PTR id, UINT elapseMs);
BOOL KillTimer(Window w, UINT_PTR id);
int MessageBox(Window owner, const char* text, const char* caption, UINT type);
BOOL MessageBeep(UINT type);

// Modeless dialogs (from a dialog resource id)
Window CreateDialog(Instance instance, int resourceId, Window parent, DlgProc proc);
BOOL IsDialogMessage(Window dialog, Msg* msg);
BOOL EndDialogWindow(Window dialog);  // DestroyWindow for a modeless dialog
UINT GetDlgItemText(Window dialog, int itemId, char* buffer, int size);
BOOL SetDlgItemText(Window dialog, int itemId, const char* text);
Window GetDlgItem(Window dialog, int itemId);

// Input
short GetAsyncKeyState(int vk);
BOOL GetKeyboardState(BYTE state[256]);
void keybd_event(BYTE vk, BYTE scan, DWORD flags, uintptr_t extra);
void mouse_event(DWORD flags, DWORD dx, DWORD dy, DWORD data, uintptr_t extra);
BOOL GetCursorPos(Point* p);
BOOL SetCursorPos(int x, int y);
BOOL AttachThreadInput(DWORD attach, DWORD to, BOOL doAttach);
Window GetFocus();
Window SetFocus(Window w);
BOOL ReleaseCapture();

// GDI
Dc GetDC(Window w);  // nullptr window: the whole screen
int ReleaseDC(Window w, Dc dc);
Dc BeginPaint(Window w, PaintStruct* ps);
BOOL EndPaint(Window w, const PaintStruct* ps);
BOOL GetUpdateRect(Window w, Rect* r, BOOL erase);
Font CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, const char* face);
Brush CreateSolidBrush(Colour c);
Pen CreatePen(int style, int width, Colour c);
GdiObject GetStockObject(int id);
GdiObject SelectObject(Dc dc, GdiObject obj);
BOOL DeleteObject(GdiObject obj);
BOOL Rectangle(Dc dc, int left, int top, int right, int bottom);
BOOL Ellipse(Dc dc, int left, int top, int right, int bottom);
int FillRect(Dc dc, const Rect* r, Brush b);
BOOL MoveToEx(Dc dc, int x, int y, Point* previous);
BOOL LineTo(Dc dc, int x, int y);
int SetBkMode(Dc dc, int mode);
Colour SetTextColor(Dc dc, Colour c);
Colour SetBkColor(Dc dc, Colour c);
BOOL GetTextExtentPoint32(Dc dc, const char* text, int length, Size* size);
BOOL TextOut(Dc dc, int x, int y, const char* text, int length);
BOOL BitBlt(Dc dest, int x, int y, int width, int height, Dc src, int srcX, int srcY, DWORD rop);
// An off-screen surface (memory DC with a bitmap selected into it), used by mivoSweep
// to keep the desktop picture it took at start.
Dc CreateCompatibleDC(Dc dc);
GdiObject CreateCompatibleBitmap(Dc dc, int width, int height);  // HBITMAP
BOOL DeleteDC(Dc dc);

// Shell and system
UINT_PTR SHAppBarMessage(DWORD message, AppBarData* data);
UINT WinExec(const char* commandLine, UINT show);
void Sleep(DWORD ms);
// Returns WAIT_OBJECT_0 when a message or input is in the queue (already seen or not,
// with MWMO_INPUTAVAILABLE) or comes, WAIT_TIMEOUT when `ms` passed first. No handles.
DWORD MsgWaitForMultipleObjectsEx(DWORD count, const void* handles, DWORD ms, DWORD wakeMask,
                                  DWORD flags);
BOOL RegisterRawInputDevices(const RawInputDevice* devices, UINT count);
// High word: the kinds of message in the queue now; low word: those added since the
// last look. A wait does not end for messages a PeekMessage has already seen.
DWORD GetQueueStatus(UINT flags);
DWORD GetTickCount();
void GetLocalTime(SystemTime* t);
DWORD SearchPath(const char* path, const char* fileName, const char* extension, DWORD size,
                 char* buffer, char** filePart);
BOOL CreateDirectory(const char* path);
DWORD GetFileAttributes(const char* path);  // INVALID_FILE_ATTRIBUTES when absent
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;  // what a plain file answers
BOOL CopyFile(const char* from, const char* to, BOOL failIfExists);
BOOL DeleteFile(const char* path);

// Files. Paths use "\" as on Windows; the headless backend maps them.
FileHandle CreateFile(const char* path, DWORD access, DWORD share, DWORD disposition,
                      DWORD flagsAndAttributes);  // nullptr on failure
BOOL CloseHandle(FileHandle f);
DWORD GetFileSize(FileHandle f);  // INVALID_FILE_SIZE on failure
BOOL ReadFile(FileHandle f, void* buffer, DWORD size, DWORD* read);
BOOL WriteFile(FileHandle f, const void* buffer, DWORD size, DWORD* written);
DWORD SetFilePointer(FileHandle f, LONG distance, DWORD method);
BOOL SetEndOfFile(FileHandle f);
// A mapping of the whole file, read-only (PAGE_READONLY) or writable (PAGE_READWRITE);
// a writable mapping of a given size grows the file to that size.
Mapping CreateFileMapping(FileHandle f, DWORD protect, DWORD size);
void* MapViewOfFile(Mapping m, DWORD access, DWORD size);
// Writes the bytes of a view from `base` on (0 bytes: to the view's end) to the file now
// instead of when the system sees fit; `base` may lie anywhere inside a view.
BOOL FlushViewOfFile(const void* base, size_t bytes);
// Writes what the system still holds of the file (written or flushed from a view) to the
// disk itself, and waits for it; the handle must be open for writing.
BOOL FlushFileBuffers(FileHandle f);
// Copies bytes that may overlap, as memmove. Writes into a mapped view go through it, so
// that the headless backend can stop one part way, as a kill would.
void MoveMemory(void* destination, const void* source, size_t length);
BOOL UnmapViewOfFile(void* view);
BOOL CloseMapping(Mapping m);

// Memory for the program's counting allocator (GlobalAlloc with GMEM_ZEROINIT, and
// without it for a block its caller fills whole).
void* GlobalAllocZero(size_t size);
void* GlobalAllocUnfilled(size_t size);
void GlobalFree(void* block);

// Input method
Hkl GetKeyboardLayout(DWORD threadId);
UINT ImmGetDescription(Hkl hkl, char* buffer, UINT size);
Imc ImmCreateContext();
BOOL ImmDestroyContext(Imc imc);
Imc ImmAssociateContext(Window w, Imc imc);
BOOL ImmSetOpenStatus(Imc imc, BOOL open);
BOOL ImmSetConversionStatus(Imc imc, DWORD conversion, DWORD sentence);
BOOL ImmSetCompositionString(Imc imc, DWORD index, const void* comp, DWORD compLen,
                             const void* read, DWORD readLen);
BOOL ImmNotifyIME(Imc imc, DWORD action, DWORD index, DWORD value);
DWORD ImmGetCandidateList(Imc imc, DWORD index, CandidateListHeader* list, DWORD bufLen);
DWORD ImmGetConversionList(Hkl hkl, Imc imc, const char* source, CandidateListHeader* dest,
                           DWORD bufLen, UINT flag);
LONG ImmGetCompositionString(Imc imc, DWORD index, void* buffer, DWORD bufLen);

}  // namespace os

namespace os {
// Each program defines this; the backend's real entry point (WinMain, or main on
// the headless backend) calls it with the instance and the show command.
int AppMain(Instance instance, int showCommand);
}  // namespace os
