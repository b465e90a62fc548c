// Everything conversion changes while the program runs, in one place, so that one call
// puts back what a fresh start finds.
#pragma once

namespace mivo {

struct DictSet;

struct ImeState {
  // The phrase and word dictionaries, the committed text and the reading; open from
  // ConversionOpen to ConversionClose.
  DictSet* conversion = nullptr;
};
extern ImeState imeState;

// Closes the dictionaries (writing what is pending), then puts every value back.
void ResetImeState();

}  // namespace mivo
