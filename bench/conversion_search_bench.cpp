// The conversion search runs after every kana the user adds to the reading, and with no
// reading after every commit (kana:0), each time while the user waits for the candidate
// panel. Here it reads two sets of dictionaries: the seeds of the default working folder
// (data/word and data/phrase, which make seed writes), put where a first start finds them
// and copied into Trans by the program's own open; and generated ones of 30000 lines each,
// as large as either file is ever kept. Each case is set beside the floor, one memchr pass
// over the line ends of the same mapped bytes, the least any reading of both files could
// cost: plain_pass_us is the floor's CPU time, timed right after the case, and
// x_plain_pass the case's CPU time over it. No input method answers here: its own time is
// measured apart.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "base/settings.h"
#include "dict/candidate_list.h"
#include "dict/dict_file.h"
#include "ime/conversion_dict.h"
#include "ime/conversion_search.h"
#include "ime/state.h"
#include "line_end_pass.h"
#include "platform/headless/desktop.h"

namespace {

// The thread's CPU time in seconds, which the CPU column reports too: on a shared machine
// the wall clock also counts the turns of other programs, and those differ between a case
// and its floor.
double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

constexpr int LINES = 30000;

enum class Source { None, Seeds, Generated };

// What the user has written and goes on to type, as the search gets it: the committed
// text, the end of the sentence written over and over, as many bytes of it as a case
// asks; and a reading whose first 0, 1, 2 or 4 kana are searched for.
struct Typing {
  const char* sentence;
  const char* reading;
};
// A sentence ending in a common word just chosen (今日は朝から頭が), and readings common in
// the seeds (カンコウ: カ begins some 2600 of their records). The committed text is only
// ever shortened by the backspace, so after a few sentences it holds its whole 256 bytes.
constexpr Typing SEED_TYPING = {"\x8d\xa1\x93\xfa\x82\xcd\x92\xa9\x82\xa9\x82\xe7\x93\xaa\x82\xaa",
                                "\x83\x4a\x83\x93\x83\x52\x83\x45"};
// The generator's most frequent kana (アイウエ), after a kanji (漢).
constexpr Typing GENERATED_TYPING = {"\x8a\xbf", "\x83\x41\x83\x43\x83\x45\x83\x47"};

// The last `length` bytes of the sentence repeated; its characters are all double-byte.
std::string Committed(const char* sentence, size_t length) {
  std::string text;
  while (text.size() < length) text += sentence;
  return text.substr(text.size() - length);
}

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

size_t LineEnds(const std::string& bytes) {
  size_t n = 0;
  for (char c : bytes) n += c == '\n' ? 1 : 0;
  return n;
}

// The dictionaries are the program's own state, so one set is open at a time; the cases of
// one source run one after another, which opens each source once.
struct Opened {
  Source source = Source::None;
  std::string folder;
  std::string error;  // why the cases cannot run, or ""
  size_t lines = 0;   // what the files written hold, which the open must keep whole
};
Opened opened;
bool seedsMissing = false;

// Without a desktop::Reset, which would make a fresh folder only to leave it behind.
void Close() {
  if (opened.source == Source::None) return;
  mivo::ResetImeState();
  std::filesystem::remove_all(opened.folder);
  opened = Opened{};
}

// The seeds where make seed leaves them in the source tree, not a copy that could age.
std::string WriteSeeds() {
  for (const char* name : {"word", "phrase"}) {
    const std::filesystem::path path = std::filesystem::path(MIVO_SOURCE_DIR) / "data" / name;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
      seedsMissing = true;
      return path.string() + " is missing: run make seed";
    }
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    opened.lines += LineEnds(bytes);
    desktop::WriteFile(name, bytes);
  }
  return "";
}

std::string WriteGenerated() {
  Random r;
  std::string words, phrases;
  for (int i = 0; i < LINES; ++i) {
    words += Kanji(r, 1 + r.Below(3)) + "\t" + Kana(r, 1 + r.Below(5)) + "\r\n";
    phrases += Kanji(r, r.Below(4)) + "\t" + Kanji(r, 1 + r.Below(3)) + "\t" +
               Kana(r, 1 + r.Below(5)) + "\r\n";
  }
  opened.lines = 2 * LINES;
  desktop::WriteFile("Trans\\word", words);
  desktop::WriteFile("Trans\\phrase", phrases);
  return "";
}

