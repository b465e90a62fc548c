#include "ime/conversion_search.h"

#include <algorithm>
#include <cstring>

#include "base/scoped.h"
#include "base/text.h"
#include "ime/ime_access.h"
#include "ime/kana.h"
#include "ime/state.h"
#include "predict/candidate_list.h"
#include "predict/dict_file.h"

namespace mivo {
namespace {

constexpr uint32_t WORKING_SIZE = 100;
// Past the working size the list still takes the candidates for the whole reading: a
// common reading begins so many longer words that its own words would otherwise never
// be reached (かく and 各 behind a hundred words of カク...).
constexpr uint32_t WHOLE_READING_ROOM = 1000;
constexpr uint32_t RECENCY_SPAN = 30000;
constexpr char TAB = '\t';

uint32_t Characters(const char* text, uint32_t length) {
  uint32_t n = 0;
  for (uint32_t i = 0; i < length; i += IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1)
    ++n;
  return n;
}

// A text converted by one of the kana shapes, sized by a counting call first.
OwnedText Shape(uint32_t (*convert)(const char*, uint32_t, char*, uint32_t), const char* text,
                uint32_t length) {
  const uint32_t size = convert(text, length, nullptr, 0);
  OwnedText out(static_cast<char*>(MemAlloc(size + 1)));
  if (out) convert(text, length, out.Get(), size);
  return out;
}

struct Search {
  const char* R;
  uint32_t Lr;
  const char* Rh;
  uint32_t Lhira;
  const char* H;
  uint32_t Lh;
  CandidateList* W;
  int room = 1;
  uint32_t t = 0;

  // whole: a candidate for the whole reading, which the list takes past its working size.
  void Add(const char* key, uint32_t keyLength, const char* text, uint32_t textLength,
           uint32_t score, int32_t kind, bool whole) {
    if (!Full()) {
      t = CandidateListAdd(W, nullptr, key, keyLength, text, textLength, score, room, kind, 0);
      if (t >= WORKING_SIZE) room = 0;
      if (!Full()) return;  // taken; else refused for room, as the list filled
    }
    if (!whole) return;
    const int wholeRoom = W->total < WORKING_SIZE + WHOLE_READING_ROOM ? 1 : 0;
    CandidateListAdd(W, nullptr, key, keyLength, text, textLength, score, wholeRoom, kind, 0);
  }
  bool Full() const { return t > WORKING_SIZE; }
  bool Whole(const char* reading, uint32_t length) const {
    return (length == Lr && memcmp(reading, R, Lr) == 0) ||
           (length == Lhira && memcmp(reading, Rh, Lhira) == 0);
  }
  // Whether a record can end in the whole reading as its last field, read from its end:
  // once the list is full, the records that cannot are passed over without parsing them.
  bool MayEndInWholeReading(const char* line, const char* end) const {
    const auto endsIn = [&](const char* x, uint32_t n) {
      return n > 0 && static_cast<uint32_t>(end - line) > n &&
             end[-static_cast<int64_t>(n) - 1] == TAB && memcmp(end - n, x, n) == 0;
    };
    return endsIn(R, Lr) || endsIn(Rh, Lhira);
  }
  uint32_t Threshold() const { return Lr * 1000 + 400; }
  static uint32_t Recency(uint32_t u) { return u < RECENCY_SPAN ? (RECENCY_SPAN - u) / 100 : 0; }

  uint32_t ReadingScore(const char* field, uint32_t length, uint32_t weight, uint32_t bonus) const {
    const uint32_t sum = ReadingMatchScore(field, length, R, Lr, weight) +
                         ReadingMatchScore(field, length, Rh, Lhira, weight);
    return sum != 0 ? sum + bonus : 0;
  }

