// A merge runs while the user waits, each time a pending buffer fills (about every tenth
// learned record); a close runs at shutdown and when a fourth application pushes a
// dictionary out. Both are measured on the two shapes of file the program keeps large: a
// core name file of 3 MB (long names) and a conversion word file of 30000 short lines,
// trimmed at close as the conversion side trims it. A merge either only adds records or
// also replaces the file's oldest line, which makes it rewrite the whole file.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "dict/dict_file.h"
#include "platform/headless/desktop.h"

namespace {

constexpr uint32_t WORD_LINES = 30000;

enum Shape { NAMES_3MB, WORDS_30000 };

std::string Record(Shape shape, uint32_t serial) {
  const std::string number = std::to_string(1000000 + serial).substr(1);
  if (shape == NAMES_3MB)  // 178 bytes, as the names of a grown core file
    return "n" + number + "\t" + std::string(168, 'a' + serial % 26) + "\r\n";
  return "w" + number + "\t" + std::string(10 + serial % 12, 'k') + "\r\n";
}

struct File {
  std::string bytes;
  uint32_t lines = 0;
};

const File& Generated(Shape shape) {
  static File files[2];
  File& f = files[shape];
  if (f.lines == 0) {
    const uint32_t lines = shape == NAMES_3MB ? 3u * 1024 * 1024 / 178 : WORD_LINES;
    for (uint32_t i = 0; i < lines; ++i) f.bytes += Record(shape, i);
    f.lines = lines;
  }
  return f;
}

// The file open with `pending` new records waiting; the first of them replaces the
// file's oldest line when `replacing`.
struct Opened {
  mivo::DictFile file{};
  bool ok = false;
  Opened(Shape shape, int pending, bool replacing) {
    desktop::WriteFile("d", Generated(shape).bytes);
    ok = mivo::DictFileOpen(&file, "d") == 1;
    // The file as the program finds it, long written: only the merge's own bytes to sync.
    if (ok) os::FlushFileBuffers(file.file);
    for (int i = 0; i < pending && ok; ++i) {
      const std::string record = replacing && i == 0 ? Record(shape, 0) : Record(shape, 900000 + i);
      mivo::DictFileMerge(&file, record.c_str(), 0);
    }
  }
  ~Opened() { mivo::DictFileClose(&file); }
};

struct Folder {
  Folder() {
    desktop::Reset();
    desktop::SetSyncToDevice(true);  // the flushes cost what they cost on a real disk
  }
  ~Folder() {
    const std::string folder = desktop::WorkingFolder();
    desktop::Reset();
    std::filesystem::remove_all(folder);
  }
};

// The merge a full pending buffer forces: the learned record that does not fit.
void BM_Merge(benchmark::State& state) {
  const auto shape = static_cast<Shape>(state.range(0));
  const bool replacing = state.range(1) != 0;
  Folder folder;
  const std::string overflowing = Record(shape, 999999);
  for (auto _ : state) {
    state.PauseTiming();
    auto opened = std::make_unique<Opened>(shape, shape == NAMES_3MB ? 5 : 40, replacing);
    if (!opened->ok) state.SkipWithError("cannot open");
    state.ResumeTiming();
    benchmark::DoNotOptimize(mivo::DictFileMerge(&opened->file, overflowing.c_str(), 0));
    state.PauseTiming();
    opened.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_Merge)
    ->ArgNames({"shape", "replacing"})
    ->ArgsProduct({{NAMES_3MB, WORDS_30000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// What closing a conversion dictionary costs: the pending records flushed, the file
// trimmed to 30000 lines (so the word file loses its oldest lines), the file closed.
void BM_Close(benchmark::State& state) {
  const auto shape = static_cast<Shape>(state.range(0));
  Folder folder;
  for (auto _ : state) {
    state.PauseTiming();
    auto opened = std::make_unique<Opened>(shape, 5, false);
    if (!opened->ok) state.SkipWithError("cannot open");
    state.ResumeTiming();
    mivo::DictFileMerge(&opened->file, "", 1);
    mivo::DictFileTrim(&opened->file, WORD_LINES);
    mivo::DictFileClose(&opened->file);
    state.PauseTiming();
    opened.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_Close)
    ->ArgName("shape")
    ->Arg(NAMES_3MB)
    ->Arg(WORDS_30000)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
