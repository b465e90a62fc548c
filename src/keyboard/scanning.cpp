// Switch scanning: the marks, the scan state and its moves, the lock, the switch poll
// and the keyboard link.
#include "keyboard/scanning.h"

#include "base/bus.h"
#include "base/log.h"
#include "base/messages.h"
#include "base/settings.h"
#include "base/text.h"
#include "keyboard/key_tree.h"
#include "keyboard/keyboard.h"
#include "keyboard/keyboard_commands.h"
#include "keyboard/painting.h"
#include "keyboard/state.h"
#include "macro/injection.h"

namespace mivo {

namespace {

// How many one-key groups in a row may select their key by themselves. A real tree is
// never deeper than the key table; only a parent cycle left by slot reuse gets here.
constexpr int32_t MAX_AUTO_SELECTIONS = KEY_TABLE_SIZE;

// A tabbed container hands the focus on to its shown page: the first child that is not
// hidden, walking by scan siblings.
int32_t ShownPage(int32_t container) {
  int32_t c = FirstChild(container);
  while (c != 0 && !IsVisibleKey(c)) c = NextScanSibling(c);
  return c;
}

// Marks a key may carry: an existing, non-inert key.
KeyRecord* MarkableKey(int32_t k) {
  KeyRecord* key = GetKey(k);
  return key && key->type != KT_INERT ? key : nullptr;
}

bool HoldsScannableKey(int32_t k) { return MarkableKey(k) != nullptr; }

bool IsPage(int32_t k) {
  const KeyRecord* key = GetKey(k);
  return key && key->type == KT_PAGE;
}

void PostKeyEvent(int32_t k, os::LPARAM event) {
  PostToMain(MM_KEY_EVENT, static_cast<os::WPARAM>(k), event);
}

bool LockRuns() { return keyboardState.LockedKey != 0; }

void EndLock() {
  keyboardState.LockedKey = 0;
  MemFree(keyboardState.LockText);
  keyboardState.LockText = nullptr;
}

bool ValidIndex(int32_t k) { return k >= 1 && k <= keyboardState.KeyCount; }

// "label<TAB>id" for the log; the id of a key that is gone is 0.
void LogWithKeyId(const char* event, const char* label, int32_t k) {
  const KeyRecord* key = GetKey(k);
  int64_t id = key ? key->id : 0;
  char digits[24];
  int n = 0;
  const bool negative = id < 0;
  if (negative) id = -id;
  do {
    digits[n++] = static_cast<char>('0' + id % 10);
    id /= 10;
  } while (id != 0);
  char text[64];
  size_t at = 0;
  for (; label[at] != '\0' && at < sizeof(text) - sizeof(digits) - 2; ++at) text[at] = label[at];
  text[at++] = '\t';
  if (negative) text[at++] = '-';
  while (n > 0) text[at++] = digits[--n];
  text[at] = '\0';
  WriteLog(event, text);
}

void Beep() {
  if (settings.BeepMode) os::MessageBeep(0xFFFFFFFF);
}

int ActivateKeyAt(int32_t k) {
  KeyRecord* key = MarkableKey(k);
  if (!key) return 0;
  PostToMain(MM_KEY_SELECTED, static_cast<os::WPARAM>(k), 0);
  // Selecting a tab shows its page.
  if (key->type == KT_PAGE && (key->flags & KF_HIDDEN)) ShowKey(k);
  return 1;
}

}  // namespace

void ResetScanState() {
  keyboardState.CurrentKey = keyboardState.HomeKey = keyboardState.StartKey =
      keyboardState.KeyboardKey = 0;
  EndLock();
  keyboardState.TickCount = keyboardState.GroupRounds = keyboardState.RefocusOnce =
      keyboardState.SwitchHeld = 0;
  keyboardState.autoSelections = 0;
}

// ---------------------------------------------------------------- marks

int SetFocusFlags(int32_t k) {
  KeyRecord* key = GetKey(k);
  if (!key) return 0;
  if (key->type == KT_INERT) {
    // Nothing to mark, but the inert key is still redrawn in its normal colours.
    PostToMain(MM_KEY_REPAINT, static_cast<os::WPARAM>(k), 0);
    return 0;
  }
  if (key->type == KT_CONTAINER) {
    int32_t page = ShownPage(k);
    if (page != 0 && page != k) SetFocusFlags(page);
    key = GetKey(k);
    if (!key) return 0;
  }
  if (key->flags & KF_FOCUS) return 0;
  key->flags |= KF_FOCUS;
  PostKeyEvent(k, KE_FOCUS);
  if (key->parent != 0 && key->parent != k) SetFocusFlags(key->parent);
  return 1;
}

int ClearFocusFlags(int32_t k) {
  KeyRecord* key = MarkableKey(k);
  if (!key) return 0;
  if (key->type == KT_CONTAINER) {
    int32_t page = ShownPage(k);
    if (page != 0 && page != k) ClearFocusFlags(page);
    key = GetKey(k);
    if (!key) return 0;
  }
  if (!(key->flags & KF_FOCUS)) return 0;
  key->flags &= ~KF_FOCUS;
  PostKeyEvent(k, KE_UNFOCUS);
  if (key->parent != 0 && key->parent != k) ClearFocusFlags(key->parent);
  return 1;
}

int SetSelectFlags(int32_t k) {
  KeyRecord* key = MarkableKey(k);
  if (!key || (key->flags & KF_SELECT)) return 0;
  key->flags |= KF_SELECT;
  PostKeyEvent(k, KE_SELECT_MARK);
  if (key->parent != 0 && key->parent != k) SetSelectFlags(key->parent);
  return 1;
}

int ClearSelectFlags(int32_t k) {
  KeyRecord* key = MarkableKey(k);
  if (!key || !(key->flags & KF_SELECT)) return 0;
  key->flags &= ~KF_SELECT;
  PostKeyEvent(k, KE_UNSELECT_MARK);
  if (key->parent != 0 && key->parent != k) ClearSelectFlags(key->parent);
  return 1;
}

// ---------------------------------------------------------------- roles

void SetHomeKey(int32_t k) {
  if (ValidIndex(k)) keyboardState.HomeKey = k;
}
void SetStartKey(int32_t k) {
  if (ValidIndex(k)) keyboardState.StartKey = k;
}
void SetKeyboardKey(int32_t k) {
  if (ValidIndex(k)) keyboardState.KeyboardKey = k;
}

// ---------------------------------------------------------------- scanning

os::LRESULT RunKeyEvent(int32_t k, os::LPARAM code) {
  const KeyRecord* key = GetKey(k);
  if (!key) return 0;
  const char* text = nullptr;
  if (code == KE_SELECTED) {
    text = key->onselected;
  } else {
    // Only a change that has not been drawn yet fires its event.
    if (key->flags == key->paintedFlags) return 0;
    const bool focus = key->flags & KF_FOCUS, paintedFocus = key->paintedFlags & KF_FOCUS;
    const bool select = key->flags & KF_SELECT, paintedSelect = key->paintedFlags & KF_SELECT;
    if (code == KE_FOCUS && focus && !paintedFocus) {
      text = key->onfocus;
    } else if (code == KE_UNFOCUS && !focus && paintedFocus) {
      text = key->onunfocus;
    } else if (code == KE_SELECT_MARK && select && !paintedSelect) {
      text = key->onselect;
    } else if (code == KE_UNSELECT_MARK && !select && paintedSelect) {
      text = key->onunselect;
    } else {
      return 0;
    }
  }
  if (keyboardState.hooks.recordMacroRun) keyboardState.hooks.recordMacroRun(text);
  return SendToMain(MM_RUN_MACRO, reinterpret_cast<os::WPARAM>(text), 0);
}

int32_t FocusKey(int32_t k) {
  // Focus given to an inert key, or to an index without a key, goes to the nearest
  // ancestor that can take it (bounded: a parent cycle must not hang the climb).
  for (int32_t climbs = 0; k != 0 && !HoldsScannableKey(k); ++climbs) {
    k = climbs < KEY_TABLE_SIZE ? ParentOf(k) : 0;
  }
  if (k != keyboardState.CurrentKey) {
    ClearFocusFlags(keyboardState.CurrentKey);
    ClearSelectFlags(keyboardState.CurrentKey);
  }
  keyboardState.CurrentKey = k;
  if (LockRuns() && k != keyboardState.LockedKey) PostToMain(MM_LOCK, 0, 0);
  SetFocusFlags(keyboardState.CurrentKey);
  return keyboardState.CurrentKey;
}

void ScanStep() {
  if (LockRuns()) {
    keyboardState.CurrentKey = keyboardState.LockedKey;
    SetFocusFlags(keyboardState.CurrentKey);
    return;
  }
  if (keyboardState.CurrentKey == 0) {
    keyboardState.CurrentKey = keyboardState.HomeKey;
    SetFocusFlags(keyboardState.CurrentKey);
    return;
  }
  const int32_t from = keyboardState.CurrentKey;
  ClearSelectFlags(keyboardState.CurrentKey);
  ClearFocusFlags(keyboardState.CurrentKey);
  // Every end of a group either lands on a visible key or goes home; going home a third
  // time in one step means no visible key can be reached, so the step ends there and
  // the focus stays where it was instead of the walk going round for ever. (The walk
  // limit only guards against parent cycles left by reused slots.)
  int returnsHome = 0;
  for (int32_t walked = 0;; ++walked) {
    if (walked > 8 * KEY_TABLE_SIZE) {
      keyboardState.CurrentKey = from;
      break;
    }
    int32_t n = NextScanSibling(keyboardState.CurrentKey);
    if (n != 0) {
      keyboardState.CurrentKey = n;
    } else if (IsPage(keyboardState.CurrentKey) &&
               (n = NextSibling(keyboardState.CurrentKey)) != 0) {
      keyboardState.CurrentKey = n;  // the tabs are scanned page by page, hidden pages included
    } else if (IsPage(ParentOf(keyboardState.CurrentKey)) &&
               (n = FirstChild(ParentOf(ParentOf(keyboardState.CurrentKey)))) != 0) {
      keyboardState.CurrentKey = n;  // after the last key of a page the scan moves to the tabs
    } else {
      ++keyboardState.GroupRounds;
      if (keyboardState.GroupRounds < settings.TimerSameGroup) {
        n = FirstVisibleChild(ParentOf(keyboardState.CurrentKey));
        if (IsPage(keyboardState.CurrentKey))
          n = FirstVisibleChild(n);  // from the tabs back into the shown page
      } else {
        ClearFocusFlags(keyboardState.CurrentKey);
        n = keyboardState.HomeKey;
        keyboardState.TickCount = settings.TimerWait;
        keyboardState.GroupRounds = 0;
      }
      if (!HoldsScannableKey(n)) n = keyboardState.HomeKey;
      if (n == keyboardState.HomeKey && ++returnsHome >= 3) {
        keyboardState.CurrentKey = from;
        break;
      }
      if (n != 0) keyboardState.CurrentKey = n;
    }
    if (IsVisibleKey(keyboardState.CurrentKey) || IsPage(keyboardState.CurrentKey)) break;
  }
  SetFocusFlags(keyboardState.CurrentKey);
}

void SwitchDown() {
  SetSelectFlags(keyboardState.CurrentKey);
  RepaintIfChanged(keyboardState.CurrentKey);
}

int ActivateKey(int32_t k) {
  keyboardState.autoSelections = 0;
  return ActivateKeyAt(k);
}

void SwitchUp() {
  if (settings.TimerFlag) {
    if (keyboardState.CurrentKey != 0) {
      ActivateKey(keyboardState.CurrentKey);
      return;
    }
    if (!settings.MouseOnScan) return;
  }
  const int32_t k = KeyUnderCursor();
  if (k != 0) FocusKey(k);
  ActivateKey(keyboardState.CurrentKey);
  if (LockRuns() && keyboardState.CurrentKey != keyboardState.LockedKey) EndLock();
}

void AfterSelect(int32_t k) {
  keyboardState.TickCount = settings.TimerWait;
  keyboardState.GroupRounds = 0;
  if (k != keyboardState.CurrentKey) return;
  if (keyboardState.RefocusOnce) {
    keyboardState.RefocusOnce = 0;
    SetFocusFlags(keyboardState.CurrentKey);
    return;
  }
  if (keyboardState.CurrentKey != 0) {
    ClearFocusFlags(keyboardState.CurrentKey);
    ClearSelectFlags(keyboardState.CurrentKey);
    const int32_t child = FirstVisibleChild(keyboardState.CurrentKey);
    if (child != 0) {
      FocusKey(child);
      // A focus that climbed back to the selected key itself (its first child is inert)
      // did not enter the group: selecting it again would repeat for ever.
      if (keyboardState.CurrentKey != k && NextVisibleSibling(keyboardState.CurrentKey) == 0 &&
          keyboardState.autoSelections < MAX_AUTO_SELECTIONS) {
        ++keyboardState.autoSelections;
        ActivateKeyAt(keyboardState.CurrentKey);  // a group with one key selects it at once
      }
    } else if (!settings.TimerFlag || LockRuns()) {
      FocusKey(keyboardState.CurrentKey);
    } else {
      FocusKey(keyboardState.HomeKey);
    }
  }
  LogWithKeyId("AfterSelected", "End", keyboardState.CurrentKey);
}

void TimerTick() {
  ++keyboardState.TickCount;
  if (LockRuns()) {
    if (keyboardState.TickCount > settings.LockInterval) {
      keyboardState.TickCount = 0;
      Beep();
      LogWithKeyId("TIMER", "LockAction", keyboardState.LockedKey);
      DirectKey(keyboardState.LockText, 0);
    }
  } else if (settings.TimerFlag && keyboardState.TickCount > settings.TimerInterval) {
    keyboardState.TickCount = 0;
    Beep();
    PostToMain(MM_SCAN_STEP, 0, 0);
  }
}

os::LRESULT LockToggle(const char* text) {
  if (LockRuns()) {
    EndLock();
    return RESULT_END_LOCK;
  }
  if (text == nullptr) return 0;
  keyboardState.TickCount = 0;
  keyboardState.LockedKey = keyboardState.CurrentKey;
  MemFree(keyboardState.LockText);
  keyboardState.LockText = TextDuplicate(text);
  DirectKey(keyboardState.LockText, 0);
  return RESULT_START_LOCK;
}

int KeybdProcessLoop() {
  // Any bit counts: down now, or pressed since the last query.
  if (os::GetAsyncKeyState(settings.PressKey) != 0) {
    keyboardState.SwitchHeld = 1;
    SwitchDown();
  } else if (keyboardState.SwitchHeld) {
    keyboardState.SwitchHeld = 0;
    SwitchUp();
  }
  return 0;
}

os::LRESULT KeybdMainProc(os::Window w, os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  // A wParam beyond any index names no key (-1), rather than being cut down to one.
  const int32_t key =
      wParam <= static_cast<os::WPARAM>(KEY_TABLE_SIZE) ? static_cast<int32_t>(wParam) : -1;
  switch (message) {
    case os::WM_SIZE:
      KeybdRelayout(w);  // fonts, the docked edge and the key layout follow the new size
      return NOT_MINE;
    case os::WM_TIMER:
      TimerTick();
      return NOT_MINE;
    case MM_APPBAR:
      if (keyboardState.hooks.appBarNotify) keyboardState.hooks.appBarNotify(w, wParam, lParam);
      return 0;
    case MM_AFTER_SELECT:
      AfterSelect(key);
      return HANDLED;
    case MM_KEY_EVENT:
      if (wParam != 0 && lParam != 0) RunKeyEvent(key, lParam);
      PostToMain(MM_KEY_REPAINT, wParam, 0);
      return HANDLED;
    case MM_KEY_SELECTED:
      CountEvent(COUNT_SELECTION, 0);
      PostToMain(MM_AFTER_SELECT, wParam, 0);
      if (key != 0) RunKeyEvent(key, KE_SELECTED);
      PostToMain(MM_KEY_REPAINT, wParam, 0);
      return HANDLED;
    case MM_GO_HOME:
      FocusKey(keyboardState.HomeKey);
      return HANDLED;
    case MM_GO_KEYBOARD:
      FocusKey(keyboardState.KeyboardKey);
      return HANDLED;
    case MM_GO_START:
      FocusKey(keyboardState.StartKey);
      return HANDLED;
    case MM_SCAN_STEP:
      ScanStep();
      return HANDLED;
    case MM_KEY_REPAINT:
      RepaintIfChanged(key);
      return HANDLED;
    case MM_SET_HOME:
      SetHomeKey(key);
      return HANDLED;
    case MM_SET_START:
      SetStartKey(key);
      return HANDLED;
    case MM_SET_KEYBOARD:
      SetKeyboardKey(key);
      return HANDLED;
    case MM_LOCK:
      return LockToggle(reinterpret_cast<const char*>(wParam));
    case MM_LOCK_REPEAT:
      if (LockRuns()) DirectKey(keyboardState.LockText, 0);
      return HANDLED;
    case MM_KEYBOARD_COMMAND:
      return KeybdMacro(wParam, reinterpret_cast<const char*>(lParam));
    default:
      return NOT_MINE;
  }
}

}  // namespace mivo
