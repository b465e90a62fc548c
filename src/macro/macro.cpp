// The macro processor.
//
// A macro text is a line of «Word(argument)» commands. Each run parses its own copy,
// so a command may free or change the text it came from (a key reload, a learned
// entry) while the run goes on. Runs nest through SendToMain; only the pending slot
// is shared between them.
#include "macro/macro.h"

#include <utility>

#include "base/bus.h"
#include "base/log.h"
#include "base/messages.h"
#include "base/scoped.h"
#include "base/text.h"
#include "macro/app_commands.h"
#include "macro/state.h"

namespace mivo {

const CommandEntry CommandTable[COMMAND_COUNT] = {
    {"TranslateP", MM_IME_COMMAND, 1030},
    {"TranslateW", MM_IME_COMMAND, 1031},
    {"TranslateI", MM_IME_COMMAND, 1029},
    {"TranslateD", MM_IME_COMMAND, 1028},
    {"PTranslateP", MM_PREDICT_COMMAND, 771},
    {"PTranslateW", MM_PREDICT_COMMAND, 772},
    {"PTranslateI", MM_PREDICT_COMMAND, 770},
    {"PTranslateD", MM_PREDICT_COMMAND, 769},
    {"DirectPhrase", MM_APP_COMMAND, 258},
    {"AddRead", MM_IME_COMMAND, 1025},
    {"Direct", MM_APP_COMMAND, 257},
    {"Lock", MM_KEYBOARD_COMMAND, 545},
    {"LockSlow", MM_KEYBOARD_COMMAND, 546},
    {"LockQuick", MM_KEYBOARD_COMMAND, 547},
    {"Process", MM_APP_COMMAND, 264},
    {"Kill", MM_APP_COMMAND, 259},
    {"Wait", MM_APP_COMMAND, 266},
    {"ReleaseSpecialKeys", MM_APP_COMMAND, 265},
    {"ReleaseAltKeys", MM_APP_COMMAND, 268},
    {"LoadCfgC", MM_KEYBOARD_COMMAND, 513},
    {"LoadCfgNc", MM_KEYBOARD_COMMAND, 514},
    {"LoadSetting", MM_APP_COMMAND, 260},
    {"GetAllCandidates", MM_IME_COMMAND, 1026},
    {"GetImeCandidates", MM_IME_COMMAND, 1027},
    {"ResetCounter", MM_APP_COMMAND, 274},
    {"RegisterWord", MM_IME_COMMAND, 1044},
    {"MivoQuit", MM_APP_COMMAND, 273},
    {"GoHome", MM_KEYBOARD_COMMAND, 529},
    {"GoKeyboard", MM_KEYBOARD_COMMAND, 530},
    {"GoYosoku", MM_KEYBOARD_COMMAND, 532},
    {"GoPYosoku", MM_KEYBOARD_COMMAND, 531},
    {"ToggleAutoScan", MM_KEYBOARD_COMMAND, 540},
    {"NextCandidates", MM_IME_COMMAND, 1042},
    {"PreviousCandidates", MM_IME_COMMAND, 1043},
    {"PNextCandidates", MM_PREDICT_COMMAND, 785},
    {"PPreviousCandidates", MM_PREDICT_COMMAND, 786},
    {"Hide", MM_KEYBOARD_COMMAND, 533},
    {"Show", MM_KEYBOARD_COMMAND, 538},
    {"SmallKana", MM_IME_COMMAND, 1045},
    {"SetKeyboard", MM_KEYBOARD_COMMAND, 535},
    {"SetYosoku", MM_KEYBOARD_COMMAND, 537},
    {"SetPYosoku", MM_KEYBOARD_COMMAND, 536},
    {"SetHome", MM_KEYBOARD_COMMAND, 534},
    {"ClearRead", MM_IME_COMMAND, 1041},
    {"SetFocus", MM_KEYBOARD_COMMAND, 541},
    {"SelectKey", MM_KEYBOARD_COMMAND, 542},
    {"Mouse", MM_APP_COMMAND, 269},
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
      return -1;  // the macro's own result is not the sender's business
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
