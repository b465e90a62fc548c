// Anthy's time per conversion: Anthy alone (anthy_set_string on a fresh context), and
// the whole pass of input method calls one candidate search makes on the headless
// desktop (context, reading, conversion, candidate list 0, composition string).
#include <anthy/anthy.h>
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "platform/headless/desktop.h"
#include "platform/os.h"

namespace {

struct Reading {
  const char* utf8;
  const char* sjis;
};
const Reading kReadings[] = {
    {"かんじ", "\x82\xa9\x82\xf1\x82\xb6"},
    {"にほんご", "\x82\xc9\x82\xd9\x82\xf1\x82\xb2"},
    {"きょうはいいてんき",
     "\x82\xab\x82\xe5\x82\xa4\x82\xcd\x82\xa2\x82\xa2\x82\xc4\x82\xf1\x82\xab"},
};

bool Start(benchmark::State& state) {
  desktop::Reset();
  if (desktop::UseAnthy()) return true;
  state.SkipWithError("Anthy cannot start");
  return false;
}

void BM_AnthySetString(benchmark::State& state) {
  if (!Start(state)) return;
  const Reading& r = kReadings[state.range(0)];
  state.SetLabel(r.utf8);
  for (auto _ : state) {
    anthy_context_t ac = anthy_create_context();
    anthy_context_set_encoding(ac, ANTHY_UTF8_ENCODING);
    benchmark::DoNotOptimize(anthy_set_string(ac, r.utf8));
    anthy_release_context(ac);
  }
}
BENCHMARK(BM_AnthySetString)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

void BM_ImmCandidatePass(benchmark::State& state) {
  if (!Start(state)) return;
  const Reading& r = kReadings[state.range(0)];
  state.SetLabel(r.utf8);
  const std::string reading = r.sjis;
  std::vector<char> block;
  std::vector<char> composition;
  for (auto _ : state) {
    os::Imc imc = os::ImmCreateContext();
    os::ImmSetOpenStatus(imc, os::TRUE);
    os::ImmSetCompositionString(imc, os::SCS_SETSTR, nullptr, 0, reading.data(),
                                static_cast<os::DWORD>(reading.size()));
    os::ImmNotifyIME(imc, os::NI_COMPOSITIONSTR, os::CPS_CONVERT, 0);
    os::ImmNotifyIME(imc, 0x0010 /* NI_OPENCANDIDATE */, 1, 0);
    os::DWORD size = os::ImmGetCandidateList(imc, 0, nullptr, 0);
    block.assign(size + 1, 0);
    os::ImmGetCandidateList(imc, 0, reinterpret_cast<os::CandidateListHeader*>(block.data()), size);
    os::LONG length = os::ImmGetCompositionString(imc, os::GCS_COMPSTR, nullptr, 0);
    composition.assign(length > 0 ? static_cast<size_t>(length) + 1 : 1, 0);
    os::ImmGetCompositionString(imc, os::GCS_COMPSTR, composition.data(),
                                static_cast<os::DWORD>(composition.size() - 1));
    os::ImmSetOpenStatus(imc, os::FALSE);
    os::ImmDestroyContext(imc);
    if (size == 0) state.SkipWithError("no candidates");
  }
}
BENCHMARK(BM_ImmCandidatePass)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
