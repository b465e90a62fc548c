// Everything the candidate keys change while the program runs, in one place, so that one
// call puts back what a fresh start finds.
#pragma once

#include <cstdint>

namespace mivo {

// What the layout of a conversion list reads from the conversion; null hooks read an
// empty reading and all-candidates mode.
struct ConversionView {
  const char* (*reading)();
  bool (*imeOnly)();
};

struct CandidateKeysState {
  // Where the candidate keys go: key indexes of the panels and the reading key, and the
  // colour-set indexes of the templates in the order conversion, prediction, next,
  // previous, mode; 0 is unset.
  int32_t conversionPanel = 0;
  int32_t predictionPanel = 0;
  int32_t readingKey = 0;
  int32_t templates[5] = {};
  ConversionView conversionView{};  // filled in when the conversion joins
};
extern CandidateKeysState candidateKeysState;

void ResetCandidateKeysState();

}  // namespace mivo
