// The three shapes of a reading: katakana as typed, hiragana for newer input methods and
// the dictionaries, half-width katakana for older input methods.
//
// Each takes (source, length, destination, capacity). With no destination or a capacity
// of 0 it only counts; otherwise it converts whole characters while they fit. None writes
// a NUL: callers pass a zero-filled destination one byte larger than the text. The
// kana-to-kana pair counts one byte more than it writes, room for that NUL.
#pragma once

#include <cstdint>

namespace mivo {

uint32_t KanaToHalfWidth(const char* source, uint32_t length, char* destination, uint32_t capacity);
uint32_t HiraganaToKatakana(const char* source, uint32_t length, char* destination,
                            uint32_t capacity);
uint32_t KatakanaToHiragana(const char* source, uint32_t length, char* destination,
                            uint32_t capacity);

}  // namespace mivo
