// One page of ranked candidates, built by a search and freed by it after delivery.
//
// A search offers candidates one at a time; the first `skip` distinct ones belong to
// earlier pages and are only remembered (by key, in the skipped-keys array), the rest are
// ranked on the page by score, highest first, the earlier-found first among equals.
#pragma once

#include <cstdint>

namespace mivo {

constexpr int32_t CANDIDATE_FROM_HISTORY = 1;
constexpr int32_t CANDIDATE_FROM_STRING = 2;

struct CandidateList {
  uint32_t total;  // distinct candidates accepted, earlier pages included
  uint32_t skip;   // leading distinct candidates that belong to earlier pages
  char** keys;     // capacity + 1 owned keys
  char** texts;    // capacity + 1 owned texts
  uint32_t* scores;
  int32_t more;    // a further distinct candidate did not fit
  int32_t* kinds;  // where each candidate came from
  // The page's size, so that no room a caller passes can write past the arrays.
  uint32_t capacity;
};

CandidateList* CandidateListCreate(uint32_t capacity, uint32_t skip);
// key and text are not NUL-terminated. Answers the new total, or total + 1 (setting more)
// when a new distinct candidate found no room; stop searching once it exceeds
// skip + capacity.
uint32_t CandidateListAdd(CandidateList* list, char** skippedKeys, const char* key,
                          uint32_t keyLength, const char* text, uint32_t textLength, uint32_t score,
                          int room, int32_t kind, int byKey);
void CandidateListFree(CandidateList* list);

// The skip a paging key asks for: its number is the first run of digits in its argument
// (none: the first page); going back steps a fixed 10, whatever the page size, so pages
// of another size come back to a different first candidate, which the user sees and can
// page again.
uint32_t NextPageSkip(const char* argument);
uint32_t PreviousPageSkip(const char* argument);

// The skipped-keys array of a search: skip + 1 entries, the last one always empty.
char** SkippedKeysCreate(uint32_t skip);
void SkippedKeysFree(char** skippedKeys);

}  // namespace mivo
