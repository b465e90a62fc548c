// The state of the headless desktop, shared by the files of this backend only.
//
// Handles are pointers to the structs below. Windows, GDI objects and DCs stay
// allocated until desktop::Reset, so a stale handle is recognised (IsWindow answers
// FALSE) instead of being a dangling pointer.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/headless/desktop.h"
#include "platform/os.h"

namespace headless {

struct ForeignRec;

// Text from one code set to another, all or nothing: false when a character does not
// convert (a candidate with a character CP932 lacks is then not offered at all).
bool Recode(const std::string& in, const char* to, const char* from, std::string* out);

enum class WindowKind { Program, Foreign, Desktop };
// Window classes the system provides, with their own behaviour.
enum class Builtin { None, Button, Static, Edit, Dialog };

}  // namespace headless

namespace os {

struct OsWindow {
  uint64_t serial = 0;
  bool alive = true;
  headless::WindowKind kind = headless::WindowKind::Program;
  headless::Builtin builtin = headless::Builtin::None;
  std::string className;
  std::string title;  // window text (Shift-JIS bytes)
  DWORD style = 0, exStyle = 0;
  Rect rect{};  // relative to the parent's client area (the screen for top-level windows)
  OsWindow* parent = nullptr;  // the desktop window for top-level windows
  OsWindow* owner = nullptr;
  std::vector<OsWindow*> children;  // z-order, top first
  WndProc proc = nullptr;
  DlgProc dlgProc = nullptr;
  UINT classStyle = 0;
  Brush background = nullptr;
  int id = 0;
  LPARAM userData = 0;
  bool hasUpdate = false;
  Rect update{};  // bounding box of the update region, client coordinates
  bool erase = false;
  Imc imc = nullptr;
  headless::ForeignRec* app = nullptr;
  std::vector<desktop::DrawOp> drawing;
  std::vector<Msg> defCalls;
  bool buttonDown = false;  // a BUTTON between its down and up clicks
  OsDc* ownDc = nullptr;    // CS_OWNDC: the window's one DC, kept until it is destroyed
};

struct OsGdiObject {
  enum Kind { FontObj, BrushObj, PenObj, BitmapObj } kind = BrushObj;
  bool stock = false;
  bool deleted = false;
  bool null = false;   // NULL_BRUSH / NULL_PEN
  int selections = 0;  // live DCs that hold it
  Colour colour = 0;
  int penWidth = 1, penStyle = 0;
  int height = 0, width = 0, weight = 0;
  DWORD charSet = 0, outPrecision = 0;
  std::string face;
  std::vector<desktop::DrawOp> ops;  // what was drawn on a bitmap through a memory DC
};

struct OsDc {
  OsWindow* window = nullptr;  // the desktop window for the screen DC
  bool released = false;
  bool paint = false;
  bool own = false;            // a CS_OWNDC window's DC: ReleaseDC and EndPaint keep it
  bool memory = false;         // CreateCompatibleDC
  GdiObject bitmap = nullptr;  // of a memory DC
  GdiObject font = nullptr, brush = nullptr, pen = nullptr;
  Colour textColour = 0, bkColour = 0xFFFFFF;
  int bkMode = OPAQUE;
  Point position{0, 0};
};

struct OsImc {
  bool alive = true;
  bool open = false;
  DWORD conversion = 0, sentence = 0;
  std::string composition;
  std::string reading;
  std::vector<std::string> candidates;  // of the first clause after a conversion
  bool candidatesOpen = false;
};

struct OsHkl {
  int layout = 0x04110411;
};

}  // namespace os

namespace headless {

using namespace os;

struct ForeignRec {
  int index = 0;
  DWORD processId = 0, threadId = 0;
  OsWindow* window = nullptr;
  OsWindow* edit = nullptr;
  OsWindow* focus = nullptr;
  std::string text;
  std::vector<desktop::Received> received;
  bool alive = true;
  desktop::ForeignOptions options;
};

struct Queued {
  enum Kind { Posted, Mouse, Key } kind = Posted;
  Msg msg{};
};

struct Timer {
  OsWindow* window = nullptr;
  UINT_PTR id = 0;
  UINT interval = 0;
  uint64_t due = 0;
  uint64_t serial = 0;
};

struct Action {
  uint64_t at;
  uint64_t serial;
  std::function<void()> run;
};

struct KeyState {
  bool down = false;
  bool pressed = false;  // since the last GetAsyncKeyState of the key
  bool toggle = false;
};

struct ClassRec {
  std::string name;
  WndClass wc{};
};

struct State {
  desktop::Config config;
  uint64_t now = 0;
  uint64_t serial = 0;
  SystemTime calendar{2024, 4, 1, 1, 9, 0, 0, 0};  // Monday 1 April 2024, 09:00
  uint64_t calendarSetAt = 0;

  std::vector<std::unique_ptr<OsWindow>> windows;  // every window ever made, for stale handles
  std::set<OsWindow*> live;
  std::set<OsWindow*>
      dirty;  // windows with an update region, so an idle loop need not walk the tree
  OsWindow* desktop = nullptr;
  std::vector<ClassRec> classes;
  std::map<std::string, int> created, destroyed;  // by lower-case class name

