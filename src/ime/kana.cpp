#include "ime/kana.h"

#include "base/text.h"

namespace mivo {
namespace {

// Half-width forms of the katakana 0x83 0x40 (ァ) to 0x83 0x94 (ヴ): a letter, or a letter
// and its voicing mark; 0x83 0x7F is no character.
constexpr unsigned char kHalfKatakana[][2] = {
    {0xA7, 0x00}, {0xB1, 0x00}, {0xA8, 0x00}, {0xB2, 0x00}, {0xA9, 0x00}, {0xB3, 0x00},
    {0xAA, 0x00}, {0xB4, 0x00}, {0xAB, 0x00}, {0xB5, 0x00}, {0xB6, 0x00}, {0xB6, 0xDE},
    {0xB7, 0x00}, {0xB7, 0xDE}, {0xB8, 0x00}, {0xB8, 0xDE}, {0xB9, 0x00}, {0xB9, 0xDE},
    {0xBA, 0x00}, {0xBA, 0xDE}, {0xBB, 0x00}, {0xBB, 0xDE}, {0xBC, 0x00}, {0xBC, 0xDE},
    {0xBD, 0x00}, {0xBD, 0xDE}, {0xBE, 0x00}, {0xBE, 0xDE}, {0xBF, 0x00}, {0xBF, 0xDE},
    {0xC0, 0x00}, {0xC0, 0xDE}, {0xC1, 0x00}, {0xC1, 0xDE}, {0xAF, 0x00}, {0xC2, 0x00},
    {0xC2, 0xDE}, {0xC3, 0x00}, {0xC3, 0xDE}, {0xC4, 0x00}, {0xC4, 0xDE}, {0xC5, 0x00},
    {0xC6, 0x00}, {0xC7, 0x00}, {0xC8, 0x00}, {0xC9, 0x00}, {0xCA, 0x00}, {0xCA, 0xDE},
    {0xCA, 0xDF}, {0xCB, 0x00}, {0xCB, 0xDE}, {0xCB, 0xDF}, {0xCC, 0x00}, {0xCC, 0xDE},
    {0xCC, 0xDF}, {0xCD, 0x00}, {0xCD, 0xDE}, {0xCD, 0xDF}, {0xCE, 0x00}, {0xCE, 0xDE},
    {0xCE, 0xDF}, {0xCF, 0x00}, {0xD0, 0x00}, {0x00, 0x00}, {0xD1, 0x00}, {0xD2, 0x00},
    {0xD3, 0x00}, {0xAC, 0x00}, {0xD4, 0x00}, {0xAD, 0x00}, {0xD5, 0x00}, {0xAE, 0x00},
    {0xD6, 0x00}, {0xD7, 0x00}, {0xD8, 0x00}, {0xD9, 0x00}, {0xDA, 0x00}, {0xDB, 0x00},
    {0xDC, 0x00}, {0xDC, 0x00}, {0xB2, 0x00}, {0xB4, 0x00}, {0xA6, 0x00}, {0xDD, 0x00},
    {0xB3, 0xDE},
};

// Single-byte forms of the symbols 0x81 0x40 to 0x81 0x97; 0 keeps the two bytes.
constexpr unsigned char kHalfSymbols[] = {
    0x00, 0xA4, 0xA1, ',',  '.',  0xA5, ':',  ';',  '?',  '!',  0xDE, 0xDF, 0x00, 0x00, 0x00,
    '^',  0x00, '_',  0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xB0, '-',  '-',
    '/',  0x00, '~',  0x00, '|',  0x00, 0x00, '`',  '\'', '"',  '"',  '(',  ')',  '[',  ']',
    '[',  ']',  '{',  '}',  '<',  '>',  '<',  '>',  0xA2, 0xA3, 0xA2, 0xA3, '[',  ']',  '+',
    '-',  0x00, 0x00, 0x00, 0x00, '=',  0x00, '<',  '>',  0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, '\\', '$',  0x00, 0x00, '%',  '#',  '&',  '*',  '@',
};

// Writes whole characters while they fit, or only counts without a destination.
struct Output {
  char* destination;
  uint32_t capacity;
  uint32_t written = 0;
  bool full = false;

