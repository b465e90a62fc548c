// Everything the keyboard changes while the program runs, in one place, so that one
// call puts back what a fresh start finds.
#pragma once

#include <cstdint>
#include <unordered_map>

#include "keyboard/keyboard_file.h"
#include "platform/os.h"
#include "platform/scoped.h"

namespace mivo {

struct KeyRecord;
struct ColorSet;

// What the parts above the keyboard plug into it; each hook may be null, and then the
// keyboard does without.
struct KeyboardHooks {
  // Prediction learns every key action before it runs.
  void (*recordMacroRun)(const char* text);
  // The shell keeps the bar docked when the keyboard changes size or the shell says so.
  int (*appBarNotify)(os::Window mainWindow, os::WPARAM code, os::LPARAM argument);
  // The candidate keys let unset next and previous templates take the conversion
  // template before each colour set of a keyboard file is made.
  void (*defaultTemplates)();
};

struct KeyboardState {
  KeyboardHooks hooks{};

  // The key tree: slot k lives at keyTable[k - 1]; colour sets likewise.
  KeyRecord** keyTable = nullptr;
  ColorSet** colorSetTable = nullptr;
  int32_t KeyCount = 0;
  int32_t ColorSetCount = 0;
  // Kept beside the table so that reading a keyboard of n keys is not n² (every key
  // looks up its own id and its parent's): the lowest slot that may be free (all below
  // it are taken), and for each id present the lowest slot that holds it.
  int32_t freeSlotHint = 1;
  std::unordered_map<int32_t, int32_t> slotOfId;
  uint32_t LayoutWidth = 0;
  uint32_t LayoutHeight = 0;
  uint32_t HeightScale = 10000;
  // The main window is the bus's (GetMainWindow); the keyboard keeps only the instance.
  os::Instance instance = nullptr;
  bool classRegistered = false;
  int relayoutDepth = 0;
  // Until the main window has its final size, keys get their rectangles but no windows;
  // the counts rank the windows they would have had below and above the rest.
  bool windowsLater = false;
  uint32_t laterBelow = 0;
  uint32_t laterAbove = 0;
  bool keepWindows = false;  // HideKey keeps the windows of the subtree instead of destroying them

  // Painting: the one key font, remade by each UpdateMetrics, and how it was sized.
  OwnedFont KeyFont;
  uint32_t FontScale = 1000;
  uint32_t FontHeight = 0;

  // Reading keyboard files: the names being read, outermost first, and the loads left
  // for the outermost read.
  int loadDepth = 0;
  const char* loadChain[KEYBOARD_LOAD_DEPTH_LIMIT + 1] = {};
  int loadsLeft = 0;

  // Scanning (key indexes; 0 = none).
  int32_t CurrentKey = 0;    // the key that has the scan focus
  int32_t HomeKey = 0;       // where the scan returns
  int32_t StartKey = 0;      // focused when the keyboard has started
  int32_t KeyboardKey = 0;   // the GoKeyboard target
  int32_t LockedKey = 0;     // a lock runs while this is not 0
  char* LockText = nullptr;  // owned copy of the key name a lock repeats, or null
  int32_t TickCount = 0;     // timer ticks since the last scan action (may be negative)
  int32_t GroupRounds = 0;   // ends of the current group reached
  int32_t RefocusOnce = 0;   // the selection that switched scanning off keeps its focus
  int32_t SwitchHeld = 0;    // the switch was down at the last poll
  int32_t autoSelections = 0;
};
extern KeyboardState keyboardState;

// Frees the keys, colour sets, font, window class and lock text, then puts every value back,
// the hooks too.
void ResetKeyboardState();

}  // namespace mivo
