// The ADPCM encoder on the longest clip: 528320 samples.

#include <benchmark/benchmark.h>

#include "bench/BenchSignals.h"
#include "dsp/AdpcmEncoder.h"

namespace korvel::bench {
namespace {

void encodeAdpcm(benchmark::State& state)
{
    const std::vector<std::int16_t> input = testSound(kLongestOutput8k, 8000, 1);
    std::vector<std::uint8_t> codes(input.size() / 2 + 1);
    AdpcmEncoder encoder;
    for (auto _ : state) {
        encoder.reset();
        encoder.encode(input.data(), codes.data(), static_cast<int>(input.size()));
        benchmark::DoNotOptimize(codes.data());
    }
    state.counters["per_sample"] = benchmark::Counter(static_cast<double>(input.size()),
                                                         benchmark::Counter::kIsIterationInvariantRate |
                                                             benchmark::Counter::kInvert);
}

BENCHMARK(encodeAdpcm)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvel::bench