size_t PlainPass() {
  const mivo::DictSet* set = mivo::imeState.conversion;
  return bench::LineEndPass({set->history, set->name});
}

// The reason the cases of `source` cannot run, or "" with its dictionaries open.
const std::string& Open(Source source) {
  if (opened.source == source) return opened.error;
  Close();
  desktop::Reset();
  opened.source = source;
  opened.folder = desktop::WorkingFolder();
  opened.error = source == Source::Seeds ? WriteSeeds() : WriteGenerated();
  if (!opened.error.empty()) return opened.error;
  if (mivo::ConversionOpen() != 1) {
    opened.error = "dictionaries not opened";
  } else if (PlainPass() != opened.lines) {
    opened.error = "the dictionaries opened lack lines of the files written";
  }
  return opened.error;
}

// The floor timed at once after the case and as many times, so that both meet the same
// load of a shared machine, and the case's time as a multiple of it.
void SetBesideFloor(benchmark::State& state, double searching) {
  const int64_t runs = state.iterations();
  if (runs <= 0) return;
  const double start = CpuSeconds();
  for (int64_t i = 0; i < runs; ++i) benchmark::DoNotOptimize(PlainPass());
  const double passing = CpuSeconds() - start;
  state.counters["plain_pass_us"] = 1e6 * passing / static_cast<double>(runs);
  state.counters["x_plain_pass"] = searching / passing;
}

void Search(benchmark::State& state, Source source) {
  if (const std::string& error = Open(source); !error.empty()) {
    state.SkipWithError(error.c_str());
    return;
  }
  const Typing& typing = source == Source::Seeds ? SEED_TYPING : GENERATED_TYPING;
  const std::string reading =
      std::string(typing.reading).substr(0, 2 * static_cast<size_t>(state.range(0)));
  const std::string committed = Committed(typing.sentence, static_cast<size_t>(state.range(1)));
  // The page the default settings ask for.
  const auto capacity = static_cast<uint32_t>(mivo::settings.MaxCandidates);
  uint32_t total = 0;
  const double start = CpuSeconds();
  for (auto _ : state) {
    mivo::CandidateList* list =
        mivo::ConversionSearch(reading.c_str(), committed.c_str(), capacity, 0);
    benchmark::DoNotOptimize(list);
    total = list != nullptr ? list->total : 0;
    mivo::CandidateListFree(list);
  }
  const double searching = CpuSeconds() - start;
  state.counters["candidates"] = total;
  SetBesideFloor(state, searching);
}
// Committed "頭が" alone, and a whole committed text ending in it.
BENCHMARK_CAPTURE(Search, seeds, Source::Seeds)
    ->ArgNames({"kana", "committed"})
    ->ArgsProduct({{0, 1, 2, 4}, {4, mivo::DICT_RECENT_SIZE - 1}})
    ->Unit(benchmark::kMicrosecond);

void Floor(benchmark::State& state, Source source) {
  if (const std::string& error = Open(source); !error.empty()) {
    state.SkipWithError(error.c_str());
    return;
  }
  size_t lines = 0;
  for (auto _ : state) {
    lines = PlainPass();
    benchmark::DoNotOptimize(lines);
  }
  state.counters["lines"] = static_cast<double>(lines);
  state.counters["bytes"] = static_cast<double>(mivo::imeState.conversion->history->used +
                                                mivo::imeState.conversion->name->used);
}
BENCHMARK_CAPTURE(Floor, seeds, Source::Seeds)->Unit(benchmark::kMicrosecond);

BENCHMARK_CAPTURE(Search, generated, Source::Generated)
    ->ArgNames({"kana", "committed"})
    ->ArgsProduct({{1, 2, 4}, {2}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Floor, generated, Source::Generated)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  Close();
  benchmark::Shutdown();
  if (seedsMissing) {
    std::fprintf(stderr,
                 "conversion_search_bench: the seeds of data/ are missing: run make seed\n");
    return 1;
  }
  return 0;
}
