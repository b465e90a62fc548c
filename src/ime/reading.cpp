#include "ime/reading.h"

#include <cstring>
#include <initializer_list>

#include "base/text.h"
#include "dict/dict_file.h"
#include "ime/kana.h"
#include "ime/state.h"

namespace mivo {
namespace {

constexpr size_t TEXT_MAX = DICT_RECENT_SIZE - 1;

char* Reading() { return imeState.reading; }
char* Committed() { return imeState.conversion ? imeState.conversion->recent : nullptr; }

// The start of the last character, found by walking whole characters from the start.
size_t LastCharacter(const char* text, size_t length) {
  size_t last = 0;
  for (size_t i = 0; i < length; i += IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1)
    last = i;
  return last;
}

// The trail byte of the katakana the text ends in, or 0.
unsigned char EndingKatakana(const char* text, size_t length) {
  if (length < 2) return 0;
  const size_t last = LastCharacter(text, length);
  if (length - last != 2 || static_cast<unsigned char>(text[last]) != 0x83) return 0;
  return static_cast<unsigned char>(text[last + 1]);
}

bool OneOf(unsigned char trail, const char* trails) {
  return trail != 0 && strchr(trails, static_cast<char>(trail)) != nullptr;
}

// カキクケコ サシスセソ タチツテト ハヒフヘホ, and ア イ ウ エ オ ツ ヤ ユ ヨ.
constexpr char kVoiceable[] = "\x4a\x4c\x4e\x50\x52\x54\x56\x58\x5a\x5c\x5e\x60\x63\x65\x67";
constexpr char kHaRow[] = "\x6e\x71\x74\x77\x7a";
constexpr char kSmallable[] = "\x41\x43\x45\x47\x49\x63\x84\x86\x88";
constexpr unsigned char KATAKANA_U = 0x45, KATAKANA_VU = 0x94;

}  // namespace

const char* ConversionReading() { return Reading() ? Reading() : ""; }
const char* ConversionCommitted() { return Committed() ? Committed() : ""; }

void ReadingAppend(const char* text) {
  char* reading = Reading();
  if (reading == nullptr || text == nullptr) return;
  imeState.imeOnlyMode = false;
  size_t length = strnlen(reading, TEXT_MAX);
  // Appends whole characters while they fit the buffer.
  auto append = [&](const char* bytes, size_t n) {
    if (length + n > TEXT_MAX) return;
    memcpy(reading + length, bytes, n);
    length += n;
  };
  for (size_t i = 0; text[i] != '\0';) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (!IsLeadByte(lead) || text[i + 1] == '\0') {
      append(text + i, 1);
      ++i;
      continue;
    }
    const auto trail = static_cast<unsigned char>(text[i + 1]);
    i += 2;
    const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    if (lead == 0x82 && ((trail >= 0x4F && trail <= 0x79) || (trail >= 0x81 && trail <= 0x9A))) {
      const char ascii = static_cast<char>(trail <= 0x79 ? trail - 0x1F : trail - 0x20);
      append(&ascii, 1);
    } else if (lead == 0x82 && trail >= 0x9F && trail <= 0xF1) {
      char katakana[3] = {};
      HiraganaToKatakana(pair, 2, katakana, 2);
      append(katakana, 2);
    } else if (lead == 0x81 && (trail == 0x4A || trail == 0x4B)) {
      const unsigned char last = EndingKatakana(reading, length);
      unsigned char* lastTrail = reinterpret_cast<unsigned char*>(reading + length - 1);
      if (trail == 0x4A && OneOf(last, kVoiceable)) {
        *lastTrail = static_cast<unsigned char>(last + 1);
      } else if (trail == 0x4A && last == KATAKANA_U) {
        *lastTrail = KATAKANA_VU;
      } else if (OneOf(last, kHaRow)) {
        *lastTrail = static_cast<unsigned char>(last + (trail == 0x4A ? 1 : 2));
      } else {
        append(pair, 2);
      }
    } else if (lead == 0x81 && trail == 0xFF) {
      const unsigned char last = EndingKatakana(reading, length);
      if (OneOf(last, kSmallable)) reading[length - 1] = static_cast<char>(last - 1);
    } else {
      append(pair, 2);
    }
  }
}

void ReadingClear() {
  if (Reading() != nullptr) memset(Reading(), 0, TEXT_MAX);
  imeState.imeOnlyMode = false;
}

void ReadingBackspace() {
  imeState.imeOnlyMode = false;
  if (Reading() != nullptr) RemoveLastCharacter(Reading());
}

void CommittedAppend(const char* text) {
  char* committed = Committed();
  if (committed == nullptr || text == nullptr) return;
  size_t length = strnlen(committed, TEXT_MAX);
  size_t add = strlen(text);
  // A text longer than the whole buffer keeps its own end, cut at a character boundary.
  while (add > TEXT_MAX) {
    const size_t step = IsLeadByte(static_cast<unsigned char>(*text)) && text[1] != '\0' ? 2 : 1;
    text += step;
    add -= step;
  }
  size_t drop = 0;
  while (length - drop + add > TEXT_MAX)
    drop += IsLeadByte(static_cast<unsigned char>(committed[drop])) ? 2 : 1;
  if (drop > length) drop = length;
  memmove(committed, committed + drop, length - drop);
  memcpy(committed + length - drop, text, add);
  memset(committed + length - drop + add, 0, DICT_RECENT_SIZE - (length - drop + add));
}

void CommittedBackspace() {
  DictSet* set = imeState.conversion;
  if (set == nullptr) return;
  if (!imeState.undoLatch) {
    DictFileDropNewest(set->history);
    DictFileDropNewest(set->name);
    imeState.undoLatch = true;
  }
  RemoveLastCharacter(set->recent);
}

}  // namespace mivo
