// The resampler on the longest clip a file holds (66.04 s of output), each
// rate pair on the plain path and on every lane path the processor has. The
// time includes the setup, which computes the coefficients. Wall time: a
// helper thread does part of the work.

#include <benchmark/benchmark.h>

#include "bench/BenchSignals.h"
#include "dsp/Resampler.h"
#include "tests/support/VectorSource.h"

namespace korvel::bench {
namespace {

void resample(benchmark::State& state)
{
    const int inRate = static_cast<int>(state.range(0));
    const int outRate = static_cast<int>(state.range(1));
    const auto path = static_cast<Resampler::Path>(state.range(2));
    if (!Resampler::pathAvailable(path)) {
        state.SkipWithError("the processor lacks this path");
        return;
    }
    const int outputs = kLongestOutput8k / (8000 / outRate);
    const int frames = static_cast<int>(static_cast<long long>(outputs) * inRate / outRate);
    const std::vector<std::int16_t> input = testSound(frames, inRate, 1);
    std::vector<std::int16_t> output(static_cast<std::size_t>(outputs) + 1);
    test::VectorSource source(input, 1, inRate);
    for (auto _ : state) {
        source.rewind();
        Resampler resampler(&source);
        resampler.selectPath(path);
        resampler.setup(outRate, 256, 640, 81920);
        const int n = resampler.read(output.data(), static_cast<int>(output.size()));
        benchmark::DoNotOptimize(n);
        benchmark::DoNotOptimize(output.data());
    }
    state.counters["per_output"] = benchmark::Counter(
        static_cast<double>(outputs), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The coefficients of one setup alone.
void setupOnly(benchmark::State& state)
{
    const int inRate = static_cast<int>(state.range(0));
    const int outRate = static_cast<int>(state.range(1));
    test::VectorSource source(std::vector<std::int16_t>(1000), 1, inRate);
    for (auto _ : state) {
        Resampler resampler(&source);
        benchmark::DoNotOptimize(resampler.setup(outRate, 256, 640, 81920));
    }
}

void ratePairs(benchmark::internal::Benchmark* b, bool withPaths)
{
    const int pairs[][2] = {{44100, 8000}, {48000, 8000}, {22050, 8000}, {11025, 8000},
                            {44056, 8000}, {7999, 8000},  {8000, 4000}};
    for (const auto& pair : pairs) {
        if (!withPaths) {
            b->Args({pair[0], pair[1]});
            continue;
        }
        for (Resampler::Path path : {Resampler::Path::plain, Resampler::Path::lanes, Resampler::Path::avx2,
                                     Resampler::Path::avx512})
            b->Args({pair[0], pair[1], static_cast<long>(path)});
    }
}

BENCHMARK(resample)
    ->Apply([](benchmark::internal::Benchmark* b) { ratePairs(b, true); })
    ->ArgNames({"in", "out", "path"})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.2)
    ->UseRealTime();
BENCHMARK(setupOnly)
    ->Apply([](benchmark::internal::Benchmark* b) { ratePairs(b, false); })
    ->ArgNames({"in", "out"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace korvel::bench
