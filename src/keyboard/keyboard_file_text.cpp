// Decoding quoted texts: whole blocks of 64 bytes where the bytes and the buffer have
// room, whose special bytes are found at once, then eight bytes or one at a time.
#include "keyboard/keyboard_file_text.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/text.h"
#include "keyboard/keyboard_file_words.h"

namespace mivo {

namespace {

// The same as tables, for the inner loop of text decoding.
struct ByteTables {
  int8_t hex[256];       // HexDigit
  uint8_t escaped[256];  // EscapedByte
};
constexpr ByteTables MakeByteTables() {
  ByteTables t{};
  for (int b = 0; b < 256; ++b) {
    t.hex[b] = static_cast<int8_t>(HexDigit(static_cast<uint8_t>(b)));
    t.escaped[b] = EscapedByte(static_cast<uint8_t>(b));
  }
  return t;
}
constexpr ByteTables BYTE_TABLES = MakeByteTables();

// A byte that ends a plain run of a quoted text: the quote, the backslash, or any byte
// with the high bit (a lead byte, or a single-byte katakana, taken one at a time).
bool IsSpecialByte(uint8_t b) { return b == '"' || b == '\\' || b >= 0x80; }
bool IsLead(uint8_t b) { return (b >= 0x80 && b <= 0x9F) || b >= 0xE0; }
// The bytes that end a text's plain bytes from outside: a comment or the end of the file.
bool IsEnd(uint8_t b) { return b == '#' || b == '*'; }

// The masks below find the first special byte as the lowest set bit.
static_assert(std::endian::native == std::endian::little);

uint64_t Load8(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// The high bit of each of the eight bytes (first byte lowest) that is special: the
// exact zero-byte mask, applied to the bytes xor the quote and xor the backslash.
uint64_t SpecialBytes(uint64_t v) {
  constexpr uint64_t ONES = 0x0101010101010101ull;
  constexpr uint64_t HIGHS = 0x8080808080808080ull;
  constexpr uint64_t LOWS = ~HIGHS;
  const auto zeroBytes = [](uint64_t x) { return ~(((x & LOWS) + LOWS) | x) & HIGHS; };
  return (v & HIGHS) | zeroBytes(v ^ (ONES * '"')) | zeroBytes(v ^ (ONES * '\\'));
}

// Bit i set when bytes[i] of the 64 is special, as IsSpecialByte says; *ends says
// whether a hash or an asterisk is among the 64 bytes or the 16 after them.
uint64_t SpecialMask64(const uint8_t* bytes, bool* ends) {
  uint64_t mask = 0;
#if defined(__SSE2__)
  __m128i endBytes = _mm_setzero_si128();
  for (int chunk = 0; chunk < 5; ++chunk) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16 * chunk));
    endBytes = _mm_or_si128(endBytes, _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('#')),
                                                   _mm_cmpeq_epi8(v, _mm_set1_epi8('*'))));
    if (chunk == 4) break;
    // The byte itself carries the high bit of a byte >= 0x80.
    const __m128i marks = _mm_or_si128(v, _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('"')),
                                                       _mm_cmpeq_epi8(v, _mm_set1_epi8('\\'))));
    mask |= uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(marks))} << (16 * chunk);
  }
  *ends = _mm_movemask_epi8(endBytes) != 0;
#else
  *ends = false;
  for (int i = 0; i < 80; ++i) {
    if (i < 64 && IsSpecialByte(bytes[i])) mask |= uint64_t{1} << i;
    if (IsEnd(bytes[i])) *ends = true;
  }
#endif
  return mask;
}

// Copies n bytes sixteen at a time: up to fifteen bytes past both ends are read and
// written, which the caller has room for.
void CopyRun(char* to, const uint8_t* from, size_t n) {
  std::memcpy(to, from, 16);
  for (size_t k = 16; k < n; k += 16) std::memcpy(to + k, from + k, 16);
}

constexpr size_t LIMIT = static_cast<size_t>(KEYBOARD_TEXT_SIZE) - 1;  // bytes before the zero
constexpr size_t BLOCK = 64;
constexpr size_t REACH = 3;  // bytes an escape reads past its backslash
constexpr size_t OVERRUN = 16;

// One text's decoding. Its fields are copies, not the caller's: the text's bytes could
// alias them, which would have them read again after every byte stored.
struct Decoder {
  const uint8_t* bytes;
  size_t size;
  char* text;
  size_t length;
  size_t run;  // the first byte not yet decoded, and not yet copied
  bool stop = false;
  bool cut = false;

  void Put(uint8_t b) {
    if (length < LIMIT) {
      text[length++] = static_cast<char>(b);
    } else {
      cut = true;
    }
  }

  size_t Blocks(size_t p);
  template <bool Watch>
  void Specials(uint64_t mask, size_t at);
  size_t Rest(size_t p);
  size_t PlainRun(size_t p);
  size_t Special(size_t p);
  size_t Escape(size_t p);
  // Past the end of the bytes, or a byte outside the plain text, where a hash or an
  // asterisk still counts.
  bool Outside(size_t i) const { return i >= size || IsEnd(bytes[i]); }
};

