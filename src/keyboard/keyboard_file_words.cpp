// The tag words and their one-step lookup; the attribute record's defaults.
#include "keyboard/keyboard_file_words.h"

namespace mivo {

namespace {

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

}  // namespace

void ResetAttributes(AttributeSet* set) {
  for (int a = 0; a < ATTRIBUTE_COUNT; ++a) set->value[a] = ATTRIBUTE_WORDS[a].defaultValue;
  for (auto& text : set->text) text[0] = 0;
}

int LookupTag(const uint8_t* word, size_t length) {
  const int w = LookupWord(TAG_WORDS, TAG_SLOTS, word, length);
  return w < 0 ? TAG_NONE : TAG_WORDS[w].type;
}

int LookupAttribute(const uint8_t* word, size_t length) {
  return LookupWord(ATTRIBUTE_WORDS, ATTRIBUTE_SLOTS, word, length);
}

}  // namespace mivo