  std::deque<Queued> queue;
  bool quitPosted = false;
  int quitCode = 0;
  std::vector<Timer> timers;
  UINT_PTR nextThreadTimer = 0x7000;
  std::vector<Action> actions;

  KeyState keys[256];
  Point cursor{0, 0};
  // Raw input the program registered for, and how many changes of it came so far: a
  // wait for messages ends at each one, as the WM_INPUT it brings would end it.
  bool rawKeyboard = false;
  bool rawMouse = false;
  uint64_t rawInputs = 0;

  OsWindow* foreground = nullptr;
  OsWindow* active = nullptr;  // the program's active window
  OsWindow* focus = nullptr;   // the program's focus window
  std::vector<std::pair<DWORD, DWORD>> attachments;
  std::vector<std::unique_ptr<ForeignRec>> apps;

  std::vector<desktop::InjectedEvent> injected;
  std::vector<desktop::MessageBoxRecord> boxes;
  int boxAnswer = IDOK;
  std::vector<uint64_t> beeps;
  std::vector<std::string> started;

  desktop::AppBarState appBar;
  bool appBarRefused = false;
  bool appBarClamps = true;  // Windows' shell keeps a proposed bar on the screen; Wine's does not

  std::vector<std::unique_ptr<OsGdiObject>> gdiObjects;
  std::vector<std::unique_ptr<OsDc>> dcs;
  GdiObject stock[20] = {};
  GdiObject defaultFont = nullptr;

  bool imeSet = false;
  desktop::ImeProvider ime;
  std::vector<std::unique_ptr<OsImc>> imcs;
  OsHkl hkl;

  std::map<int, desktop::DialogTemplate> dialogs;

  std::function<void(const desktop::FileWrite&)> fileWriteObserver;
  int64_t diskFree = -1;    // bytes the files may still grow by; negative: no limit
  int64_t writesLeft = -1;  // bytes that may still reach files; negative: no stop
  bool writesStopped = false;
  bool syncToDevice = false;  // FlushFileBuffers waits for the device
  uint64_t bytesWritten = 0;
};

State& S();

// ---- windows (windows.cpp)
OsWindow* Live(Window w);  // null unless w is a live window
bool IsTopLevel(const OsWindow* w);
OsWindow* TopLevelOf(OsWindow* w);
int BorderOf(const OsWindow* w);
int CaptionOf(const OsWindow* w);  // caption bar height, 0 without WS_CAPTION
Rect ScreenRectOf(const OsWindow* w);
Rect ClientScreenRectOf(const OsWindow* w);
bool VisibleOnScreen(const OsWindow* w);
void Invalidate(OsWindow* w, const Rect* r, bool erase);
OsWindow* HitTest(Point screen);  // topmost visible window under the point, deepest child
int HitCode(const OsWindow* w, Point screen);
void ActivateTopLevel(OsWindow* w);  // a click or an activation request: foreground and active
void BringToTopOfBand(OsWindow* w);
void RemoveWindowFromTree(OsWindow* w);
OsWindow* NextForeground();
void ForegroundGone();  // the foreground window went away: the next one takes it
LRESULT BuiltinProc(OsWindow* w, UINT msg, WPARAM wParam, LPARAM lParam);
void DestroyForeignWindows(ForeignRec* app);
OsWindow* NewWindow(WindowKind kind, const std::string& className, const std::string& title,
                    DWORD style, DWORD exStyle, Rect rect, OsWindow* parent);

// ---- messages (messages.cpp)
LRESULT Deliver(OsWindow* w, UINT msg, WPARAM wParam, LPARAM lParam);  // SendMessage core
void PurgeWindow(OsWindow* w);  // timers and queued messages of a dying window
void RunDueActions(uint64_t until);

// ---- input (input.cpp)
LRESULT ForeignReceive(ForeignRec* app, OsWindow* w, UINT msg, WPARAM wParam, LPARAM lParam);
ForeignRec* AppOf(const OsWindow* w);
void KeyEvent(int vk, bool down);                    // state and delivery of one key transition
void MouseButtonEvent(UINT downMessage, bool down);  // at the cursor
void CursorMoved();
int CharForKey(int vk);                            // the character a key press types, 0 for none
void EditChar(std::string& text, unsigned value);  // WM_CHAR / WM_IME_CHAR into an edit text
bool IsLead(unsigned char b);

// ---- gdi (gdi.cpp)
void ResetGdi();
void Record(OsWindow* w, desktop::DrawOp op);
void DropOwnDc(OsWindow* w);  // a dying CS_OWNDC window's DC lets go of what it holds

// ---- files (files.cpp)
void ResetFiles();
std::string PosixPath(const char* path);  // a program path (Shift-JIS, "\\") on this file system
void EnsureFolder(const std::string& posix);

// ---- ime (ime.cpp)
void ResetIme();

// ---- the Anthy engine (anthy.cpp); readings and candidates are CP932
bool AnthyStart();  // once per process; false when Anthy or its dictionary is missing
// The candidates of the reading's first segment, and the first candidates of all its
// segments joined; false when Anthy converts nothing.
bool AnthyConvert(const std::string& reading, std::vector<std::string>* firstSegment,
                  std::string* composition);
// The candidates of the whole reading taken as one segment; false when Anthy will not
// make one segment of it.
bool AnthyConvertWhole(const std::string& reading, std::vector<std::string>* candidates);

}  // namespace headless
