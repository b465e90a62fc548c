// The candidate search of conversion: the reading's own two forms, the phrase and word
// dictionaries scored by reading, context and recency, and the input method, ranked on
// one working list of 100 and cut to a page.
#pragma once

#include <cstdint>

namespace mivo {

struct CandidateList;

constexpr int32_t CONVERSION_FROM_PHRASE = 1;
constexpr int32_t CONVERSION_FROM_WORD = 2;
constexpr int32_t CONVERSION_FROM_READING = 3;
constexpr int32_t CONVERSION_FROM_IME = 4;

// A page of candidates for the caller to deliver and free; null without the dictionaries.
CandidateList* ConversionSearch(const char* reading, const char* committed, uint32_t capacity,
                                uint32_t skip);

// weight x the characters of x when the field begins with x, else 0.
uint32_t ReadingMatchScore(const char* field, uint32_t fieldLength, const char* x, uint32_t xLength,
                           uint32_t weight);
// How well the context's end matches the committed text's end, character by character.
uint32_t ContextMatchScore(const char* context, uint32_t contextLength, const char* committed,
                           uint32_t committedLength, uint32_t weight);

}  // namespace mivo
