// What a client's text costs the host's one thread on its way to CP949:
// a Korean text, and the same length of characters CP949 lacks (which used
// to cost the square of the length). Read the two per-character times side
// by side: the aim is that they stay within a small factor of each other
// at every length.
#include <benchmark/benchmark.h>

#include <string>

#include "common/text_codec.hpp"

namespace kavorin {
namespace {

void Convert(benchmark::State& state, char16_t character) {
  const std::u16string text(static_cast<std::size_t>(state.range(0)), character);
  for (auto _ : state) benchmark::DoNotOptimize(Cp949FromUtf16(text));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_KoreanToCp949(benchmark::State& state) { Convert(state, u'\uAC00'); }
void BM_UnmappableToCp949(benchmark::State& state) { Convert(state, u'\uFFFD'); }

BENCHMARK(BM_KoreanToCp949)->RangeMultiplier(16)->Range(1 << 10, 1 << 18);
BENCHMARK(BM_UnmappableToCp949)->RangeMultiplier(16)->Range(1 << 10, 1 << 18);

}  // namespace
}  // namespace kavorin

BENCHMARK_MAIN();
