// The reading being composed and the committed text: what the kana keys build, what the
// candidates are searched for, and the context that chosen texts leave for the next
// search. Both live in the conversion dictionary set, at most 256 bytes each.
#pragma once

namespace mivo {

constexpr char SMALL_KANA_MARK[] = "\x81\xff";  // never stored: it makes the last kana small

const char* ConversionReading();    // "" without the dictionaries
const char* ConversionCommitted();  // "" without the dictionaries
// Appends kana as katakana and full-width letters and digits as ASCII; the voicing
// marks and the small-kana mark change the last kana instead where they can.
void ReadingAppend(const char* text);
void ReadingClear();
void ReadingBackspace();
void CommittedAppend(const char* text);
// The first of a run also removes the newest learned phrase and word.
void CommittedBackspace();

}  // namespace mivo
