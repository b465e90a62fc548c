// The key tree: the fixed key and colour-set tables, the key record, the walks over
// the tree, and the key windows with their layout.
//
// Keys and colour sets live in 1-based tables with a high-water count; index 0 means
// "no key". A key's children are the keys whose parent index names it; there are no
// child lists, so every walk is a scan in index order.
#pragma once

#include <cstdint>

#include "keyboard/state.h"
#include "platform/os.h"
#include "platform/scoped.h"

namespace mivo {

constexpr int32_t KEY_TABLE_SIZE = 2048;
constexpr int32_t COLOR_SET_TABLE_SIZE = 64;

// Flag bits of a key.
constexpr uint32_t KF_FOCUS = 1;
constexpr uint32_t KF_SELECT = 2;
constexpr uint32_t KF_HIDDEN = 4;
constexpr uint32_t KF_READING = 8;

// Key types.
constexpr int32_t KT_PANEL = 1;
constexpr int32_t KT_NO_WINDOW = 2;
constexpr int32_t KT_KEY = 3;
constexpr int32_t KT_CANDIDATE = 4;
constexpr int32_t KT_PAGE = 5;
constexpr int32_t KT_INERT = 6;
constexpr int32_t KT_CONTAINER = 7;

// The strip of tabs along the bottom of a tabbed container, in pixels.
constexpr int32_t TAB_STRIP_HEIGHT = 20;

constexpr const char* KEY_WINDOW_CLASS = "MivoKeybdKey2";

struct KeyRecord {
  int32_t type;
  os::Window window;
  int32_t parent;
  uint32_t x, y, cx, cy;
  int32_t id;
  // The texts are never null while the key exists. They live in the record's own block,
  // but for a name given later, which has a block of its own.
  char* name;
  bool nameApart;
  char* onfocus;
  char* onunfocus;
  char* onselect;
  char* onunselect;
  char* onselected;
  uint32_t paintedFlags;
  uint32_t flags;
  int32_t colorSet;
  // The window rectangle in the parent's client coordinates; for a page, the tab.
  int32_t left, top, right, bottom;
  // A window taken away by a relayout, hidden, to be given back when the key is shown.
  os::Window kept;
  // While key windows are made later: the window the key would have now, its place in
  // the parent's client area and its rank among its siblings (0 for none, the higher the
  // nearer the top).
  struct {
    uint32_t rank;
    os::Rect rect;
  } later;
};

// Whether the key has a window, or would have one were windows not being made later.
inline bool HasWindow(const KeyRecord* key) { return key->window || key->later.rank != 0; }

struct ColorSet {
  int32_t id;
  OwnedBrush fillNormal, fillFocus, fillSelect;  // null for no colour
  OwnedPen frameNormal, frameFocus, frameSelect;
  os::Colour textNormal, textFocus, textSelect;
};

// ---- module state (it lives in keyboardState)
os::Instance KeyboardInstance();
void SetKeyboardInstance(os::Instance instance);

// ---- the tables (KeybdInit and KeybdFinish make and free them)
bool KeyTableInit();
void KeyTableFree();  // deletes every key first
bool ColorSetTableInit();
void ColorSetTableFree();  // deletes every colour set first

// The record at a valid index, or null (invalid index, empty slot, no table).
KeyRecord* GetKey(int32_t k);
ColorSet* GetColorSet(int32_t c);

// ---- operations
int32_t CreateKey(int32_t type, int32_t parent, uint32_t x, uint32_t y, uint32_t cx, uint32_t cy,
                  int32_t id, const char* name, const char* onfocus, const char* onunfocus,
                  const char* onselect, const char* onunselect, const char* onselected,
                  int32_t colorSet, int32_t visible);
void DeleteKey(int32_t k);
void DeleteAllKeys();
int DeleteChildKeys(int32_t k);
int SetKeyText(int32_t k, const char* text);
int32_t CreateColorSet(int32_t id, os::Colour normal, os::Colour focus, os::Colour select,
                       os::Colour fnormal, os::Colour ffocus, os::Colour fselect,
                       os::Colour tnormal, os::Colour tfocus, os::Colour tselect);
int32_t FindKeyById(int32_t id);
int32_t FindColorSetById(int32_t id);
int32_t FindKeyByWindow(os::Window w);

// ---- walks (index order over the valid indexes; an empty slot counts as parent 0)
int32_t ParentOf(int32_t k);
int32_t FirstChild(int32_t p);
int32_t NextSibling(int32_t k);
int32_t NextScanSibling(int32_t k);
int32_t NextVisibleSibling(int32_t k);
int32_t FirstVisibleChild(int32_t p);
bool IsVisibleKey(int32_t k);

// ---- windows and layout (key_window.cpp)
os::Rect LayoutKeyRect(int32_t k, int32_t parent);
int FitToChildren(int32_t k);
int ShowKey(int32_t k);
int HideKey(int32_t k);
// The same, for keys that are shown and hidden again and again (pages): a hidden key's
// windows are kept, hidden, and given back when it is shown, instead of being destroyed
// and made anew each time.
int ShowKeyForLater(int32_t k);
// Destroys the window a hide kept for the key, if it still exists.
void DropKeptWindow(KeyRecord* key);
int HideKeyForLater(int32_t k);
int32_t KeyAtPoint(os::Window w, int x, int y);
int32_t KeyUnderCursor();
// Makes the window of a visible key whose parent has one (nothing otherwise).
void MakeKeyWindow(int32_t k);
bool RegisterKeyWindowClass(os::Instance instance);
// Relayout after the main window changed size: new metrics, then key 1's subtree
// rebuilt. The keyboard link calls it on WM_SIZE.
void KeybdRelayout(os::Window mainWindow);
// The key windows' procedure: painting and erasing here, pointer and switch
// messages with scanning.
os::LRESULT KeybdKeyProc(os::Window w, os::UINT message, os::WPARAM wParam, os::LPARAM lParam);

}  // namespace mivo
