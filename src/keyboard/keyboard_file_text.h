// Decoding the quoted texts of a keyboard file: escapes, double-byte characters and the
// cut of a text too long for its buffer. Inside the keyboard folder only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "keyboard/keyboard_file.h"

namespace mivo {

// The text attribute being filled: KEYBOARD_TEXT_SIZE bytes, always zero-terminated.
struct TextBuffer {
  char* bytes = nullptr;
  size_t length = 0;
  bool cut = false;  // a byte was dropped for want of room
};

inline void StartText(TextBuffer* text, char* bytes) {
  *text = TextBuffer{bytes, 0, false};
  bytes[0] = 0;
}

// Texts longer than their buffer are cut: later bytes are dropped.
inline void StoreTextByte(TextBuffer* text, uint8_t b) {
  if (text->length + 1 >= static_cast<size_t>(KEYBOARD_TEXT_SIZE)) {
    text->cut = true;
    return;
  }
  text->bytes[text->length++] = static_cast<char>(b);
  text->bytes[text->length] = 0;
}

// At the closing quote: a cut text ends on a whole character.
void EndText(TextBuffer* text);

// What a backslash and this byte stand for (the hex escape aside).
constexpr uint8_t EscapedByte(uint8_t b) {
  return static_cast<uint8_t>(b == 'n' ? 0x0A : b == 't' ? 0x09 : b);
}

// Macro texts are most of a keyboard file, so a text is decoded here a run at a time
// rather than byte by byte through the reader's states: plain bytes a block at a time,
// escapes and double-byte characters whole. Returns where it stopped: at the closing
// quote, at the end of the bytes, or at an escape or character that the end of the bytes,
// a hash or an asterisk cuts into. What is left is for the states.
size_t DecodeText(const uint8_t* bytes, size_t size, size_t from, TextBuffer* text);

// Line feeds inside quoted texts are rare: memchr skips the stretches between them far
// faster than a byte-by-byte count (which took a third of a read).
int CountLineFeeds(const uint8_t* from, const uint8_t* to);

}  // namespace mivo
