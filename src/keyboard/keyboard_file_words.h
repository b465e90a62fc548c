// The words of a keyboard file and the bytes they are made of: the tag and attribute
// tables, the attribute record a tag fills, and the byte classes the reader tests.
// Inside the keyboard folder only; the reader's interface is keyboard_file.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "keyboard/keyboard_file.h"

namespace mivo {

// The tag types, as the error report shows them.
enum Tag {
  TAG_NONE = 0,
  TAG_KEY = 1,
  TAG_COLOR = 2,
  TAG_LOAD = 3,
  TAG_HOME = 4,
  TAG_YOSOKU = 5,
  TAG_PYOSOKU = 6,
  TAG_KEYBOARD = 7,
  TAG_YOSOKUCOLOR = 8,
  TAG_PYOSOKUCOLOR = 9,
  TAG_START = 10,
  TAG_NEXTCOLOR = 11,
  TAG_PREVIOUSCOLOR = 12,
  TAG_IMECOLOR = 13,
  TAG_ONBEGIN = 14,
  TAG_BASE = 15,
  TAG_BASEADD = 16,
  TAG_YOMI = 17,
};

enum Kind { NUMBER, TEXT, FLAG, COLOUR };

enum Attribute {
  A_TYPE,
  A_PARENT,
  A_X,
  A_Y,
  A_CX,
  A_CY,
  A_NAME,
  A_ONFOCUS,
  A_ONSELECT,
  A_ONUNFOCUS,
  A_ONUNSELECT,
  A_ONSELECTED,
  A_COLORSET,
  A_VISIBLE,
  A_NORMAL,
  A_FOCUS,
  A_SELECT,
  A_FNORMAL,
  A_FFOCUS,
  A_FSELECT,
  A_TNORMAL,
  A_TFOCUS,
  A_TSELECT,
  A_FILE,
  ATTRIBUTE_COUNT
};

struct AttributeWord {
  const char* word;
  Kind kind;
  uint32_t defaultValue;
  int text;  // index of the text buffer, -1 for the others
};

constexpr uint32_t NO_COLOUR = 0xFFFFFFFF;

inline constexpr AttributeWord ATTRIBUTE_WORDS[ATTRIBUTE_COUNT] = {
    {"type", NUMBER, 3, -1},
    {"parent", NUMBER, 0, -1},
    {"x", NUMBER, 0, -1},
    {"y", NUMBER, 0, -1},
    {"cx", NUMBER, 0, -1},
    {"cy", NUMBER, 0, -1},
    {"name", TEXT, 0, 0},
    {"onfocus", TEXT, 0, 1},
    {"onselect", TEXT, 0, 2},
    {"onunfocus", TEXT, 0, 3},
    {"onunselect", TEXT, 0, 4},
    {"onselected", TEXT, 0, 5},
    {"colorset", NUMBER, 0, -1},
    {"visible", FLAG, 1, -1},
    {"normal", COLOUR, NO_COLOUR, -1},
    {"focus", COLOUR, NO_COLOUR, -1},
    {"select", COLOUR, NO_COLOUR, -1},
    {"fnormal", COLOUR, NO_COLOUR, -1},
    {"ffocus", COLOUR, NO_COLOUR, -1},
    {"fselect", COLOUR, NO_COLOUR, -1},
    {"tnormal", COLOUR, 0, -1},
    {"tfocus", COLOUR, 0, -1},
    {"tselect", COLOUR, 0, -1},
    {"file", TEXT, 0, 6},
};

constexpr int TEXT_ATTRIBUTES = 7;

// One record for every tag of a read: each tag word resets it, the tag's action reads it.
struct AttributeSet {
  uint32_t value[ATTRIBUTE_COUNT];
  char text[TEXT_ATTRIBUTES][KEYBOARD_TEXT_SIZE];

  const char* Text(Attribute a) const { return text[ATTRIBUTE_WORDS[a].text]; }
};

void ResetAttributes(AttributeSet* set);

// The tag type of the word, TAG_NONE for none; the attribute of the word, -1 for none.
// Both compare without regard to case, as whole words.
int LookupTag(const uint8_t* word, size_t length);
int LookupAttribute(const uint8_t* word, size_t length);

inline bool IsAsciiLetter(uint8_t b) { return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z'); }
inline bool IsDecimal(uint8_t b) { return b >= '0' && b <= '9'; }
constexpr int HexDigit(uint8_t b) {
  if (b >= '0' && b <= '9') return b - '0';
  if (b >= 'a' && b <= 'f') return b - 'a' + 10;
  if (b >= 'A' && b <= 'F') return b - 'A' + 10;
  return -1;
}

// The bit position of each colour digit: byte pairs, high nibble first, lowest byte first.
inline int NibbleShift(int digitIndex) {
  return (digitIndex / 2) * 8 + (digitIndex % 2 == 0 ? 4 : 0);
}

}  // namespace mivo
