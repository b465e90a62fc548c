// The prediction search runs after every switch selection while the user waits for the
// next scan step. Here it reads an application dictionary with a 3000-line history and
// a core name file of 30000 names, and is measured against one memchr pass over the
// line ends of the same mapped bytes, the least any reading of both files could cost.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/text.h"
#include "line_end_pass.h"
#include "platform/headless/desktop.h"
#include "predict/operations.h"
#include "predict/state.h"

namespace {

constexpr int HISTORY_LINES = 3000;
constexpr int NAME_LINES = 30000;
constexpr int OPERATIONS = 400;  // the operations one application's history is made of
constexpr uint32_t CAPACITY = 10;

// The same files on every machine and every run.
struct Random {
  uint64_t state = 0x9E3779B97F4A7C15ull;
  uint32_t Next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return static_cast<uint32_t>(state >> 32);
  }
  uint32_t Below(uint32_t n) { return Next() % n; }
  // Small values far more often than large ones, as operations are used.
  uint32_t Skewed(uint32_t n) { return Below(1 + Below(n)); }
};

// One double-byte character: hiragana, katakana or kanji, trail bytes 0x5C and 0x7C
// included.
std::string Wide(Random& r) {
  char c[2];
  switch (r.Below(3)) {
    case 0:
      c[0] = '\x82', c[1] = static_cast<char>(0x9F + r.Below(0xF1 - 0x9F + 1));
      break;
    case 1: {
      const uint32_t t = 0x40 + r.Below(0x96 - 0x40);
      c[0] = '\x83', c[1] = static_cast<char>(t >= 0x7F ? t + 1 : t);
      break;
    }
    default: {
      const uint32_t t = 0x40 + r.Below(0xFC - 0x40);
      c[0] = static_cast<char>(0x89 + r.Below(0x97 - 0x89 + 1));
      c[1] = static_cast<char>(t >= 0x7F ? t + 1 : t);
    }
  }
  return std::string(c, 2);
}

std::string WideText(Random& r, uint32_t minChars, uint32_t maxChars) {
  std::string s;
  for (uint32_t n = minChars + r.Below(maxChars - minChars + 1); n > 0; --n) s += Wide(r);
  return s;
}

std::string OperationKey(Random& r, int serial) {
  static const char* const kinds[] = {"Ed", "Fl", "Vw", "Tb", "Fm", "Ws", "Mv", "Sel"};
  std::string key = kinds[r.Below(8)];
  key += std::to_string(serial);
  if (r.Below(4) == 0) key += '_' + std::to_string(r.Below(100));
  return key;
}

// The last `length` bytes of a text at most, cut on a character.
std::string Tail(const std::string& text, size_t length) {
  if (text.size() < length) return text;
  size_t from = 0;
  while (from < text.size() - length) {
    from += mivo::IsLeadByte(static_cast<unsigned char>(text[from])) ? 2 : 1;
  }
  return text.substr(from < text.size() ? from : text.size());
}

struct Dictionaries {
  std::string history, names, recent;
};

// A session of operations and typed characters: each operation tends to follow the same
// few others, so contexts recur. Every operation leaves a history record (context, key,
// name) with the last 32 bytes before it as context; a record learned again moves to the
// end, as the merge does.
Dictionaries Generate() {
  Random r;
  std::vector<std::string> keys, names;
  std::vector<uint32_t> next;
  for (int i = 0; i < OPERATIONS; ++i) {
    keys.push_back(OperationKey(r, i));
    names.push_back(WideText(r, 2, 8));
    next.push_back(r.Below(OPERATIONS));
  }
  std::vector<std::string> records;
  std::unordered_map<std::string, size_t> where;
  std::string stream;
  uint32_t op = 0;
  int written = 0;
  while (written < HISTORY_LINES) {
    if (r.Below(4) == 0) {
      stream += WideText(r, 1, 3);  // keys that type characters, between operations
      continue;
    }
    op = r.Below(5) < 3 ? (next[op] + r.Below(3)) % OPERATIONS : r.Skewed(OPERATIONS);
    const std::string record =
        Tail(stream, mivo::APP_CONTEXT_LENGTH) + "\t" + keys[op] + "\t" + names[op] + "\r\n";
    if (auto found = where.find(record); found != where.end()) {
      records[found->second].clear();
    } else {
      ++written;
    }
    where[record] = records.size();
    records.push_back(record);
    stream += keys[op];
    if (stream.size() > 4096) stream = Tail(stream, 256);
  }
  Dictionaries d;
  for (const std::string& record : records) d.history += record;
  for (int i = 0; i < NAME_LINES; ++i) {
    d.names += OperationKey(r, 1000 + i) + "\t" + WideText(r, 2, 10) + "\r\n";
  }
  d.recent = Tail(stream, mivo::RECENT_TEXT_MAX);
  return d;
}