  // context TAB text TAB reading
  void Phrase(const char* line, const char* end, uint32_t u) {
    if (Full() && !MayEndInWholeReading(line, end)) return;
    const char* reading = ScanBackToChar(end - 1, line, TAB);
    if (reading == line) return;
    const char* text = ScanBackToChar(reading - 2, line, TAB);
    if (text == line || reading - 1 < text) return;
    const auto readingLength = static_cast<uint32_t>(end - reading);
    const bool whole = Lr > 0 && Whole(reading, readingLength);
    if (Full() && !whole) return;  // once full, only the whole reading is read on
    uint32_t score = Lr > 0 ? ReadingScore(reading, readingLength, 2000, 150) : 1;
    const auto contextLength = static_cast<uint32_t>(text - 1 - line);
    if (contextLength > 0 && Lh > 0) score += ContextMatchScore(line, contextLength, H, Lh, 1250);
    score += Recency(u);
    if (score <= Threshold()) return;
    Add(reading, readingLength, text, static_cast<uint32_t>(reading - 1 - text), score,
        CONVERSION_FROM_PHRASE, whole);
  }

  // text TAB reading
  void Word(const char* line, const char* end, uint32_t u) {
    if (Full() && !MayEndInWholeReading(line, end)) return;
    const char* reading = ScanBackToChar(end - 1, line, TAB);
    if (reading == line) return;
    const auto readingLength = static_cast<uint32_t>(end - reading);
    const bool whole = Lr > 0 && Whole(reading, readingLength);
    if (Full() && !whole) return;
    const uint32_t score = ReadingScore(reading, readingLength, 2500, 500) + Recency(u);
    if (score <= Threshold()) return;
    Add(reading, readingLength, line, static_cast<uint32_t>(reading - 1 - line), score,
        CONVERSION_FROM_WORD, whole);
  }

  // The most a phrase record whose reading does not match can score: 1 without a reading,
  // the context and the recency. A context match scores one term per character of the
  // committed text compared, and compares no more of its bytes than the longest context
  // holds: a committed text of many characters does not lift the ceiling past that.
  uint32_t UnmatchedPhraseCeiling() const {
    const uint32_t longest = imeState.longestPhraseContext;
    const uint32_t budget = longest == 0 ? Lh : std::min(Lh, longest);
    const auto* h = reinterpret_cast<const unsigned char*>(H);
    uint32_t context = 0;
    for (uint32_t k = 1, y = 0; y < budget && context <= Threshold(); ++k) {
      context += 1250 / (k + 1);
      y += Lh - y >= 2 && IsLeadByte(h[Lh - y - 2]) ? 2 : 1;
    }
    return (Lr > 0 ? 0 : 1) + context + Recency(1);
  }

  // Newest record first, numbered from 1 afresh for each walk. A record whose reading
  // begins with neither form of R scores too little to be a candidate (a phrase only while
  // its context cannot make up for the reading), so the walk passes over such records
  // without reading them. Without a reading nothing is the whole reading, so a full list
  // ends the walks.
  void Walk(const char* text, uint32_t length, bool phrase) {
    if (Full() && Lr == 0) return;
    RecordFilter filter;
    filter.every = phrase && UnmatchedPhraseCeiling() > Threshold();
    if (Lr > 0) filter.prefix[0] = R, filter.prefixLength[0] = Lr;
    if (Lhira > 0) filter.prefix[1] = Rh, filter.prefixLength[1] = Lhira;
    EachRecordBackwards(text, length, filter, [&](const char* line, const char* end, uint32_t u) {
      if (phrase) {
        Phrase(line, end, u);
      } else {
        Word(line, end, u);
      }
      return !Full() || Lr > 0;
    });
  }

  void File(const DictFile* file, bool phrase) {
    if (file == nullptr || file->view == nullptr) return;
    if (file->pending != nullptr)
      Walk(file->pending, static_cast<uint32_t>(strnlen(file->pending, file->pendingCapacity)),
           phrase);
    Walk(file->view, file->used, phrase);
  }

