#include "ime/conversion_commands.h"

#include "base/bus.h"
#include "base/commands.h"
#include "base/scoped.h"
#include "base/settings.h"
#include "base/text.h"
#include "candidates/candidate_keys.h"
#include "candidates/state.h"
#include "dict/candidate_list.h"
#include "ime/conversion_dict.h"
#include "ime/conversion_search.h"
#include "ime/reading.h"
#include "ime/state.h"
#include "ime/word_dialog.h"
#include "keyboard/key_tree.h"
#include "macro/injection.h"
#include "macro/state.h"

namespace mivo {
namespace {

void AskForCandidates(os::WPARAM skip) { PostToMain(MM_IME_CANDIDATES, skip, 0); }

// The four Translate letters only tell where the candidate came from.
void ChooseCandidate(const char* argument) {
  ReleaseLatchedModifiers();
  if (argument == nullptr) return;
  OwnedText text(TextDuplicate(argument));
  if (!text) return;
  const char* reading = "";
  for (char* p = text.Get(); *p != '\0'; ++p) {
    if (*p == '\n') {
      *p = '\0';
      reading = p + 1;
      break;
    }
  }
  TypePhrase(text.Get());
  ConversionLearn(text.Get(), reading, 0);
  ReadingClear();
  CommittedAppend(text.Get());
  AskForCandidates(0);
}

void DeliverCandidates(os::WPARAM skip) {
  const uint32_t capacity =
      settings.MaxCandidates > 0 ? static_cast<uint32_t>(settings.MaxCandidates) : 0;
  CandidateList* list = ConversionSearch(ConversionReading(), ConversionCommitted(), capacity,
                                         static_cast<uint32_t>(skip));
  SendToMain(MM_SHOW_IME_CANDIDATES, reinterpret_cast<os::WPARAM>(list), 0);
  CandidateListFree(list);
}

}  // namespace

os::LRESULT ConversionCommand(os::WPARAM code, const char* argument) {
  switch (code) {
    case IC_ADD_READ:
      ReleaseLatchedModifiers();
      if (argument != nullptr) {
        ReadingAppend(argument);
        AskForCandidates(0);
      }
      return HANDLED;
    case IC_GET_ALL_CANDIDATES:
    case IC_GET_IME_CANDIDATES:
      imeState.imeOnlyMode = code == IC_GET_IME_CANDIDATES;
      AskForCandidates(0);
      return HANDLED;
    case IC_TRANSLATE_D:
    case IC_TRANSLATE_I:
    case IC_TRANSLATE_P:
    case IC_TRANSLATE_W:
      ChooseCandidate(argument);
      return HANDLED;
    case IC_CLEAR_READ:
      ReadingClear();
      return HANDLED;
    case IC_NEXT_CANDIDATES:
      if (argument != nullptr) AskForCandidates(NextPageSkip(argument));
      return HANDLED;
    case IC_PREVIOUS_CANDIDATES:
      // Without a number this goes back to the first page, as without digits.
      AskForCandidates(PreviousPageSkip(argument));
      return HANDLED;
    case IC_REGISTER_WORD:
      PostToMain(MM_REGISTER_WORD, 0, 0);
      return HANDLED;
    case IC_SMALL_KANA:
      ReadingAppend(SMALL_KANA_MARK);
      AskForCandidates(0);
      return HANDLED;
    default:
      return NOT_MINE;
  }
}

os::LRESULT ConversionMainProc(os::Window w, os::UINT message, os::WPARAM wParam,
                               os::LPARAM lParam) {
  switch (message) {
    case MM_IME_CANDIDATES:
      DeliverCandidates(wParam);
      return HANDLED;
    case MM_IME_COMMAND:
      return ConversionCommand(wParam, reinterpret_cast<const char*>(lParam));
    case MM_REGISTER_WORD:
      WordDialogOpen(w, KeyboardInstance());
      return HANDLED;
    default:
      return NOT_MINE;
  }
}

void ConnectConversion() {
  macroState.conversionHooks = {
      [] { return *ConversionReading() == '\0'; },
      [] { return *ConversionCommitted() == '\0'; },
      ReadingBackspace,
      CommittedBackspace,
  };
  candidateKeysState.conversionView = {ConversionReading, [] { return imeState.imeOnlyMode; }};
}

}  // namespace mivo
