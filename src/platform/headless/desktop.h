// Test-facing API of the headless backend: our own small desktop, in process.
//
// Used only by tests and tools, never by the program. Everything is deterministic:
// time is a virtual clock that only Sleep (and the scripted actions) advance.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/os.h"

namespace desktop {

// ---------------------------------------------------------------- set-up
// Forgets every window, class, timer, queued message, recording and script, and
// sets the screen size, the working folder (created if absent; relative paths of the
// program resolve against it) and the clock to 0.
struct Config {
  int screenWidth = 1024;
  int screenHeight = 768;
  int maximizedWidth = 1024;  // SM_CXMAXIMIZED
  int maximizedHeight = 740;  // SM_CYMAXIMIZED
  std::string workingFolder;  // empty: a fresh temporary folder
};
void Reset(const Config& config = Config());
std::string WorkingFolder();
// Writes a file (bytes as given) under the working folder; `name` may use "\" or "/".
// Names are Shift-JIS bytes, mapped to the file system exactly as the program's paths are.
void WriteFile(const std::string& name, const std::string& bytes);
std::string ReadFile(const std::string& name);  // empty when absent
// Shift-JIS text as UTF-8, for people reading a tool's output (unconvertible bytes stay).
std::string Utf8FromShiftJis(const std::string& sjis);
bool FileExists(const std::string& name);

// ---------------------------------------------------------------- file writes
// A write step is a call that changes a file on disk or ends a writer's hold on it:
// CreateFile that creates or truncates a file, WriteFile, SetEndOfFile, CreateFileMapping
// that grows the file, FlushViewOfFile and UnmapViewOfFile of a writable view,
// FlushFileBuffers, CloseHandle of a handle opened for writing, CopyFile (its copy) and
// DeleteFile. The observer runs after each step that succeeded; views are shared, so the
// file on disk then holds every byte written so far. A kill inside a step, part way
// through a write, is StopWritesAfter's.
struct FileWrite {
  std::string call;  // the os function, e.g. "FlushViewOfFile"
  std::string path;  // the file on this file system (absolute POSIX path)
};
void SetFileWriteObserver(std::function<void(const FileWrite&)> observer);  // empty: none
// A disk with this many bytes free (negative, as after Reset: no limit). Every growth of
// a file takes from it and every cut gives back; a call that would grow a file past it
// fails and changes nothing, as Windows fails it with ERROR_DISK_FULL. Files written by
// the helpers above are not counted.
void SetDiskFree(int64_t bytes);
// A kill part way through a write. After `bytes` more bytes have reached files the
// program's files stop changing, as a process killed at that moment leaves them: a write
// through a view (os::MoveMemory) or WriteFile stops part way, and each call that changes a
// file at once (creating or cutting it, growing it by a mapping, deleting or copying it)
// counts as one byte. From then on every call that would change a file fails, and handles
// and views are only released. Negative: files change freely again, as for the next
// process.
void StopWritesAfter(int64_t bytes);
bool WritesStopped();
uint64_t BytesWritten();  // since Reset, counted as above
// FlushFileBuffers waits for the device itself (fdatasync), as on Windows; off after
// Reset, since the page cache already keeps what a kill would leave.
void SetSyncToDevice(bool sync);
// The read-only attribute: the file cannot be opened for writing, replaced or deleted,
// whoever runs the tests (root included).
void SetReadOnly(const std::string& name, bool readOnly);

// ---------------------------------------------------------------- clock
uint64_t Now();  // virtual milliseconds since Reset
// Runs `action` when the virtual clock reaches `atMs` (inside the Sleep that passes it).
void At(uint64_t atMs, std::function<void()> action);
// Ends the program under test: when the clock passes `ms`, WM_QUIT is posted (as
// PostQuitMessage(0) would) so that a runaway scenario cannot loop forever.
void QuitAt(uint64_t ms);
void SetLocalTime(
    const os::SystemTime& t);  // the calendar GetLocalTime reads (advances with the clock)

// ---------------------------------------------------------------- input
void KeyDown(
    int vk);  // sets the down bit and the "pressed since last query" bit, flips the toggle bit
void KeyUp(int vk);
// GetKeyboardState reads this state at once; on Windows a thread sees a key change only
// when it takes the key's message from its queue.
void PressKey(int vk, uint64_t atMs, uint64_t holdMs);  // scripted press and release
void MoveCursor(int x, int y);  // moves the pointer; the window under it gets WM_MOUSEMOVE
void Click(int x, int y);  // move, then WM_MOUSEACTIVATE / button down / up to the window under it
// A mouse button (VK_LBUTTON, VK_RBUTTON, VK_MBUTTON) pressed or released at the pointer,
// as the user's hand would: key state plus delivery, not recorded as injected.
void MouseDown(int vk);
void MouseUp(int vk);
// Input to the program's own windows is queued as on Windows (mouse and key messages
// wait in the queue; WM_MOUSEACTIVATE and WM_NCHITTEST are sent when a mouse message is
// taken from it). Tests that run no message loop can empty the queue with this:
// dispatches everything queued (posted messages, input, paints, due timers) until
// nothing is left or only WM_QUIT is; returns how many messages were dispatched.
int PumpMessages();
// Sends WM_COMMAND (BN_CLICKED) for a button child to its parent, as a click on it would.
void ClickButton(os::Window button);
// A relative mouse_event move goes through Wine's pointer acceleration at the default
// mouse settings (more than 6 pixels along an axis go twice as far), and the pointer
// stops at the edges of the screen.

// ---------------------------------------------------------------- windows
os::Window Find(const std::string& className, const std::string& title = std::string());
struct WindowInfo {
  std::string className, title;
  os::DWORD style = 0, exStyle = 0;
  os::Rect rect{};  // screen coordinates of the window
  bool visible = false;
  os::Window parent = nullptr;
  os::Window owner = nullptr;  // top-level windows created with a parent window
  int id = 0;                  // child windows: the control id (from CreateWindowEx's param)
  bool foreign = false;        // belongs to a simulated foreign application
  bool hasUpdate = false;      // a non-empty update region (a WM_PAINT is due)
};
// The frame follows Wine's default metrics: client rectangle = window rectangle less the
// frame on every side, 2 pixels of outer frame with WS_THICKFRAME or WS_DLGFRAME, 1 more
// for WS_THICKFRAME, 1 more for WS_BORDER or WS_DLGFRAME (WS_CAPTION holds both): 1 for
// WS_BORDER, 3 for WS_THICKFRAME or a caption, 4 for WS_BORDER | WS_THICKFRAME; a caption
// (WS_CAPTION) takes 19 more pixels at the top, 16 in a WS_EX_TOOLWINDOW. A child
// (WS_CHILD) is placed at the bottom of its siblings' z-order when created; a top-level
// window at the top of its band (WS_EX_TOPMOST ones above all others). A window created
// with a parent but without WS_CHILD is a top-level window owned by that parent, as on
// Windows. WindowFromPoint answers the desktop window where no window is.
WindowInfo Info(os::Window w);
std::vector<os::Window> Children(os::Window parent);  // in z-order, top first
std::vector<os::Window> TopLevelWindows();            // in z-order, top first
int DestroyedCount(const std::string& className);     // windows of a class destroyed so far
int CreatedCount(const std::string& className);

// ---------------------------------------------------------------- foreign applications
// A simulated application: a top-level window of its own thread with a focused edit
// control that records what reaches it.
struct ForeignApp {
  os::Window window = nullptr;
  os::Window edit = nullptr;
};
struct ForeignOptions {
  bool ignoresDestroy = false;        // WM_DESTROY does not close it
  bool ignoresQuit = false;           // WM_QUIT does not close it
  os::Rect rect{100, 100, 700, 500};  // screen rectangle of its window; the edit fills the client
};
ForeignApp StartForeignApp(const std::string& className, const std::string& title,
                           ForeignOptions options = ForeignOptions());
// Characters typed into the app's edit control (Shift-JIS bytes): key events turned into
// characters with the shift state (US layout for letters and digits; Enter as "\r",
// Back removes the last character), and WM_IME_CHAR values appended as 1 or 2 bytes.
std::string EditText(const ForeignApp& app);
struct Received {
  uint64_t at;       // virtual ms
  os::UINT message;  // WM_KEYDOWN, WM_KEYUP, WM_CHAR, WM_IME_CHAR, WM_IME_NOTIFY, WM_DESTROY,
                     // WM_QUIT, ...
  os::WPARAM wParam;
  os::LPARAM lParam;
};
std::vector<Received> ReceivedBy(const ForeignApp& app);
bool IsAlive(const ForeignApp& app);
// Thread and process ids: the program's thread is kProgramThread in process
// kProgramProcess; the n-th foreign application (1-based) gets process 0x2000 + 16n and
// thread 0x2001 + 16n. An application becomes the foreground window when started and
// when clicked. When the foreground window goes away, the next visible top-level window
// without WS_EX_TOOLWINDOW (in z-order) becomes the foreground, or none.
constexpr os::DWORD kProgramProcess = 0x1000;
constexpr os::DWORD kProgramThread = 0x1001;
// Key events reach the foreground window's thread: a foreign application gets
// WM_KEYDOWN / WM_KEYUP (WM_SYSKEYDOWN / WM_SYSKEYUP while Alt is down without Ctrl) and,
// for a press that types a character with neither Ctrl nor Alt down, WM_CHAR; the
// program's own windows get the key messages queued to its focus window (or the
// foreground window) and WM_CHAR from TranslateMessage. Scripted KeyDown/KeyUp and
// injected keybd_event take the same path.

// ---------------------------------------------------------------- recordings
struct InjectedEvent {
  uint64_t at;  // virtual ms
  bool keyboard;
  os::BYTE vk;       // keyboard
  os::DWORD flags;   // KEYEVENTF_* or MOUSEEVENTF_*
  os::DWORD dx, dy;  // mouse
};
std::vector<InjectedEvent> InjectedEvents();
void ClearInjectedEvents();
// The input attachments in force (AttachThreadInput), as (attaching, attached-to) pairs.
std::vector<std::pair<os::DWORD, os::DWORD>> ThreadAttachments();

struct MessageBoxRecord {
  uint64_t at;
  os::Window owner;
  std::string text;     // Shift-JIS bytes as given
  std::string caption;  // Shift-JIS bytes as given
  os::UINT type;
};
std::vector<MessageBoxRecord> MessageBoxes();
// The answer the next message boxes give (default IDOK).
void SetMessageBoxAnswer(int answer);

std::vector<uint64_t> Beeps();
std::vector<std::string> StartedPrograms();  // WinExec command lines

struct DrawOp {
  enum Kind { Fill, Frame, Line, Text, Blit, EllipseOp } kind;
  os::Rect rect;  // Fill/Frame/EllipseOp rectangle; Line from (left,top) to (right,bottom); Text at
                  // (left,top); Blit destination
  os::Colour colour;    // fill colour, pen colour, text colour
  bool hollow = false;  // frame drawn with the null brush
  int penWidth = 0;
  std::string text;      // Shift-JIS
  std::string fontFace;  // the selected font's face
  int fontHeight = 0;
  int fontWeight = 0;
  os::DWORD charSet = 0;
  os::DWORD outPrecision = 0;
  int bkMode = os::OPAQUE;  // Text: the DC's background mode
};
// How the model draws:
// - Rectangle: the selected brush fills (Fill, unless it is the null brush) and the pen
//   frames (Frame, unless it is the null pen; hollow = true when the brush was the null
//   brush), both with the whole rectangle;
// - Ellipse: EllipseOp with the pen colour, hollow = true with the null brush;
// - MoveToEx/LineTo: Line with the pen colour and width (nothing with the null pen);
// - TextOut: Text at (x, y), rect right/bottom = x/y + GetTextExtentPoint32 of the text;
// - BitBlt: Blit with the destination rectangle (text "desktop" when the source is the
//   screen DC);
// - WM_ERASEBKGND reaching DefWindowProc fills the client area with the class brush.
// Text extents are deterministic: each single-byte character is |font height| / 2 wide,
// each double-byte character |font height| wide, and the height is |font height|. The
// font of a fresh DC is "System", height 16, weight FW_NORMAL, SHIFTJIS_CHARSET.
// Fonts, brushes, pens and bitmaps created and not yet freed (stock ones excluded). As on
// Wine, DeleteObject of an object that a DC still holds answers TRUE (again each time) and
// the object stays usable until no DC holds it; then it is freed. A released DC holds
// nothing. A window of a CS_OWNDC class draws through one DC of its own: GetDC and
// BeginPaint hand it out, ReleaseDC and EndPaint keep it with what it holds (objects,
// colours, modes), and it goes with the window.
int LiveGdiObjects();
std::vector<DrawOp> Drawing(os::Window w);  // since the window was created or last cleared
void ClearDrawing(os::Window w);

// The application-bar model of the shell.
struct AppBarState {
  bool registered = false;
  os::Window window = nullptr;
  os::UINT callbackMessage = 0;
  os::UINT edge = 0;
  os::Rect rect{};
  os::UINT state = os::ABS_ALWAYSONTOP;
};
AppBarState AppBar();
os::Rect WorkArea();                  // the screen less the registered bar
void SetAppBarRefused(bool refused);  // ABM_NEW answers 0
void SetAppBarClamps(bool clamps);    // false: QUERYPOS/SETPOS take the rectangle as given (Wine)
void SetAppBarState(os::UINT state);  // what ABM_GETSTATE answers
// The shell tells the registered bar about a change: posts its callback message with
// the notification code (ABN_*) in wParam and the argument in lParam.
void NotifyAppBar(os::UINT code, os::LPARAM argument);

// ---------------------------------------------------------------- input method
struct ImeProvider {
  std::string description;  // ImmGetDescription
  // reading -> candidates, for ImmGetConversionList / the candidate list after conversion
  std::vector<std::pair<std::string, std::vector<std::string>>> conversions;
  bool anthy = false;  // Anthy converts, and `conversions` is not used
};
void SetIme(const ImeProvider& ime);
// The model of the provider: ImmSetCompositionString(SCS_SETSTR) with a reading makes it
// the composition string; ImmNotifyIME(NI_COMPOSITIONSTR, CPS_CONVERT) splits the reading
// into clauses (longest reading of `conversions` that begins the rest, else one
// character), offers the candidates of the first clause as candidate list 0 and makes
// the composition string the first candidate of every clause joined;
// ImmGetConversionList(GCL_CONVERSION) offers the candidates of a reading that is listed
// whole. Without SetIme (or with an empty description) there is no input method: the
// calls fail and ImmGetDescription answers 0.
int LiveImeContexts();
// A real engine instead of the scripted lists: the input method becomes Anthy, with the
// description kAnthyDescription (no product name, so the program takes it for a standard
// input method). CPS_CONVERT runs Anthy on the reading; candidate list 0 holds the first
// segment's candidates in Anthy's order (selection 0), the composition string the first
// candidates of all segments joined; ImmGetConversionList offers the candidates of the
// whole reading as one segment, or nothing when Anthy will not make one segment of it.
// Candidates with a character CP932 lacks are left out. Readings are hiragana (with
// ASCII, digits, punctuation, ー and ヴ); others convert to nothing, as Anthy would leak
// memory on them. Nothing is learned: the answers depend on the installed dictionary
// alone. False, and no input method, when Anthy cannot start. Reset ends it, as it ends
// any provider. The default stays no input method: whole-program scenarios keep to
// what they script, and no test depends on the dictionary's version unless it asks.
constexpr const char* kAnthyDescription = "Anthy";
bool UseAnthy();

// ---------------------------------------------------------------- dialogs
// There are no resources here: a test defines the dialog a resource id stands for before
// the program calls CreateDialog, or adds items to a dialog afterwards. CreateDialog of an
// undefined id makes an empty, visible "#32770" window. Items are created before
// WM_INITDIALOG, whose wParam is the first item with WS_TABSTOP.
struct DialogItemTemplate {
  int id = 0;
  std::string className;  // "EDIT", "STATIC", "BUTTON"
  std::string text;
  os::DWORD style = os::WS_CHILD | os::WS_VISIBLE;
  os::Rect rect{};  // in the dialog's client coordinates (pixels)
};
struct DialogTemplate {
  std::string title;
  os::DWORD style = os::WS_POPUP | os::WS_CAPTION | os::WS_VISIBLE;
  os::Rect rect{0, 0, 390, 260};
  std::vector<DialogItemTemplate> items;
};
void DefineDialog(int resourceId, const DialogTemplate& dialog);
os::Window AddDialogItem(os::Window dialog, int id, const std::string& text,
                         const std::string& className = "EDIT",
                         os::DWORD style = os::WS_CHILD | os::WS_VISIBLE | os::WS_TABSTOP);
// The program's EDIT controls keep their text as the foreign application's edit does:
// WM_CHAR appends (Back removes the last character), WM_IME_CHAR appends 1 or 2 bytes.

// ---------------------------------------------------------------- DefWindowProc
// Every message that reached DefWindowProc for a window, in order. DefWindowProc answers
// 0 except: WM_NCCREATE TRUE, WM_SETTEXT (stores the text) TRUE, WM_MOUSEACTIVATE
// MA_ACTIVATE, WM_NCHITTEST the frame's hit-test code (HTCLIENT inside the client area),
// WM_PAINT validates, WM_ERASEBKGND fills with the class brush and answers 1 (0 without
// a brush), WM_CLOSE destroys the window.
std::vector<os::Msg> DefWindowProcCalls(os::Window w);

// ---------------------------------------------------------------- running
// Runs os::AppMain (or any entry) and returns its exit code; the clock keeps going.
int Run(int (*entry)(os::Instance, int), int showCommand = os::SW_SHOWNORMAL);

}  // namespace desktop
