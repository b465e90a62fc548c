// Everything conversion changes while the program runs, in one place, so that one call
// puts back what a fresh start finds.
#pragma once

#include <cstdint>

#include "platform/os.h"

namespace mivo {

struct DictSet;

struct ImeState {
  // The phrase and word dictionaries, with the committed text as their recent text, and
  // the reading being composed (DICT_RECENT_SIZE bytes); both from ConversionOpen to
  // ConversionClose.
  DictSet* conversion = nullptr;
  char* reading = nullptr;
  // One pass of input-method candidates: the private context and a copy of its
  // candidate list (zero-filled, one byte longer than the input method reported).
  os::Imc context = nullptr;
  os::CandidateListHeader* candidates = nullptr;
  uint32_t candidatesSize = 0;
  // The longest context in bytes a phrase record can hold: the longest in the file when it
  // was opened, or what learning writes; 0 while unknown. Learning only adds contexts of
  // the set's context length, and nothing else writes the file while it is open.
  uint32_t longestPhraseContext = 0;
  // The search leaves out the dictionaries (GetImeCandidates) until the reading changes.
  bool imeOnlyMode = false;
  // The first committed-text backspace of a run undoes the newest learning; later ones
  // only delete.
  bool undoLatch = false;
  // The word registration dialog, and the window it gives the foreground back to.
  os::Window wordDialog = nullptr;
  os::Window foregroundBeforeDialog = nullptr;
};
extern ImeState imeState;

// Closes the dictionaries (writing what is pending), then puts every value back.
void ResetImeState();

}  // namespace mivo
