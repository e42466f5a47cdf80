// The whole conversion in memory, from a WAV image to the finished file:
// the job's bounded way (decoding only what the file keeps) and every stage
// over the whole sound, for 66 s and 10 minutes of 44.1 kHz stereo.

#include <cstring>

#include <benchmark/benchmark.h>

#include "bench/BenchSignals.h"
#include "reference/AudioClip.h"
#include "road/SoundRoad.h"
#include "tessal/ContentInfo.h"

namespace korvel::bench {
namespace {

const std::vector<std::uint8_t>& image(int seconds)
{
    static std::vector<std::uint8_t> images[2];
    std::vector<std::uint8_t>& slot = images[seconds > 100 ? 1 : 0];
    if (slot.empty())
        slot = wavImage(testSound(44100 * seconds, 44100, 2), 2, 44100);
    return slot;
}

ContentInfo info()
{
    ContentInfo out;
    out.codeType = ContentInfo::kCodeUtf8;
    std::strcpy(out.slots[ContentInfo::kSlotTitle], "Benchmark");
    return out;
}

void job(benchmark::State& state)
{
    const std::vector<std::uint8_t>& wav = image(static_cast<int>(state.range(0)));
    const bool bounded = state.range(1) != 0;
    const ContentInfo contents = info();
    for (auto _ : state) {
        ByteVector file;
        int n = 0;
        if (bounded) {
            SoundRoad road;
            road.build(false, wav, 8000, 256);
            road.write(contents, file);
            n = static_cast<int>(file.size());
        } else {
            AudioClip clip;
            clip.load(false, wav);
            clip.mixDown(AudioClip::kMixAverage);
            clip.resample(8000, 256);
            n = clip.encode(AudioClip::kWriterAudioTrack, 0, &contents, file);
        }
        benchmark::DoNotOptimize(n);
    }
}

BENCHMARK(job)->ArgsProduct({{66, 600}, {1, 0}})->ArgNames({"seconds", "bounded"})->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace korvel::bench