  void InputMethod(const char* halfWidth, uint32_t Lk) {
    if (Lk == 0) return;
    const ImeProduct product = ImeGetProduct();
    if (product == Atok) return;
    const bool half = product == Ime95 || product == Ime97 || product == Ime98;
    const uint32_t count = half ? ImeOpenCandidates(halfWidth, Lk) : ImeOpenCandidates(Rh, Lhira);
    // Its candidates are all for the whole reading, so it is asked however full the list.
    for (uint32_t i = 0; i < count && W->total < WORKING_SIZE + WHOLE_READING_ROOM; ++i) {
      const uint32_t length = ImeGetCandidate(i, nullptr);
      if (length == 0) break;
      OwnedText text(static_cast<char*>(MemAlloc(length + 1)));
      if (!text) break;
      ImeGetCandidate(i, text.Get());
      Add(R, Lr, text.Get(), length, 2400, CONVERSION_FROM_IME, true);
    }
    ImeCloseCandidates();
  }
};

}  // namespace

uint32_t ReadingMatchScore(const char* field, uint32_t fieldLength, const char* x, uint32_t xLength,
                           uint32_t weight) {
  // Most fields differ at once: the first byte spares the call.
  if (x == nullptr || xLength == 0 || fieldLength < xLength || field[0] != x[0] ||
      memcmp(field, x, xLength) != 0)
    return 0;
  return weight * Characters(x, xLength);
}

uint32_t ContextMatchScore(const char* context, uint32_t contextLength, const char* committed,
                           uint32_t committedLength, uint32_t weight) {
  const uint32_t budget = std::min(contextLength, committedLength);
  const auto* c = reinterpret_cast<const unsigned char*>(context);
  const auto* h = reinterpret_cast<const unsigned char*>(committed);
  // x and y: how many bytes of each end have been compared.
  uint32_t score = 0, x = 0, y = 0;
  for (uint32_t k = 1; x < budget && y < budget; ++k) {
    const uint32_t cEnd = contextLength - x, hEnd = committedLength - y;
    const bool cDouble = cEnd >= 2 && IsLeadByte(c[cEnd - 2]);
    const bool hDouble = hEnd >= 2 && IsLeadByte(h[hEnd - 2]);
    if (cDouble && hDouble) {
      if (c[cEnd - 2] == h[hEnd - 2] && c[cEnd - 1] == h[hEnd - 1]) score += weight / (k + 1);
    } else if (!cDouble && !hDouble) {
      if (c[cEnd - 1] == h[hEnd - 1]) score += weight / (k + 1);
    }
    x += cDouble ? 2 : 1;
    y += hDouble ? 2 : 1;
  }
  return score;
}

CandidateList* ConversionSearch(const char* reading, const char* committed, uint32_t capacity,
                                uint32_t skip) {
  const DictSet* set = imeState.conversion;
  if (set == nullptr) return nullptr;
  if (reading == nullptr) reading = "";
  if (committed == nullptr) committed = "";
  const auto Lr = static_cast<uint32_t>(strlen(reading));
  CandidateList* W = CandidateListCreate(WORKING_SIZE + WHOLE_READING_ROOM, 0);
  CandidateList* P = CandidateListCreate(capacity, skip);
  char** skipped = SkippedKeysCreate(skip);
  OwnedText hiragana = Shape(KatakanaToHiragana, reading, Lr);
  OwnedText halfWidth = Shape(KanaToHalfWidth, reading, Lr);
  if (W == nullptr || P == nullptr || skipped == nullptr || !hiragana || !halfWidth) {
    CandidateListFree(W);
    SkippedKeysFree(skipped);
    return P;
  }
  Search s{reading,
           Lr,
           hiragana.Get(),
           static_cast<uint32_t>(strlen(hiragana.Get())),
           committed,
           static_cast<uint32_t>(strlen(committed)),
           W};
  if (Lr > 0) {
    s.Add(reading, Lr, s.Rh, s.Lhira, 200000, CONVERSION_FROM_READING, true);
    s.Add(reading, Lr, reading, Lr, 199999, CONVERSION_FROM_READING, true);
  }
  if (!imeState.imeOnlyMode) {
    s.File(set->history, true);
    s.File(set->name, false);
  }
  s.InputMethod(halfWidth.Get(), static_cast<uint32_t>(strlen(halfWidth.Get())));

  int room = 1;
  uint32_t i = 0;
  for (; i < capacity + skip && i < W->total; ++i) {
    const uint32_t total = CandidateListAdd(
        P, skipped, W->keys[i], static_cast<uint32_t>(strlen(W->keys[i])), W->texts[i],
        static_cast<uint32_t>(strlen(W->texts[i])), W->scores[i], room, W->kinds[i], 0);
    if (total >= capacity + skip) room = 0;
  }
  P->more = i < W->total ? 1 : 0;
  CandidateListFree(W);
  SkippedKeysFree(skipped);
  return P;
}

}  // namespace mivo
