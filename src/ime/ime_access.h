// The system input method, asked for the kana-kanji conversions of a reading through a
// private input context that no window ever sees: which product is active, and the
// candidates of one reading, each completed with the conversion of the clauses after
// the first.
//
// Owns: the current input context and its candidate list (in imeState). Offers: the
// product and one open-read-close pass of candidates per search.
#pragma once

#include <cstdint>

namespace mivo {

enum ImeProduct : int32_t {
  Ime95 = 1,
  Ime97 = 2,
  Ime98 = 3,
  Ime2000 = 4,
  ImeStandard = 5,
  Atok = 11,
};

ImeProduct ImeGetProduct();
// The number of candidates for the NUL-terminated reading of `length` bytes; 0 when the
// input method offers none. ImeCloseCandidates must follow.
uint32_t ImeOpenCandidates(const char* reading, uint32_t length);
// The byte length of candidate `index`; with a buffer (zero-filled, length + 1 bytes)
// also its bytes, without a NUL. 0 without a list or past its end.
uint32_t ImeGetCandidate(uint32_t index, char* buffer);
int ImeCloseCandidates();  // 1 when a context was open, 0 otherwise

}  // namespace mivo
