// Reading a large generated keyboard file: 2000 keys under 20 panels, each with long
// macro texts full of escapes and double-byte characters.
#include <benchmark/benchmark.h>

#include <string>

#include "keyboard/key_tree.h"
#include "keyboard/keyboard_file.h"
#include "platform/headless/desktop.h"
#include "platform/os.h"

namespace {

std::string GeneratedKeyboard(int keys) {
  std::string file =
      "# generated\ncolor(1){normal=ffffff focus=ffff00 select=ff0000 fnormal=000000}\n";
  const int panels = 20;
  for (int p = 1; p <= panels; ++p) {
    file +=
        "key(" + std::to_string(p) + "){type=1 x=0 y=0 cx=100000 cy=100000 colorset=1 visible=0}\n";
  }
  std::string macro;
  for (int i = 0; i < 40; ++i) macro += "Direct(A)\\tAddRead(\x82\xa0)\\x41 ";  // あ
  for (int k = panels + 1; k <= keys; ++k) {
    file += "key(" + std::to_string(k) + "){parent=" + std::to_string(1 + k % panels) +
            " x=100 y=200 cx=5000 cy=5000 colorset=1 name=\"\x83\x4c\x81\x5b" + std::to_string(k) +
            "\"\n  onfocus=\"" + macro + "\" onselected=\"" + macro + macro + "\"}\n";
  }
  return file;
}

void BM_LoadKeyboardFile(benchmark::State& state) {
  desktop::Reset();
  const std::string file = GeneratedKeyboard(static_cast<int>(state.range(0)));
  desktop::WriteFile("bench.cfg", file);
  mivo::KeyTableInit();
  mivo::ColorSetTableInit();
  for (auto _ : state) {
    int result = mivo::LoadKeyboardFile("bench.cfg", 0);
    benchmark::DoNotOptimize(result);
    state.PauseTiming();
    if (result != 0 || mivo::keyboardState.KeyCount != state.range(0))
      state.SkipWithError("file not read whole");
    mivo::DeleteAllKeys();
    mivo::ColorSetTableFree();
    mivo::ColorSetTableInit();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(file.size()));
  mivo::KeyTableFree();
  mivo::ColorSetTableFree();
}
BENCHMARK(BM_LoadKeyboardFile)->Arg(2000)->Unit(benchmark::kMillisecond);

// The floor the reader is measured against: the same file opened and mapped the same
// way, and every byte looked at once (its line feeds counted).
void BM_PlainPass(benchmark::State& state) {
  desktop::Reset();
  const std::string file = GeneratedKeyboard(static_cast<int>(state.range(0)));
  desktop::WriteFile("bench.cfg", file);
  for (auto _ : state) {
    os::FileHandle f =
        os::CreateFile("bench.cfg", os::GENERIC_READ, os::FILE_SHARE_READ | os::FILE_SHARE_WRITE,
                       os::OPEN_EXISTING, os::FILE_ATTRIBUTE_NORMAL);
    const os::DWORD size = os::GetFileSize(f);
    os::Mapping m = os::CreateFileMapping(f, os::PAGE_READONLY, 0);
    const auto* bytes =
        static_cast<const unsigned char*>(os::MapViewOfFile(m, os::FILE_MAP_READ, 0));
    if (!bytes) {
      state.SkipWithError("file not mapped");
      break;
    }
    size_t feeds = 0;
    for (os::DWORD i = 0; i < size; ++i) feeds += bytes[i] == '\n';
    benchmark::DoNotOptimize(feeds);
    os::UnmapViewOfFile(const_cast<unsigned char*>(bytes));
    os::CloseMapping(m);
    os::CloseHandle(f);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(file.size()));
}
BENCHMARK(BM_PlainPass)->Arg(2000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
