// Everything the candidate keys change while the program runs, in one place, so that one
// call puts back what a fresh start finds.
#pragma once

#include <cstdint>

namespace mivo {

struct CandidateKeysState {
  // Where the candidate keys go: key indexes of the panels and the reading key, and the
  // colour-set indexes of the templates in the order conversion, prediction, next,
  // previous, mode; 0 is unset.
  int32_t conversionPanel = 0;
  int32_t predictionPanel = 0;
  int32_t readingKey = 0;
  int32_t templates[5] = {};
};
extern CandidateKeysState candidateKeysState;

void ResetCandidateKeysState();

}  // namespace mivo
