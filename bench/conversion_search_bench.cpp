// The conversion search runs after every kana the user adds to the reading. Here it reads
// a word dictionary and a phrase dictionary of 30000 lines each for readings of 1, 2 and
// 4 kana, and is measured against one memchr pass over the line ends of the same mapped
// bytes, the least any reading of both files could cost. No input method answers here:
// its own time is measured apart.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "base/text.h"
#include "ime/conversion_dict.h"
#include "ime/conversion_search.h"
#include "ime/state.h"
#include "platform/headless/desktop.h"
#include "predict/candidate_list.h"
#include "predict/dict_file.h"

namespace {

constexpr int LINES = 30000;

struct Random {
  uint64_t state = 0x9E3779B97F4A7C15ull;
  uint32_t Below(uint32_t n) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return static_cast<uint32_t>(state >> 32) % n;
  }
};

// Katakana ア..ン (0x83 0x40..0x93 without 0x7F), the first few far more often.
std::string Kana(Random& r, uint32_t n) {
  std::string s;
  for (; n > 0; --n) {
    uint32_t t = 0x40 + r.Below(1 + r.Below(0x53));
    if (t >= 0x7F) ++t;
    s += '\x83';
    s += static_cast<char>(t);
  }
  return s;
}

std::string Kanji(Random& r, uint32_t n) {
  std::string s;
  for (; n > 0; --n) {
    s += static_cast<char>(0x88 + r.Below(0x10));
    s += static_cast<char>(0x9F + r.Below(0x5D));
  }
  return s;
}

void Prepare() {
  static bool prepared = false;
  if (prepared) return;
  prepared = true;
  desktop::Reset();
  Random r;
  std::string words, phrases;
  for (int i = 0; i < LINES; ++i) {
    words += Kanji(r, 1 + r.Below(3)) + "\t" + Kana(r, 1 + r.Below(5)) + "\r\n";
    phrases += Kanji(r, r.Below(4)) + "\t" + Kanji(r, 1 + r.Below(3)) + "\t" +
               Kana(r, 1 + r.Below(5)) + "\r\n";
  }
  desktop::WriteFile("Trans\\word", words);
  desktop::WriteFile("Trans\\phrase", phrases);
  if (mivo::ConversionOpen() != 1) std::abort();
}

void Search(benchmark::State& state) {
  Prepare();
  // The readings the search meets most: prefixes of the most frequent kana.
  const std::string reading = std::string("\x83\x41\x83\x43\x83\x45\x83\x47")
                                  .substr(0, 2 * static_cast<size_t>(state.range(0)));
  uint32_t total = 0;
  for (auto _ : state) {
    mivo::CandidateList* list = mivo::ConversionSearch(reading.c_str(), "\x8a\xbf", 10, 0);
    total = list->total;
    mivo::CandidateListFree(list);
  }
  state.counters["candidates"] = total;
}
BENCHMARK(Search)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMicrosecond);

void PlainPass(benchmark::State& state) {
  Prepare();
  const mivo::DictSet* set = mivo::imeState.conversion;
  size_t lines = 0;
  for (auto _ : state) {
    lines = 0;
    for (const mivo::DictFile* f : {set->name, set->history}) {
      const char* p = f->view;
      const char* end = f->view + f->used;
      while ((p = static_cast<const char*>(memchr(p, '\n', static_cast<size_t>(end - p)))) !=
             nullptr) {
        ++lines;
        ++p;
      }
    }
    benchmark::DoNotOptimize(lines);
  }
  state.counters["lines"] = static_cast<double>(lines);
}
BENCHMARK(PlainPass)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
