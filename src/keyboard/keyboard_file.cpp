// The keyboard definition file reader.
//
// The file is read through a read-only mapping in one pass, byte by byte, with no
// look-ahead: a state machine with one fixed attribute record that every tag word resets.
#include "keyboard/keyboard_file.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/bus.h"
#include "base/messages.h"
#include "base/scoped.h"
#include "base/text.h"
#include "keyboard/key_tree.h"
#include "keyboard/keyboard.h"
#include "keyboard/state.h"
#include "platform/os.h"

namespace mivo {

namespace {

enum class State {
  BetweenTags,
  TagWord,
  AfterTagWord,
  IdStart,
  IdDigits,
  CloseParen,
  OpenBrace,
  BetweenAttributes,
  AttributeWord,
  Equals,
  QuoteOpen,
  Text,
  TrailByte,
  Escape,
  HexHigh,
  HexLow,
  NumberFirst,
  NumberMore,
  ColourFirst,
  ColourMore,
  FlagFirst,
  FlagMore,
  // The `previouscandidate="..."` form: the quoted text is passed over unstored.
  IgnoredQuoteOpen,
  IgnoredText,
  IgnoredEscape,
  IgnoredTrail,
  SkipOne,
};

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

struct TagWord {
  const char* word;
  int type;
};

constexpr TagWord TAG_WORDS[] = {
    {"key", TAG_KEY},
    {"color", TAG_COLOR},
    {"load", TAG_LOAD},
    {"home", TAG_HOME},
    {"yosoku", TAG_YOSOKU},
    {"pyosoku", TAG_PYOSOKU},
    {"keyboard", TAG_KEYBOARD},
    {"yosokucolor", TAG_YOSOKUCOLOR},
    {"pyosokucolor", TAG_PYOSOKUCOLOR},
    {"start", TAG_START},
    {"nextcandidatecolor", TAG_NEXTCOLOR},
    {"previouscandidatecolor", TAG_PREVIOUSCOLOR},
    {"imecandidatecolor", TAG_IMECOLOR},
    {"nextcandidate", TAG_NEXTCOLOR},
    {"previouscandidate", TAG_PREVIOUSCOLOR},
    {"imecandidate", TAG_IMECOLOR},
    {"onbegin", TAG_ONBEGIN},
    {"base", TAG_BASE},
    {"baseadd", TAG_BASEADD},
    {"yomi", TAG_YOMI},
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

constexpr AttributeWord ATTRIBUTE_WORDS[ATTRIBUTE_COUNT] = {
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

struct AttributeSet {
  uint32_t value[ATTRIBUTE_COUNT];
  char text[TEXT_ATTRIBUTES][KEYBOARD_TEXT_SIZE];
};

void ResetAttributes(AttributeSet* set) {
  for (int a = 0; a < ATTRIBUTE_COUNT; ++a) set->value[a] = ATTRIBUTE_WORDS[a].defaultValue;
  for (auto& text : set->text) text[0] = 0;
}

bool IsAsciiLetter(uint8_t b) { return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z'); }
bool IsDecimal(uint8_t b) { return b >= '0' && b <= '9'; }
constexpr int HexDigit(uint8_t b) {
  if (b >= '0' && b <= '9') return b - '0';
  if (b >= 'a' && b <= 'f') return b - 'a' + 10;
  if (b >= 'A' && b <= 'F') return b - 'A' + 10;
  return -1;
}
// The same as tables, for the inner loop of text decoding.
struct ByteTables {
  int8_t hex[256];       // HexDigit
  uint8_t escaped[256];  // what a backslash and this byte stand for
};
constexpr ByteTables MakeByteTables() {
  ByteTables t{};
  for (int b = 0; b < 256; ++b) {
    t.hex[b] = static_cast<int8_t>(HexDigit(static_cast<uint8_t>(b)));
    t.escaped[b] = static_cast<uint8_t>(b == 'n' ? 0x0A : b == 't' ? 0x09 : b);
  }
  return t;
}
constexpr ByteTables BYTE_TABLES = MakeByteTables();

uint8_t Fold(uint8_t b) { return (b >= 'A' && b <= 'Z') ? static_cast<uint8_t>(b + 32) : b; }

bool WordIs(const uint8_t* word, size_t length, const char* table) {
  size_t i = 0;
  for (; i < length; ++i) {
    if (table[i] == 0 || Fold(word[i]) != static_cast<uint8_t>(table[i])) return false;
  }
  return table[i] == 0;
}

// A word of a table is found in one step: the slot of its length and of its first and
// last letters holds it alone (the compiler checks that no two words share one), and one
// comparison confirms it.
constexpr size_t WORD_SLOTS = 64;
constexpr size_t WordSlot(uint8_t first, uint8_t last, size_t length) {
  return (first * 2u + last * 17u + length * 12u) % WORD_SLOTS;
}

struct WordSlots {
  int8_t entry[WORD_SLOTS];  // the index in the table, -1 for none
  bool unique;
};

template <typename Word, size_t N>
constexpr WordSlots MakeWordSlots(const Word (&words)[N]) {
  WordSlots slots{};
  slots.unique = true;
  for (int8_t& entry : slots.entry) entry = -1;
  for (size_t w = 0; w < N; ++w) {
    size_t length = 0;
    while (words[w].word[length] != 0) ++length;
    const size_t slot = WordSlot(static_cast<uint8_t>(words[w].word[0]),
                                 static_cast<uint8_t>(words[w].word[length - 1]), length);
    if (slots.entry[slot] >= 0) slots.unique = false;
    slots.entry[slot] = static_cast<int8_t>(w);
  }
  return slots;
}

constexpr WordSlots TAG_SLOTS = MakeWordSlots(TAG_WORDS);
constexpr WordSlots ATTRIBUTE_SLOTS = MakeWordSlots(ATTRIBUTE_WORDS);
static_assert(TAG_SLOTS.unique && ATTRIBUTE_SLOTS.unique, "two words share a slot");

// The index in the table of the word, -1 for none.
template <typename Word, size_t N>
int LookupWord(const Word (&words)[N], const WordSlots& slots, const uint8_t* word, size_t length) {
  if (length == 0) return -1;
  const int w = slots.entry[WordSlot(Fold(word[0]), Fold(word[length - 1]), length)];
  return w >= 0 && WordIs(word, length, words[w].word) ? w : -1;
}

int LookupTag(const uint8_t* word, size_t length) {
  const int w = LookupWord(TAG_WORDS, TAG_SLOTS, word, length);
  return w < 0 ? TAG_NONE : TAG_WORDS[w].type;
}

int LookupAttribute(const uint8_t* word, size_t length) {
  return LookupWord(ATTRIBUTE_WORDS, ATTRIBUTE_SLOTS, word, length);
}

// The bit position of each colour digit: byte pairs, high nibble first, lowest byte first.
int NibbleShift(int digitIndex) { return (digitIndex / 2) * 8 + (digitIndex % 2 == 0 ? 4 : 0); }

// A byte that ends a plain run of a quoted text: the quote, the backslash, or any byte
// with the high bit (a lead byte, or a single-byte katakana, taken one at a time).
bool IsSpecialByte(uint8_t b) { return b == '"' || b == '\\' || b >= 0x80; }
bool IsLead(uint8_t b) { return (b >= 0x80 && b <= 0x9F) || b >= 0xE0; }

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
    if (bytes[i] == '#' || bytes[i] == '*') *ends = true;
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

// Line feeds inside quoted texts are rare: memchr skips the stretches between them far
// faster than a byte-by-byte count (which took a third of a read).
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

// A file that loads itself (or a cycle of files) several times per level would otherwise
// multiply the work at every level of nesting: the outermost read has a budget of loads.

bool IsBeingRead(const char* name) {
  const size_t length = TextLength(name);
  for (int i = 0; i < keyboardState.loadDepth; ++i) {
    if (TextEqualNoCase(keyboardState.loadChain[i], name,
                        TextLength(keyboardState.loadChain[i]) + 1, length + 1))
      return true;
  }
  return false;
}

enum class Step { Next, Again, Error };

class Reader {
 public:
  Reader(const uint8_t* bytes, size_t size, int32_t idBase, AttributeSet* set)
      : bytes_(bytes), size_(size), idBase_(idBase), set_(set) {
    ResetAttributes(set_);
  }

  // 0 at the end of the bytes (or an asterisk), else 64 + the error code (reported).
  int Run() {
    bool inComment = false;
    for (pos_ = 0; pos_ < size_; ++pos_) {
      if (inComment) {
        // A comment runs to the next line feed whatever it holds.
        const void* feed = std::memchr(bytes_ + pos_, '\n', size_ - pos_);
        if (!feed) break;
        pos_ = static_cast<size_t>(static_cast<const uint8_t*>(feed) - bytes_);
        ++line_;
        inComment = false;
        continue;
      }
      if (state_ == State::Text) {
        ReadText();
        if (pos_ >= size_) break;
      }
      const uint8_t b = bytes_[pos_];
      if (!InQuotedText()) {
        if (b == '#') {
          inComment = true;
          continue;
        }
        if (b == '*') break;
      }
      Step step;
      do {
        step = Handle(b);
      } while (step == Step::Again);
      if (step == Step::Error) {
        Report();
        return 64 + error_;
      }
      if (b == '\n') ++line_;
    }
    return 0;
  }

 private:
  bool InQuotedText() const {
    return state_ == State::Text || state_ == State::IgnoredText ||
           state_ == State::IgnoredEscape || state_ == State::IgnoredTrail;
  }

  Step Fail(int code) {
    error_ = code;
    return Step::Error;
  }

  char* CurrentText() { return set_->text[ATTRIBUTE_WORDS[attribute_].text]; }

  // Texts longer than their buffer are cut: later bytes are dropped.
  void Store(uint8_t b) {
    if (textLength_ + 1 >= static_cast<size_t>(KEYBOARD_TEXT_SIZE)) {
      textCut_ = true;
      return;
    }
    char* text = CurrentText();
    text[textLength_++] = static_cast<char>(b);
    text[textLength_] = 0;
  }

  // Macro texts are most of a keyboard file, so a text is decoded here a run at a time
  // rather than byte by byte through the states: plain bytes a block at a time, escapes
  // and double-byte characters whole. Stops on the closing quote (left to the states) or at
  // the end of the bytes.
  void ReadText() {
    char* text = CurrentText();
    const size_t limit = static_cast<size_t>(KEYBOARD_TEXT_SIZE) - 1;
    size_t length = textLength_;
    const auto put = [&](uint8_t b) {
      if (length < limit) {
        text[length++] = static_cast<char>(b);
      } else {
        textCut_ = true;
      }
    };
    size_t p = pos_;
    // Whole blocks while both the bytes and the buffer have room for a block, the longest
    // escape read past its end and the copies' overrun: the specials of a block are found
    // at once, so that only they cost a step each. A plain run is copied when the special
    // byte that ends it is found, in whichever block.
    constexpr size_t BLOCK = 64;
    constexpr size_t REACH = 3;  // bytes an escape reads past its backslash
    constexpr size_t OVERRUN = 16;
    // Locals: the text's bytes could alias the members, which would be read again after
    // every byte stored.
    const uint8_t* const bytes = bytes_;
    const size_t size = size_;
    const auto ends = [](uint8_t b) { return b == '#' || b == '*'; };
    size_t run = p;  // the first byte not yet decoded, and not yet copied
    bool stop = false;
    // The specials of a block: when no hash or asterisk is near, the bytes after a special
    // need no look (the compiler makes the loop once for each case). Bit 0 of the mask
    // stands for the byte at `at`.
    const auto decode = [&](uint64_t mask, size_t at, auto watch) {
      char* out = text + length;
      while (mask != 0) {
        const int skip = std::countr_zero(mask);
        mask >>= skip;
        const size_t s = at + static_cast<size_t>(skip);
        CopyRun(out, bytes + run, s - run);
        out += s - run;
        run = s;
        const uint8_t b = bytes[s];
        // The quote, and a special byte followed by a hash or an asterisk, go to the
        // careful loop below (a single-byte katakana, which takes no byte after it, is
        // stored there all the same). The quote, once per text, is looked for last.
        if (watch && (b == '"' || ends(bytes[s + 1]))) {
          stop = true;
          break;
        }
        int used = 1;
        if (b == '\\') {
          const uint8_t e = bytes[s + 1];
          if (e != 'x') {
            *out++ = static_cast<char>(BYTE_TABLES.escaped[e]);
            used = 2;
          } else if (watch && ends(bytes[s + 2])) {
            stop = true;
            break;
          } else if (const int high = BYTE_TABLES.hex[bytes[s + 2]]; high < 0) {
            used = 3;  // the escape and this byte are dropped
          } else if (watch && ends(bytes[s + 3])) {
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
    };
    while (p + BLOCK + OVERRUN <= size &&
           length + (p - std::min(run, p)) + BLOCK + REACH + OVERRUN <= limit) {
      bool near = false;
      // An escape at the end of the last block may have taken the first bytes of this one.
      const size_t taken = run > p ? run - p : 0;
      const uint64_t mask = SpecialMask64(bytes + p, &near) >> taken;
      if (near) {
        decode(mask, p + taken, std::true_type{});
      } else {
        decode(mask, p + taken, std::false_type{});
      }
      if (stop) break;
      p += BLOCK;
    }
    if (!stop && run < p) {
      std::memcpy(text + length, bytes + run, p - run);
      length += p - run;
      run = p;
    }
    p = run;
    while (p < size_) {
      if (p + 8 <= size_ && length + 8 <= limit) {
        // Eight bytes are copied whole; only those before the first special one count.
        const uint64_t v = Load8(bytes_ + p);
        std::memcpy(text + length, &v, sizeof v);
        const uint64_t special = SpecialBytes(v);
        if (special == 0) {
          p += 8;
          length += 8;
          continue;
        }
        const size_t plain = static_cast<size_t>(std::countr_zero(special)) / 8;
        p += plain;
        length += plain;
      } else {
        while (p < size_ && !IsSpecialByte(bytes_[p])) put(bytes_[p++]);
      }
      if (p >= size_) break;
      const uint8_t b = bytes_[p];
      if (b == '"') break;
      // The bytes after a backslash or a lead byte are outside the plain text, where a
      // hash or an asterisk still counts: such an escape or character is left to the
      // states, as is one cut by the end of the bytes.
      const auto outside = [&](size_t i) {
        return i >= size_ || bytes_[i] == '#' || bytes_[i] == '*';
      };
      if (b == '\\') {
        if (outside(p + 1)) break;
        const uint8_t e = bytes_[p + 1];
        if (e != 'x') {
          put(e == 'n' ? 0x0A : e == 't' ? 0x09 : e);
          p += 2;
          continue;
        }
        if (outside(p + 2)) break;
        const int high = HexDigit(bytes_[p + 2]);
        if (high < 0) {
          p += 3;  // the escape and this byte are dropped
          continue;
        }
        if (outside(p + 3)) break;
        const int low = HexDigit(bytes_[p + 3]);
        if (low >= 0) put(static_cast<uint8_t>(high * 16 + low));
        p += 4;
        continue;
      }
      if (IsLead(b)) {
        if (outside(p + 1)) break;
        put(b);
        put(bytes_[p + 1]);
        p += 2;
        continue;
      }
      put(b);
      ++p;
    }
    text[length] = 0;
    textLength_ = length;
    line_ += CountLineFeeds(bytes_ + pos_, bytes_ + p);
    pos_ = p;
  }

  void EndText() {
    char* text = CurrentText();
    text[textLength_] = 0;
    if (!textCut_) return;
    text[WholeCharacters(text, textLength_)] = 0;
  }

  // A run of letters or of digits is taken in one step, the position left on its last
  // byte: it holds no line feed, hash or asterisk for the loop above to see.
  size_t LettersEnd(size_t from) const {
    while (from < size_ && IsAsciiLetter(bytes_[from])) ++from;
    return from;
  }

  Step Handle(uint8_t b) {
    switch (state_) {
      case State::BetweenTags:
        if (IsAsciiLetter(b)) {
          wordStart_ = pos_;
          wordEnd_ = pos_ + 1;
          state_ = State::TagWord;
        }
        return Step::Next;

      case State::TagWord: {
        if (IsAsciiLetter(b)) {
          wordEnd_ = LettersEnd(pos_ + 1);
          pos_ = wordEnd_ - 1;
          return Step::Next;
        }
        const size_t length = wordEnd_ - wordStart_;
        const int type = LookupTag(bytes_ + wordStart_, length);
        if (type == TAG_NONE) {
          if (length >= 2) return Fail(2);
          return Step::Next;
        }
        ResetAttributes(set_);
        tagId_ = 0;
        tagType_ = type;
        state_ = State::AfterTagWord;
        return Step::Again;
      }

      case State::AfterTagWord:
        if (b == '(') {
          state_ = State::IdStart;
        } else if (b == '=' && tagType_ == TAG_PREVIOUSCOLOR) {
          state_ = State::IgnoredQuoteOpen;
        }
        return Step::Next;

      case State::IdStart:
        if (IsDecimal(b) || b == '-') {
          idValue_ = 0;
          idBytes_ = 0;
          idNegative_ = false;
          state_ = State::IdDigits;
          return Step::Again;
        }
        return Step::Next;

      case State::IdDigits:
        if (IsDecimal(b)) {
          for (; pos_ < size_ && IsDecimal(bytes_[pos_]); ++pos_) {
            idValue_ = idValue_ * 10u + static_cast<uint32_t>(bytes_[pos_] & 0x0F);
            ++idBytes_;
          }
          --pos_;
          return Step::Next;
        }
        if (b == '-' && idBytes_ == 0) {
          idNegative_ = true;
          ++idBytes_;
          return Step::Next;
        }
        tagId_ = static_cast<int32_t>(static_cast<uint32_t>(idBase_) +
                                      (idNegative_ ? 0u - idValue_ : idValue_));
        state_ = State::CloseParen;
        return Step::Again;

      case State::CloseParen:
        if (b == ')') {
          if (tagType_ == TAG_KEY || tagType_ == TAG_COLOR || tagType_ == TAG_LOAD) {
            state_ = State::OpenBrace;
            return Step::Next;
          }
          return Act();
        }
        return Step::Next;

      case State::OpenBrace:
        if (b == '{') state_ = State::BetweenAttributes;
        return Step::Next;

      case State::BetweenAttributes:
        if (b == '}') return Act();
        if (b <= 0x20) return Step::Next;
        wordStart_ = pos_;
        wordEnd_ = pos_;
        state_ = State::AttributeWord;
        return Step::Again;

      case State::AttributeWord: {
        if (IsAsciiLetter(b)) {
          wordEnd_ = LettersEnd(pos_ + 1);
          pos_ = wordEnd_ - 1;
          return Step::Next;
        }
        const int attribute = LookupAttribute(bytes_ + wordStart_, wordEnd_ - wordStart_);
        if (attribute < 0) return Fail(10);
        attribute_ = attribute;
        state_ = State::Equals;
        return Step::Again;
      }

      case State::Equals:
        if (b == '=') {
          switch (ATTRIBUTE_WORDS[attribute_].kind) {
            case NUMBER:
              state_ = State::NumberFirst;
              break;
            case TEXT:
              state_ = State::QuoteOpen;
              break;
            case FLAG:
              state_ = State::FlagFirst;
              break;
            case COLOUR:
              state_ = State::ColourFirst;
              break;
          }
        }
        return Step::Next;

      case State::QuoteOpen:
        if (b == '"') {
          textLength_ = 0;
          textCut_ = false;
          CurrentText()[0] = 0;
          state_ = State::Text;
        }
        return Step::Next;

      case State::Text:
        if (b == '"') {
          EndText();
          state_ = State::BetweenAttributes;
        } else if (b == '\\') {
          state_ = State::Escape;
        } else if (IsLeadByte(b)) {
          Store(b);
          state_ = State::TrailByte;
        } else {
          Store(b);
        }
        return Step::Next;

      case State::TrailByte:
        Store(b);
        state_ = State::Text;
        return Step::Next;

      case State::Escape:
        if (b == 'x') {
          state_ = State::HexHigh;
          return Step::Next;
        }
        Store(b == 'n' ? 0x0A : b == 't' ? 0x09 : b);
        state_ = State::Text;
        return Step::Next;

      case State::HexHigh: {
        const int digit = HexDigit(b);
        if (digit >= 0) {
          pendingByte_ = static_cast<uint8_t>(digit * 16);
          state_ = State::HexLow;
        } else {
          state_ = State::Text;  // the escape and this byte are dropped
        }
        return Step::Next;
      }

      case State::HexLow: {
        const int digit = HexDigit(b);
        if (digit >= 0) Store(static_cast<uint8_t>(pendingByte_ + digit));
        state_ = State::Text;
        return Step::Next;
      }

      case State::NumberFirst:
        if (IsDecimal(b)) {
          set_->value[attribute_] = 0;
          state_ = State::NumberMore;
          return Step::Again;
        }
        return Step::Next;

      case State::NumberMore:
        if (IsDecimal(b)) {
          uint32_t value = set_->value[attribute_];
          for (; pos_ < size_ && IsDecimal(bytes_[pos_]); ++pos_) {
            value = value * 10u + (bytes_[pos_] & 0x0Fu);
          }
          set_->value[attribute_] = value;
          --pos_;
          return Step::Next;
        }
        state_ = State::BetweenAttributes;
        return Step::Again;

      case State::ColourFirst: {
        const int digit = HexDigit(b);
        if (digit >= 0) {
          set_->value[attribute_] = static_cast<uint32_t>(digit) * 16u;
          colourDigits_ = 1;
          state_ = State::ColourMore;
        }
        return Step::Next;
      }

      case State::ColourMore: {
        const int digit = HexDigit(b);
        if (digit < 0) {
          state_ = State::BetweenAttributes;
          return Step::Again;
        }
        // Digits past the eighth have no place in a 32-bit colour and are ignored.
        if (colourDigits_ < 8) {
          set_->value[attribute_] += static_cast<uint32_t>(digit) << NibbleShift(colourDigits_);
        }
        ++colourDigits_;
        return Step::Next;
      }

      case State::FlagFirst:
        if (IsDecimal(b)) {
          if ((b & 0x0F) == 0) set_->value[attribute_] = 0;
          state_ = State::FlagMore;
        }
        return Step::Next;

      case State::FlagMore:
        if (IsDecimal(b)) {
          if ((b & 0x0F) == 0) set_->value[attribute_] = 0;
          return Step::Next;
        }
        state_ = State::BetweenAttributes;
        return Step::Again;

      case State::IgnoredQuoteOpen:
        if (b == '"') state_ = State::IgnoredText;
        return Step::Next;

      case State::IgnoredText:
        if (b == '"') {
          // The text has nowhere to go; the tag acts as if its id were 0.
          tagId_ = 0;
          Step step = Act();
          state_ = State::SkipOne;
          return step;
        }
        if (b == '\\') {
          state_ = State::IgnoredEscape;
        } else if (IsLeadByte(b)) {
          state_ = State::IgnoredTrail;
        }
        return Step::Next;

      case State::IgnoredEscape:
      case State::IgnoredTrail:
        state_ = State::IgnoredText;
        return Step::Next;

      case State::SkipOne:
        state_ = State::BetweenTags;
        return Step::Next;
    }
    return Step::Next;
  }

  int32_t KeyFoundById() const { return FindKeyById(tagId_); }

  Step Act() {
    const int type = tagType_;
    tagType_ = TAG_NONE;
    state_ = State::BetweenTags;
    const uint32_t* v = set_->value;
    switch (type) {
      case TAG_KEY: {
        if (tagId_ == 0 || FindKeyById(tagId_) != 0) return Fail(32);
        const int32_t parent =
            FindKeyById(static_cast<int32_t>(v[A_PARENT] + static_cast<uint32_t>(idBase_)));
        const int32_t colorSet =
            v[A_COLORSET] != 0 ? FindColorSetById(static_cast<int32_t>(v[A_COLORSET])) : 0;
        CreateKey(static_cast<int32_t>(v[A_TYPE]), parent, v[A_X], v[A_Y], v[A_CX], v[A_CY], tagId_,
                  set_->text[0], set_->text[1], set_->text[3], set_->text[2], set_->text[4],
                  set_->text[5], colorSet, static_cast<int32_t>(v[A_VISIBLE]));
        break;
      }
      case TAG_COLOR:
        if (FindColorSetById(tagId_) != 0) return Fail(32);
        if (keyboardState.hooks.defaultTemplates) keyboardState.hooks.defaultTemplates();
        CreateColorSet(tagId_, v[A_NORMAL], v[A_FOCUS], v[A_SELECT], v[A_FNORMAL], v[A_FFOCUS],
                       v[A_FSELECT], v[A_TNORMAL], v[A_TFOCUS], v[A_TSELECT]);
        break;
      case TAG_LOAD:
        // A file that loads itself, or an ancestor, would recurse without end: such a
        // load, one past the nesting limit or past the load budget, is skipped like a
        // missing file.
        if (keyboardState.loadDepth < KEYBOARD_LOAD_DEPTH_LIMIT && keyboardState.loadsLeft > 0 &&
            !IsBeingRead(set_->text[6])) {
          --keyboardState.loadsLeft;
          LoadKeyboardFile(set_->text[6], tagId_);
        }
        break;
      case TAG_BASE:
        idBase_ =
            static_cast<int32_t>(static_cast<uint32_t>(tagId_) - static_cast<uint32_t>(idBase_));
        break;
      case TAG_BASEADD:
        idBase_ = tagId_;
        break;
      case TAG_HOME:
        PostToMain(MM_SET_HOME, static_cast<os::WPARAM>(KeyFoundById()), 0);
        break;
      case TAG_START:
        PostToMain(MM_SET_START, static_cast<os::WPARAM>(KeyFoundById()), 0);
        break;
      case TAG_YOSOKU:
        PostToMain(MM_SET_YOSOKU, static_cast<os::WPARAM>(KeyFoundById()), 0);
        break;
      case TAG_PYOSOKU:
        PostToMain(MM_SET_PYOSOKU, static_cast<os::WPARAM>(KeyFoundById()), 0);
        break;
      case TAG_KEYBOARD:
        PostToMain(MM_SET_KEYBOARD, static_cast<os::WPARAM>(KeyFoundById()), 0);
        break;
      case TAG_YOMI:
        PostToMain(MM_SET_YOMI, static_cast<os::WPARAM>(KeyFoundById()), 0);
        break;
      case TAG_YOSOKUCOLOR:
        PostToMain(MM_SET_YOSOKU_COLOR, static_cast<os::WPARAM>(FindColorSetById(tagId_)), 0);
        break;
      case TAG_PYOSOKUCOLOR:
        PostToMain(MM_SET_PYOSOKU_COLOR, static_cast<os::WPARAM>(FindColorSetById(tagId_)), 0);
        break;
      case TAG_NEXTCOLOR:
        PostToMain(MM_SET_NEXT_COLOR, static_cast<os::WPARAM>(FindColorSetById(tagId_)), 0);
        break;
      case TAG_PREVIOUSCOLOR:
        PostToMain(MM_SET_PREVIOUS_COLOR, static_cast<os::WPARAM>(FindColorSetById(tagId_)), 0);
        break;
      case TAG_IMECOLOR:
        PostToMain(MM_SET_IMECAND_COLOR, static_cast<os::WPARAM>(FindColorSetById(tagId_)), 0);
        break;
      default:  // onbegin
        break;
    }
    return Step::Next;
  }

  void Report() {
    // wsprintf writes at most 1024 bytes: the rest of the line is cut to fit, never in
    // the middle of a double-byte character.
    constexpr size_t NEXT_LIMIT = 900;
    char next[NEXT_LIMIT + 1];
    size_t n = 0;
    for (size_t i = pos_; i < size_ && bytes_[i] >= 0x20;) {
      const size_t width = IsLeadByte(bytes_[i]) && i + 1 < size_ && bytes_[i + 1] >= 0x20 ? 2 : 1;
      if (n + width > NEXT_LIMIT) break;
      for (size_t j = 0; j < width; ++j) next[n++] = static_cast<char>(bytes_[i + j]);
      i += width;
    }
    next[n] = 0;
    char message[1025];
    std::snprintf(message, sizeof message,
                  "Error on line %d type %d ID %d\nError Code %d\nNext String %s", line_, tagType_,
                  static_cast<int>(tagId_), error_, next);
    os::MessageBox(nullptr, message, "Error", os::MB_OK | os::MB_TOPMOST);
  }

  const uint8_t* bytes_;
  size_t size_;
  size_t pos_ = 0;
  int line_ = 1;
  int32_t idBase_;
  AttributeSet* set_;
  State state_ = State::BetweenTags;
  int tagType_ = TAG_NONE;
  int32_t tagId_ = 0;
  size_t wordStart_ = 0;
  size_t wordEnd_ = 0;
  uint32_t idValue_ = 0;
  int idBytes_ = 0;
  bool idNegative_ = false;
  int attribute_ = 0;
  size_t textLength_ = 0;
  bool textCut_ = false;
  uint8_t pendingByte_ = 0;
  int colourDigits_ = 0;
  int error_ = 0;
};

// The read proper: every handle and block it takes is given back before it returns.
// -1 when the file cannot be read, 0 when it was read through, else the reader's error.
int ReadKeyboardFile(const char* fileName, int32_t idBase) {
  ScopedFile file(os::CreateFile(fileName, os::GENERIC_READ,
                                 os::FILE_SHARE_READ | os::FILE_SHARE_WRITE, os::OPEN_EXISTING,
                                 os::FILE_ATTRIBUTE_NORMAL));
  if (!file) return -1;
  const os::DWORD size = os::GetFileSize(file.Get());
  if (size == os::INVALID_FILE_SIZE) return -1;
  if (size == 0) return 0;  // an empty file cannot be mapped, and holds nothing to read
  ScopedMapping mapping(os::CreateFileMapping(file.Get(), os::PAGE_READONLY, 0));
  if (!mapping) return -1;
  ScopedView view(os::MapViewOfFile(mapping.Get(), os::FILE_MAP_READ, 0));
  MemBlock<AttributeSet> set(static_cast<AttributeSet*>(MemAlloc(sizeof(AttributeSet))));
  if (!view || !set) return -1;
  // The error box lets other messages in, and a reload started there reads again
  // while this read is open: past the chain's room such a read is refused.
  if (keyboardState.loadDepth > KEYBOARD_LOAD_DEPTH_LIMIT) return -1;
  if (keyboardState.loadDepth == 0) keyboardState.loadsLeft = KEYBOARD_LOAD_COUNT_LIMIT;
  keyboardState.loadChain[keyboardState.loadDepth++] = fileName;
  Reader reader(static_cast<const uint8_t*>(view.Get()), size, idBase, set.Get());
  const int result = reader.Run();
  --keyboardState.loadDepth;
  return result;
}

}  // namespace

int LoadKeyboardFile(const char* fileName, int32_t idBase) {
  if (!fileName) return -1;
  const int result = ReadKeyboardFile(fileName, idBase);
  if (result == 0) PostToMain(MM_KEYBOARD_LOADED, 0, 0);
  return result;
}

}  // namespace mivo
