#include "dsp/Resampler.h"

#include <climits>
#include <cmath>
#include <new>

#include "dsp/LaneEngine.h"
#include "dsp/LaneSums.h"
#include "dsp/PlainEngine.h"

namespace korvel {

namespace {

constexpr int kMaxOutRate = 1000000;

LaneSumFunction laneSumsFor(Resampler::Path path)
{
    switch (path) {
    case Resampler::Path::avx512:
        return laneSumsAvx512;
    case Resampler::Path::avx2:
        return laneSumsAvx2;
    default:
#if defined(__wasm_simd128__)
        // WebAssembly's lanes are its 128-bit vectors, which every engine
        // that runs the build has.
        return laneSumsSimd128;
#else
        return laneSumsPortable;
#endif
    }
}

// Only AVX-512 has a split of its own; the other paths move the samples one
// by one.
StreamSplitFunction splitFor(Resampler::Path path)
{
    return path == Resampler::Path::avx512 ? splitStreamsAvx512 : splitStreamsPortable;
}

}  // namespace

Resampler::Resampler(SampleSource* source)
{
    if (source != nullptr && source->format.channels == 1) {
        format = source->format;
        this->source = source;
        flags |= kSourceOk;
    }
}

Resampler::~Resampler() = default;

Resampler::Path Resampler::fastestPath()
{
    if (cpuHasAvx512())
        return Path::avx512;
    if (cpuHasAvx2())
        return Path::avx2;
    return Path::lanes;
}

bool Resampler::pathAvailable(Path path)
{
    switch (path) {
    case Path::avx512:
        return cpuHasAvx512();
    case Path::avx2:
        return cpuHasAvx2();
    default:
        return true;
    }
}

int Resampler::selectPath(Path path)
{
    if ((flags & kReady) || !pathAvailable(path))
        return -1;
    chosenPath = path;
    return 0;
}

int Resampler::setup(int outRate, int taps, int maxTableStep, int maxTableLength)
{
    if (outRate <= 0 || outRate > kMaxOutRate)
        return -1;
    const int evenTaps = taps & ~1;
    if (evenTaps <= 0)
        return -1;
    if (!(flags & kSourceOk) || (flags & kReady))
        return -1;
    const int inRate = source->format.sampleRate;
    if (inRate <= 0)
        return -1;
    // A refill keeps the last taps samples of a history of 4 x taps, so one
    // output step may advance the position by at most 3 x taps samples.
    if (static_cast<std::int64_t>(inRate) > 3 * static_cast<std::int64_t>(evenTaps) * outRate)
        return -1;
    // The history and the coefficient index k must fit the 32-bit counters.
    if (evenTaps > INT_MAX / 4 || (static_cast<std::int64_t>(evenTaps) / 2 + 1) * outRate > INT_MAX)
        return -1;
    if (source->format.frameCount < 0)
        return -1;
    const std::int64_t outputs = outputFrames(source->format.frameCount, inRate, outRate);
    if (outputs > INT_MAX / 2)
        return -1;

    format = ClipFormat::of16Bit(outRate, 1, static_cast<int>(outputs));
    bytesPerSample = 2;

    if (filter.setup(inRate, outRate, evenTaps, maxTableStep, maxTableLength) < 0)
        return -1;
    if (chosenPath != Path::plain) {
        auto lanes = std::make_unique<LaneEngine>(filter, *source, format.frameCount, laneSumsFor(chosenPath),
                                                  splitFor(chosenPath));
        const LaneEngine::Prepared prepared = lanes->prepare();
        if (prepared == LaneEngine::Prepared::failed)
            return -1;
        if (prepared == LaneEngine::Prepared::made)
            engine = std::move(lanes);
        else
            chosenPath = Path::plain;
    }
    if (!engine) {
        auto plain = std::make_unique<PlainEngine>(filter, *source);
        if (!plain->prepare())
            return -1;
        engine = std::move(plain);
    }
    flags |= kReady;
    if (filter.table)
        flags |= kTableInUse;
    return 0;
}

std::int64_t Resampler::outputFrames(std::int64_t inputFrames, int inRate, int outRate)
{
    return static_cast<std::int64_t>(std::ceil(static_cast<double>(inputFrames) * outRate / inRate));
}

std::uint32_t Resampler::state() const
{
    std::uint32_t state = flags;
    if (engine && engine->sourceEnded())
        state |= kSourceEnded;
    if (engine && engine->finished())
        state |= kFinished;
    return state;
}

int Resampler::read(std::int16_t* destination, int count)
{
    if (destination == nullptr || count < 0)
        return -1;
    if (!(flags & kReady) || (flags & kReadFailed))
        return -1;
    if (count == 0 || engine->finished())
        return 0;
    const int n = engine->read(destination, count);
    if (n < 0)
        flags |= kReadFailed;
    return n;
}

int Resampler::readBytes(std::uint8_t* destination, int count)
{
    return source != nullptr ? source->readBytes(destination, count) : -1;
}

int Resampler::rewind()
{
    return -1;
}

int Resampler::seekFrame(std::int64_t)
{
    return -1;
}

}  // namespace korvel
