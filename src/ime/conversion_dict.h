// The conversion dictionaries: the phrase dictionary (which text was chosen for a
// reading after which committed text) and the word dictionary (text and reading pairs),
// one dictionary set in the folder "Trans", filled from the source files "phrase" and
// "word" the first time there is none.
//
// Owns: the conversion dictionary set (imeState.conversion). Offers: open, learn, close,
// and the copy of a source file.
#pragma once

#include <cstdint>

namespace mivo {

constexpr uint32_t CONVERSION_MAX_LINES = 30000;
constexpr uint32_t SOURCE_CHUNK = 4095;

int ConversionOpen();  // 1, or 0 with nothing left open
void ConversionClose();
// Learns that `text` was chosen for `reading`; with flushFlag 1 (no text, no reading)
// only writes what is pending.
void ConversionLearn(const char* text, const char* reading, int flushFlag);

// How a source line becomes a dictionary line.
enum class SourceLayout {
  Phrase,  // context SPACE text SPACE reading -> context TAB text TAB reading
  Word,    // reading SPACE text -> text TAB reading
};
// Copies the source file into the dictionary file line by line; 0 when the source
// cannot be read or the destination cannot be made.
int CopySourceFile(const char* source, const char* destination, SourceLayout layout);

}  // namespace mivo
