#include "pipeline/EncodeStage.h"

#include <algorithm>
#include <cstdint>

#include "dsp/AdpcmCodec.h"
#include "formats/SampleBuffer.h"
#include "formats/SampleSource.h"

namespace korvel {

namespace {

// Frames pulled at a time: even, so that a mono block fills whole bytes and
// the next one starts at the low nibble of a fresh byte; large enough that
// the resampler's batches, which its helper thread shares, are bounded by
// their input and not by the read (a 44.1 kHz batch gives about 95 000
// outputs); small enough (256 KiB) to stay in the cache.
constexpr std::size_t kBlockFrames = std::size_t{1} << 17;

}  // namespace

int EncodeStage::run(SampleSource& source, ByteVector& payload)
{
    payload.clear();
    const int channels = source.format.channels;
    if (channels != 1 && channels != 2)
        return -1;
    const std::size_t frames = static_cast<std::size_t>(std::max(source.format.frameCount, 0));
    payload.assign(AdpcmCodec::payloadBytes(channels, frames), 0);

    AdpcmCodec codec(channels);
    SampleBuffer block(std::min(frames, kBlockFrames) * static_cast<std::size_t>(channels));
    std::size_t done = 0;
    while (done < frames) {
        // The block is filled before it is coded, however the source parts
        // its frames: only the last block may be of an odd count.
        const int want = static_cast<int>(std::min(kBlockFrames, frames - done));
        const int filled = source.fill(block.data(), want);
        if (filled < 0)
            return filled;
        codec.encode(block.data(), static_cast<std::size_t>(filled), payload.data() + AdpcmCodec::payloadBytes(channels, done));
        done += static_cast<std::size_t>(filled);
        if (filled < want)
            break;
    }
    return 0;
}

}  // namespace korvel