// The files as the program finds them: ApplicationList.txt, PredCore, and the
// application's folder, opened by PredictionOpen and SwitchDictionary.
struct OpenDictionaries {
  Dictionaries d = Generate();
  OpenDictionaries() {
    desktop::Reset();
    desktop::WriteFile("ApplicationList.txt", "Editor\tEditor\r\n");
    desktop::WriteFile("PredCore\\Name", d.names);
    desktop::WriteFile("PredCore\\Macro", "");
    desktop::WriteFile("Editor\\history", d.history);
    desktop::WriteFile("Editor\\name", "");
    desktop::WriteFile("Editor\\macro", "");
    ok = mivo::PredictionOpen() == 1;
    mivo::SwitchDictionary("Editor");
    ok = ok && mivo::predictState.slots[0] != nullptr;
    // The recent text where the program keeps it: the keys learned, without a name.
    if (ok) mivo::LearnOperation(d.recent.c_str(), nullptr);
  }
  // Without a desktop::Reset, which would make a fresh folder only to leave it behind.
  ~OpenDictionaries() {
    mivo::ResetPredictState();
    std::filesystem::remove_all(desktop::WorkingFolder());
  }
  bool ok = false;
};

void BM_PredictSearch(benchmark::State& state) {
  OpenDictionaries open;
  if (!open.ok) {
    state.SkipWithError("dictionaries not opened");
    return;
  }
  const char* recent = mivo::ActiveRecentText();
  const uint32_t length = static_cast<uint32_t>(std::strlen(recent));
  const uint32_t skip = static_cast<uint32_t>(state.range(0));
  uint32_t fromHistory = 0;
  for (auto _ : state) {
    mivo::CandidateList* list = mivo::PredictSearch(recent, length, CAPACITY, skip);
    benchmark::DoNotOptimize(list);
    if (list == nullptr || list->total < skip + CAPACITY) {
      state.SkipWithError("no full page");
      mivo::CandidateListFree(list);
      break;
    }
    fromHistory = 0;
    for (uint32_t i = 0; i < CAPACITY; ++i) fromHistory += list->kinds[i] == 1 ? 1 : 0;
    mivo::CandidateListFree(list);
  }
  state.counters["from_history"] = fromHistory;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(open.d.history.size() + open.d.names.size()));
}
BENCHMARK(BM_PredictSearch)->Arg(0)->Arg(20)->Unit(benchmark::kMicrosecond);

// The floor: every line end of both mapped files found once.
void BM_LineEndPass(benchmark::State& state) {
  OpenDictionaries open;
  if (!open.ok) {
    state.SkipWithError("dictionaries not opened");
    return;
  }
  size_t lines = 0;
  for (auto _ : state) {
    lines =
        bench::LineEndPass({mivo::predictState.slots[0]->history, mivo::predictState.core->name});
    benchmark::DoNotOptimize(lines);
  }
  if (lines != HISTORY_LINES + NAME_LINES) state.SkipWithError("line count differs");
  state.counters["history_bytes"] = static_cast<double>(open.d.history.size());
  state.counters["name_bytes"] = static_cast<double>(open.d.names.size());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(open.d.history.size() + open.d.names.size()));
}
BENCHMARK(BM_LineEndPass)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