  void Put(const unsigned char* bytes, uint32_t n) {
    if (full) return;
    if (destination != nullptr) {
      if (written + n > capacity) {
        full = true;
        return;
      }
      for (uint32_t i = 0; i < n; ++i) destination[written + i] = static_cast<char>(bytes[i]);
    }
    written += n;
  }
};

Output Begin(char* destination, uint32_t capacity) {
  return Output{capacity != 0 ? destination : nullptr, capacity};
}

// The katakana trail byte of a hiragana trail byte; the katakana block skips 0x7F.
unsigned char KatakanaTrail(unsigned char trail) {
  return static_cast<unsigned char>(trail <= 0xDD ? trail - 0x5F : trail - 0x5E);
}

// Walks the source character by character: a lead byte takes the byte after it, and a
// lead byte that ends the source comes alone (trail 0 then).
template <typename Convert>
void EachCharacter(const char* source, uint32_t length, Convert convert) {
  const auto* s = reinterpret_cast<const unsigned char*>(source);
  for (uint32_t i = 0; i < length;) {
    if (IsLeadByte(s[i]) && i + 1 < length) {
      convert(s + i, 2u);
      i += 2;
    } else {
      convert(s + i, 1u);
      ++i;
    }
  }
}

uint32_t KanaShift(const char* source, uint32_t length, char* destination, uint32_t capacity,
                   bool toKatakana) {
  Output out = Begin(destination, capacity);
  EachCharacter(source, length, [&](const unsigned char* c, uint32_t n) {
    unsigned char shifted[2] = {c[0], n == 2 ? c[1] : static_cast<unsigned char>(0)};
    if (n == 2 && toKatakana && c[0] == 0x82 && c[1] >= 0x9F) {
      shifted[0] = 0x83;
      shifted[1] = KatakanaTrail(c[1]);
    } else if (n == 2 && !toKatakana && c[0] == 0x83 && c[1] >= 0x40 && c[1] <= 0x93) {
      shifted[0] = 0x82;
      shifted[1] = static_cast<unsigned char>(c[1] <= 0x7E ? c[1] + 0x5F : c[1] + 0x5E);
    }
    out.Put(shifted, n);
  });
  return out.written + 1;
}

}  // namespace

uint32_t HiraganaToKatakana(const char* source, uint32_t length, char* destination,
                            uint32_t capacity) {
  return KanaShift(source, length, destination, capacity, true);
}

uint32_t KatakanaToHiragana(const char* source, uint32_t length, char* destination,
                            uint32_t capacity) {
  return KanaShift(source, length, destination, capacity, false);
}

uint32_t KanaToHalfWidth(const char* source, uint32_t length, char* destination,
                         uint32_t capacity) {
  Output out = Begin(destination, capacity);
  EachCharacter(source, length, [&](const unsigned char* c, uint32_t n) {
    if (n == 1) {
      // A lead byte of the three converted blocks cut off by the end has no form.
      if (c[0] < 0x81 || c[0] > 0x83) out.Put(c, 1);
      return;
    }
    const unsigned char lead = c[0];
    unsigned char trail = c[1];
    unsigned char one = 0;
    if (lead == 0x82 && trail >= 0x4F && trail <= 0x79) {
      one = static_cast<unsigned char>(trail - 0x1F);
    } else if (lead == 0x82 && trail >= 0x81 && trail <= 0x9A) {
      one = static_cast<unsigned char>(trail - 0x20);
    } else if (lead == 0x81 && trail >= 0x40 && trail <= 0x97) {
      one = kHalfSymbols[trail - 0x40];
    }
    if (one != 0) {
      out.Put(&one, 1);
      return;
    }
    // Hiragana take the half-width forms of their katakana.
    bool kana = lead == 0x83;
    if (lead == 0x82 && trail >= 0x9F && trail <= 0xF1) {
      trail = KatakanaTrail(trail);
      kana = true;
    }
    if (kana && trail >= 0x40 && trail <= 0x94 && trail != 0x7F) {
      const unsigned char* half = kHalfKatakana[trail - 0x40];
      out.Put(half, half[1] != 0 ? 2 : 1);
    } else {
      out.Put(c, 2);
    }
  });
  return out.written;
}

}  // namespace mivo
