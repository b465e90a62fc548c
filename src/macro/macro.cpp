// The macro processor.
//
// A macro text is a line of «Word(argument)» commands. Each run parses its own copy,
// so a command may free or change the text it came from (a key reload, a learned
// entry) while the run goes on. Runs nest through SendToMain; only the pending slot
// is shared between them.
#include "macro/macro.h"

#include <utility>

#include "base/bus.h"
#include "base/commands.h"
#include "base/log.h"
#include "base/messages.h"
#include "base/scoped.h"
#include "base/text.h"
#include "macro/app_commands.h"
#include "macro/state.h"

namespace mivo {

const CommandEntry CommandTable[COMMAND_COUNT] = {
    {"TranslateP", MM_IME_COMMAND, IC_TRANSLATE_P},
    {"TranslateW", MM_IME_COMMAND, IC_TRANSLATE_W},
    {"TranslateI", MM_IME_COMMAND, IC_TRANSLATE_I},
    {"TranslateD", MM_IME_COMMAND, IC_TRANSLATE_D},
    {"PTranslateP", MM_PREDICT_COMMAND, PC_P_TRANSLATE_P},
    {"PTranslateW", MM_PREDICT_COMMAND, PC_P_TRANSLATE_W},
    {"PTranslateI", MM_PREDICT_COMMAND, PC_P_TRANSLATE_I},
    {"PTranslateD", MM_PREDICT_COMMAND, PC_P_TRANSLATE_D},
    {"DirectPhrase", MM_APP_COMMAND, CMD_DIRECT_PHRASE},
    {"AddRead", MM_IME_COMMAND, IC_ADD_READ},
    {"Direct", MM_APP_COMMAND, CMD_DIRECT},
    {"Lock", MM_KEYBOARD_COMMAND, KC_LOCK},
    {"LockSlow", MM_KEYBOARD_COMMAND, KC_LOCK_SLOW},
    {"LockQuick", MM_KEYBOARD_COMMAND, KC_LOCK_QUICK},
    {"Process", MM_APP_COMMAND, CMD_PROCESS},
    {"Kill", MM_APP_COMMAND, CMD_KILL},
    {"Wait", MM_APP_COMMAND, CMD_WAIT},
    {"ReleaseSpecialKeys", MM_APP_COMMAND, CMD_RELEASE_SPECIAL_KEYS},
    {"ReleaseAltKeys", MM_APP_COMMAND, CMD_RELEASE_ALT_KEYS},
    {"LoadCfgC", MM_KEYBOARD_COMMAND, KC_LOAD_CFG_C},
    {"LoadCfgNc", MM_KEYBOARD_COMMAND, KC_LOAD_CFG_NC},
    {"LoadSetting", MM_APP_COMMAND, CMD_LOAD_SETTING},
    {"GetAllCandidates", MM_IME_COMMAND, IC_GET_ALL_CANDIDATES},
    {"GetImeCandidates", MM_IME_COMMAND, IC_GET_IME_CANDIDATES},
    {"ResetCounter", MM_APP_COMMAND, CMD_RESET_COUNTER},
    {"RegisterWord", MM_IME_COMMAND, IC_REGISTER_WORD},
    {"MivoQuit", MM_APP_COMMAND, CMD_MIVO_QUIT},
    {"GoHome", MM_KEYBOARD_COMMAND, KC_GO_HOME},
    {"GoKeyboard", MM_KEYBOARD_COMMAND, KC_GO_KEYBOARD},
    {"GoYosoku", MM_KEYBOARD_COMMAND, KC_GO_YOSOKU},
    {"GoPYosoku", MM_KEYBOARD_COMMAND, KC_GO_PYOSOKU},
    {"ToggleAutoScan", MM_KEYBOARD_COMMAND, KC_TOGGLE_AUTO_SCAN},
    {"NextCandidates", MM_IME_COMMAND, IC_NEXT_CANDIDATES},
    {"PreviousCandidates", MM_IME_COMMAND, IC_PREVIOUS_CANDIDATES},
    {"PNextCandidates", MM_PREDICT_COMMAND, PC_P_NEXT_CANDIDATES},
    {"PPreviousCandidates", MM_PREDICT_COMMAND, PC_P_PREVIOUS_CANDIDATES},
    {"Hide", MM_KEYBOARD_COMMAND, KC_HIDE},
    {"Show", MM_KEYBOARD_COMMAND, KC_SHOW},
    {"SmallKana", MM_IME_COMMAND, IC_SMALL_KANA},
    {"SetKeyboard", MM_KEYBOARD_COMMAND, KC_SET_KEYBOARD},
    {"SetYosoku", MM_KEYBOARD_COMMAND, KC_SET_YOSOKU},
    {"SetPYosoku", MM_KEYBOARD_COMMAND, KC_SET_PYOSOKU},
    {"SetHome", MM_KEYBOARD_COMMAND, KC_SET_HOME},
    {"ClearRead", MM_IME_COMMAND, IC_CLEAR_READ},
    {"SetFocus", MM_KEYBOARD_COMMAND, KC_SET_FOCUS},
    {"SelectKey", MM_KEYBOARD_COMMAND, KC_SELECT_KEY},
    {"Mouse", MM_APP_COMMAND, CMD_MOUSE},
};

namespace {

bool IsBlank(char c) {
  const unsigned char b = static_cast<unsigned char>(c);
  return b >= 1 && b <= 32;
}

const char* SkipBlanks(const char* p) {
  while (IsBlank(*p)) ++p;
  return p;
}

// Copies [from, to) into `out` as a NUL-terminated text.
void CopySpan(char* out, const char* from, const char* to) {
  while (from < to) *out++ = *from++;
  *out = '\0';
}

// Reads a "(...)" argument that starts at `p` (just after "(" and its blanks) into
// `out`, undoing the "%" escapes; answers where the text goes on.
const char* ReadArgument(const char* p, char* out) {
  while (*p != '\0') {
    if (*p == ')') {
      *out = '\0';
      return p + 1;
    }
    if (*p == '%') {
      // An escaped ")" that ends the whole text still closes the list, so such a
      // text does not leave its command without an end.
      if (p[1] == ')' && p[2] == '\0') {
        *out = '\0';
        return p + 2;
      }
      ++p;
      if (*p == '\0') break;  // a lone "%" at the end is dropped
    }
    *out++ = *p++;
  }
  *out = '\0';
  return p;
}

}  // namespace

const CommandEntry* FindCommand(const char* word) {
  if (word == nullptr) return nullptr;
  for (const CommandEntry& entry : CommandTable) {
    if (TextEqual(entry.word, word)) return &entry;
  }
  return nullptr;
}

os::LRESULT RunCommand(const char* word, const char* argument) {
  if (word == nullptr) return 0;
  if (const CommandEntry* entry = FindCommand(word)) {
    return SendToMain(entry->message, entry->code, reinterpret_cast<os::LPARAM>(argument));
  }
  if (argument != nullptr && TextEqual(word, "Command")) return RunCommandList(argument);
  return 0;
}

os::LRESULT RunCommandList(const char* text) {
  if (text == nullptr) return 0;
  // «Command[Command[...» nests lists within one text; it shares the bound of runs.
  if (macroState.macroDepth >= MAX_MACRO_DEPTH) return 0;
  const size_t length = TextLength(text);
  // One scratch block for the word and the argument of the command at hand; neither
  // can be longer than the list itself.
  OwnedText scratch(static_cast<char*>(MemAlloc(2 * (length + 1))));
  if (!scratch) return 0;
  char* word = scratch.Get();
  char* argument = word + length + 1;
  ++macroState.macroDepth;

  os::LRESULT result = 0;
  const char* p = text;
  for (;;) {
    p = SkipBlanks(p);
    if (*p == '\0') break;
    const char* start = p;
    while (*p != '\0' && !IsBlank(*p) && *p != '[') ++p;
    CopySpan(word, start, p);
    p = SkipBlanks(p);
    const char* arg = nullptr;
    if (*p == '[') {
      p = SkipBlanks(p + 1);
      start = p;
      while (*p != '\0' && !IsBlank(*p) && *p != ']') ++p;
      CopySpan(argument, start, p);
      if (*p == ']') ++p;
      arg = argument;
    }
    result = RunCommand(word, arg);
  }
  --macroState.macroDepth;
  return result;
}

int RunMacro(const char* text) {
  if (text == nullptr || *text == '\0') return 0;
  // A macro that runs itself through key events or predictions would otherwise
  // recurse until the stack overflows; the run at the bound does nothing.
  if (macroState.macroDepth >= MAX_MACRO_DEPTH) return 0;

  const OwnedText copy(TextDuplicate(text));
  if (!copy) return 0;
  const size_t length = TextLength(copy.Get());
  OwnedText scratch(static_cast<char*>(MemAlloc(2 * (length + 1))));
  if (!scratch) return 0;
  char* word = scratch.Get();
  char* argument = word + length + 1;
  WriteLog("ProcessMacro", copy.Get());
  ++macroState.macroDepth;

  os::LRESULT result = 0;
  const char* p = copy.Get();
  for (;;) {
    p = SkipBlanks(p);
    if (*p == '\0') break;
    const char* start = p;
    while (*p != '\0' && !IsBlank(*p) && *p != '(') ++p;
    CopySpan(word, start, p);
    p = SkipBlanks(p);
    const char* arg = nullptr;
    if (*p == '(') {
      p = ReadArgument(SkipBlanks(p + 1), argument);
      arg = argument;
    }
    os::LRESULT r = RunCommand(word, arg);
    if (r == RESULT_START_LOCK) {
      MemFree(macroState.pendingMacro);
      macroState.pendingMacro = TextDuplicate(p);
      break;
    }
    if (r == RESULT_END_LOCK) r = RunPendingMacro();
    if (r != 0) result = r;
  }

  --macroState.macroDepth;
  return static_cast<int>(result);
}

int RunPendingMacro() {
  if (macroState.pendingMacro == nullptr) return 0;
  const OwnedText text(std::exchange(macroState.pendingMacro, nullptr));
  return RunMacro(text.Get());
}

void ReleasePendingMacro() {
  MemFree(macroState.pendingMacro);
  macroState.pendingMacro = nullptr;
}

os::LRESULT MacroMainProc(os::Window, os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  switch (message) {
    case MM_RUN_MACRO:
      if (wParam == 0) return NOT_MINE;
      RunMacro(reinterpret_cast<const char*>(wParam));
      return HANDLED;  // the macro's own result is not the sender's business
    case MM_APP_COMMAND:
      return RunAppCommand(wParam, reinterpret_cast<const char*>(lParam));
    default:
      return NOT_MINE;
  }
}

MacroState macroState;

void ResetMacroState() {
  MemFree(macroState.pendingMacro);
  macroState = MacroState{};
}

}  // namespace mivo