// Whole blocks while both the bytes and the buffer have room for a block, the longest
// escape read past its end and the copies' overrun: the specials of a block are found at
// once, so that only they cost a step each. A plain run is copied when the special byte
// that ends it is found, in whichever block. Returns where the bytes are left undecoded.
size_t Decoder::Blocks(size_t p) {
  while (p + BLOCK + OVERRUN <= size &&
         length + (p - std::min(run, p)) + BLOCK + REACH + OVERRUN <= LIMIT) {
    bool near = false;
    // An escape at the end of the last block may have taken the first bytes of this one.
    const size_t taken = run > p ? run - p : 0;
    const uint64_t mask = SpecialMask64(bytes + p, &near) >> taken;
    if (near) {
      Specials<true>(mask, p + taken);
    } else {
      Specials<false>(mask, p + taken);
    }
    if (stop) return run;
    p += BLOCK;
  }
  if (run < p) {
    std::memcpy(text + length, bytes + run, p - run);
    length += p - run;
    run = p;
  }
  return run;
}

// The specials of a block: when no hash or asterisk is near, the bytes after a special
// need no look (Watch false). Bit 0 of the mask stands for the byte at `at`.
template <bool Watch>
void Decoder::Specials(uint64_t mask, size_t at) {
  char* out = text + length;
  while (mask != 0) {
    const int skip = std::countr_zero(mask);
    mask >>= skip;
    const size_t s = at + static_cast<size_t>(skip);
    CopyRun(out, bytes + run, s - run);
    out += s - run;
    run = s;
    const uint8_t b = bytes[s];
    // The quote, and a special byte followed by a hash or an asterisk, go to the careful
    // loop (a single-byte katakana, which takes no byte after it, is stored there all the
    // same). The quote, once per text, is looked for last.
    if (Watch && (b == '"' || IsEnd(bytes[s + 1]))) {
      stop = true;
      break;
    }
    int used = 1;
    if (b == '\\') {
      const uint8_t e = bytes[s + 1];
      if (e != 'x') {
        *out++ = static_cast<char>(BYTE_TABLES.escaped[e]);
        used = 2;
      } else if (Watch && IsEnd(bytes[s + 2])) {
        stop = true;
        break;
      } else if (const int high = BYTE_TABLES.hex[bytes[s + 2]]; high < 0) {
        used = 3;  // the escape and this byte are dropped
      } else if (Watch && IsEnd(bytes[s + 3])) {
        stop = true;
        break;
      } else {
        const int low = BYTE_TABLES.hex[bytes[s + 3]];
        if (low >= 0) *out++ = static_cast<char>(high * 16 + low);
        used = 4;
      }
    } else if (IsLead(b)) {
      std::memcpy(out, bytes + s, 2);
      out += 2;
      used = 2;
    } else if (b == '"') {
      stop = true;
      break;
    } else {
      *out++ = static_cast<char>(b);
    }
    run = s + static_cast<size_t>(used);
    mask >>= used;
    at = run;
  }
  length = static_cast<size_t>(out - text);
}

// The careful loop, to the closing quote or to what it leaves to the states.
size_t Decoder::Rest(size_t p) {
  while (p < size) {
    p = PlainRun(p);
    if (p >= size || bytes[p] == '"') break;
    const size_t used = Special(p);
    if (used == 0) break;
    p += used;
  }
  return p;
}

// Plain bytes up to the next special one. Eight are copied whole where they fit; only
// those before the first special one count.
size_t Decoder::PlainRun(size_t p) {
  while (p + 8 <= size && length + 8 <= LIMIT) {
    const uint64_t v = Load8(bytes + p);
    std::memcpy(text + length, &v, sizeof v);
    const uint64_t special = SpecialBytes(v);
    if (special != 0) {
      const size_t plain = static_cast<size_t>(std::countr_zero(special)) / 8;
      length += plain;
      return p + plain;
    }
    p += 8;
    length += 8;
  }
  while (p < size && !IsSpecialByte(bytes[p])) Put(bytes[p++]);
  return p;
}

// The bytes the special byte at p takes with it, 0 when it is left to the states.
size_t Decoder::Special(size_t p) {
  const uint8_t b = bytes[p];
  if (b == '\\') return Escape(p);
  if (IsLead(b)) {
    if (Outside(p + 1)) return 0;
    Put(b);
    Put(bytes[p + 1]);
    return 2;
  }
  Put(b);
  return 1;
}

size_t Decoder::Escape(size_t p) {
  if (Outside(p + 1)) return 0;
  const uint8_t e = bytes[p + 1];
  if (e != 'x') {
    Put(EscapedByte(e));
    return 2;
  }
  if (Outside(p + 2)) return 0;
  const int high = HexDigit(bytes[p + 2]);
  if (high < 0) return 3;  // the escape and this byte are dropped
  if (Outside(p + 3)) return 0;
  const int low = HexDigit(bytes[p + 3]);
  if (low >= 0) Put(static_cast<uint8_t>(high * 16 + low));
  return 4;
}

}  // namespace

void EndText(TextBuffer* text) {
  text->bytes[text->length] = 0;
  if (!text->cut) return;
  text->bytes[WholeCharacters(text->bytes, text->length)] = 0;
}

size_t DecodeText(const uint8_t* bytes, size_t size, size_t from, TextBuffer* text) {
  Decoder d{bytes, size, text->bytes, text->length, from};
  const size_t end = d.Rest(d.Blocks(from));
  d.text[d.length] = 0;
  text->length = d.length;
  if (d.cut) text->cut = true;
  return end;
}

int CountLineFeeds(const uint8_t* from, const uint8_t* to) {
  int count = 0;
  while (from < to) {
    const void* feed = std::memchr(from, '\n', static_cast<size_t>(to - from));
    if (!feed) break;
    ++count;
    from = static_cast<const uint8_t*>(feed) + 1;
  }
  return count;
}

}  // namespace mivo
