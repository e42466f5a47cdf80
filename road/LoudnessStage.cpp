#include "road/LoudnessStage.h"

#include <algorithm>
#include <cmath>

#include "dsp/AdpcmCodec.h"
#include "dsp/LoudnessMeter.h"
#include "formats/SampleSource.h"
#include "road/ExcerptStage.h"

namespace korvel {

namespace {

// Gains tried before the search settles; then the gain only falls, a
// decibel at a time, until the ceiling holds (at worst to silence).
constexpr int kMaxTries = 6;
constexpr int kMaxFalls = 200;
// How far below the target the ceiling must hold a sound for its loudness
// to be left unmeasured, in LU: more than the coder changes it.
constexpr double kCeilingMargin = 0.5;
// The smallest rise in decibels worth a try.
constexpr double kSmallestRise = 0.1;

// Samples coded and measured at a time: even.
constexpr std::size_t kBlockFrames = 4096;

int hundredthsBelow(double db)
{
    return static_cast<int>(std::floor(std::clamp(db, -ExcerptStage::kMaxGainDb, ExcerptStage::kMaxGainDb) * 100.0));
}

}  // namespace

LoudnessStage::LoudnessStage(SampleSource* upstream, double targetLufs)
    : upstream(upstream), target(targetLufs), format(upstream->format)
{
}

LoudnessStage::~LoudnessStage() = default;

int LoudnessStage::hold()
{
    held.resize(static_cast<std::size_t>(std::max(upstream->format.frameCount, 0)));  // filled right after
    const int filled = upstream->fill(held.data(), static_cast<int>(held.size()));
    if (filled < 0)
        return filled;
    // What the source did not deliver is silence, as the coder would take it.
    std::fill(held.begin() + filled, held.end(), std::int16_t{0});
    return 0;
}

void LoudnessStage::keepFirst(int frames)
{
    held.resize(std::min(held.size(), static_cast<std::size_t>(std::max(frames, 0))));
}

LoudnessStage::Measured LoudnessStage::measureCoded(int hundredths, bool withLoudness)
{
    // A block at a time, through buffers that stay in the cache: scaled,
    // coded into its place in the payload, decoded and measured. Each block
    // but the last is of an even count, so that its code is whole bytes.
    const double factor = std::pow(10.0, hundredths / 2000.0);
    codes.resize(AdpcmCodec::payloadBytes(1, held.size()));
    AdpcmCodec encoder(1), decoder(1);
    LoudnessMeter meter(format.sampleRate, withLoudness ? LoudnessMeter::Measure::loudnessAndPeak
                                                        : LoudnessMeter::Measure::peakOnly);
    std::int16_t scaled[kBlockFrames];
    std::int16_t played[kBlockFrames];
    for (std::size_t done = 0; done < held.size(); done += kBlockFrames) {
        const std::size_t n = std::min(kBlockFrames, held.size() - done);
        for (std::size_t i = 0; i < n; ++i)
            scaled[i] = ExcerptStage::shapedSample(held[done + i] * factor);
        std::uint8_t* code = codes.data() + done / 2;
        encoder.encode(scaled, n, code);
        // Two samples a byte: the last of an odd count is one too many.
        decoder.decode(code, n / 2, played);
        if (n % 2 != 0) {
            std::int16_t pair[2];
            decoder.decode(code + n / 2, 1, pair);
            played[n - 1] = pair[0];
        }
        meter.add(played, n);
    }
    return {withLoudness ? meter.integratedLoudness() : -HUGE_VAL, meter.truePeak()};
}

void LoudnessStage::choose(int hundredths)
{
    chosen = hundredths;
    chosenCodes.swap(codes);
}

void LoudnessStage::chooseGain()
{
    // The first guess from the held sound itself: the target, or the
    // ceiling where that comes first.
    LoudnessMeter first(format.sampleRate);
    first.add(held.data(), held.size());
    const double loudness = first.integratedLoudness();
    const double peak = first.truePeak();
    // A sound too short or too quiet to be measured keeps its level, under
    // the ceiling; silence keeps it. Where the ceiling stops the gain well
    // before the target, the loudness of what is played need not be
    // measured: only the ceiling is.
    const bool measurable = std::isfinite(loudness);
    const double room = kCheckedCeiling - peak;
    const bool ceilingFirst = measurable && target - loudness > room + kCeilingMargin;
    int gain = std::isfinite(peak) ? hundredthsBelow(std::min(measurable ? target - loudness : 0.0, room)) : 0;

    // Each try measures what a handset would play with the gain, and moves
    // it: down past the ceiling; under it, toward the target as far as the
    // ceiling leaves room (the coder's peaks move unevenly with the gain, so
    // a step up may pass the ceiling and come back). Of the gains under the
    // ceiling, the one whose loudness is nearest the target is kept (the
    // highest, where the loudness is not measured).
    const bool withLoudness = measurable && !ceilingFirst;
    bool found = false;
    double bestScore = HUGE_VAL;
    for (int tries = 0; tries < kMaxTries; ++tries) {
        const Measured heard = measureCoded(gain, withLoudness);
        const double headroom = kCheckedCeiling - heard.truePeak;
        int next = gain;
        if (headroom < 0) {
            next = std::min(gain - 1, hundredthsBelow(gain / 100.0 + headroom));
        } else {
            // Below the target where it was not measured: the ceiling comes first.
            const double miss = withLoudness ? heard.loudness - target : -HUGE_VAL;
            const double score = withLoudness ? std::fabs(miss) : -gain;
            if (!found || score < bestScore) {
                choose(gain);
                found = true;
                bestScore = score;
            }
            if (!measurable || std::fabs(miss) <= kTolerance)
                break;
            const double step = std::min(-miss, headroom);
            if (step >= 0 && step < kSmallestRise)
                break;
            next = hundredthsBelow(gain / 100.0 + step);
        }
        if (next == gain)
            break;
        gain = next;
    }
    for (int falls = 0; !found && falls < kMaxFalls; ++falls) {
        gain -= 100;
        if (measureCoded(gain, false).truePeak <= kCheckedCeiling) {
            choose(gain);
            found = true;
        }
    }
}

}  // namespace korvel
