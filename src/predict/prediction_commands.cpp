#include "predict/prediction_commands.h"

#include "base/bus.h"
#include "base/commands.h"
#include "base/settings.h"
#include "base/text.h"
#include "macro/injection.h"
#include "predict/operations.h"
#include "predict/state.h"

namespace mivo {
namespace {

void RunMacro(const char* macroText) {
  SendToMain(MM_RUN_MACRO, reinterpret_cast<os::WPARAM>(macroText), 0);
}

void AskForFirstPage() { PostToMain(MM_PREDICT_CANDIDATES, 0, 0); }

// The four PTranslate letters only tell the candidate's kind; all of them run the
// operation now, learn it, and ask for a fresh first page under the new recent text.
void ChooseCandidate(const char* argument) {
  ReleaseLatchedModifiers();
  if (argument == nullptr) return;
  char* key = TextDuplicate(argument);
  if (key == nullptr) return;
  const char* name = "";
  for (char* p = key; *p != '\0'; ++p) {
    if (*p == '\t') {
      *p = '\0';
      name = p + 1;
      break;
    }
  }
  char* macroText = FindMacro(key);
  RunMacro(macroText);
  MemFree(macroText);
  LearnOperation(key, name);
  MemFree(key);
  AskForFirstPage();
}

void DeliverCandidates(os::WPARAM skip) {
  const char* recent = ActiveRecentText();
  const uint32_t length = recent != nullptr ? static_cast<uint32_t>(TextLength(recent)) : 0;
  const uint32_t capacity =
      settings.MaxCandidates > 0 ? static_cast<uint32_t>(settings.MaxCandidates) : 0;
  CandidateList* list = PredictSearch(recent, length, capacity, static_cast<uint32_t>(skip));
  SendToMain(MM_SHOW_PREDICT_CANDIDATES, reinterpret_cast<os::WPARAM>(list), 0);
  CandidateListFree(list);
}

}  // namespace

int PredictionInit() { return PredictionOpen(); }

void PredictionFinish() {
  MemFree(predictState.lastClass);
  predictState.lastClass = nullptr;
  PredictionClose();
}

void RecordMacroRun(const char* macroText) {
  // Every macro text begins with the empty one: a key without a macro for a change of
  // state would otherwise be learned as the first operation of the file.
  if (macroText == nullptr || *macroText == '\0') return;
  char* key = FindKeyByMacro(macroText);
  if (key == nullptr) return;
  char* name = FindName(key);
  LearnOperation(key, name);
  MemFree(name);
  MemFree(key);
  AskForFirstPage();
}

os::LRESULT PredictionCommand(os::WPARAM code, const char* argument) {
  switch (code) {
    case PC_P_TRANSLATE_D:
    case PC_P_TRANSLATE_I:
    case PC_P_TRANSLATE_P:
    case PC_P_TRANSLATE_W:
      ChooseCandidate(argument);
      return HANDLED;
    case PC_P_NEXT_CANDIDATES:
      if (argument != nullptr) PostToMain(MM_PREDICT_CANDIDATES, NextPageSkip(argument), 0);
      return HANDLED;
    case PC_P_PREVIOUS_CANDIDATES:
      if (argument != nullptr) PostToMain(MM_PREDICT_CANDIDATES, PreviousPageSkip(argument), 0);
      return HANDLED;
    default:
      return NOT_MINE;
  }
}

os::LRESULT PredictionMainProc(os::Window, os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  switch (message) {
    case os::WM_TIMER: {
      char* className = ForegroundClassCheck();
      if (className != nullptr) {
        SendToMain(MM_APP_CHANGED, reinterpret_cast<os::WPARAM>(className), 0);
        MemFree(className);
      }
      return HANDLED;
    }
    case MM_PREDICT_CANDIDATES:
      DeliverCandidates(wParam);
      return HANDLED;
    case MM_APP_CHANGED:
      SwitchDictionary(reinterpret_cast<const char*>(wParam));
      AskForFirstPage();
      return HANDLED;
    case MM_PREDICT_COMMAND:
      return PredictionCommand(wParam, reinterpret_cast<const char*>(lParam));
    default:
      return NOT_MINE;
  }
}

}  // namespace mivo
