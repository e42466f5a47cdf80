#include "road/EncodeStage.h"

#include <algorithm>
#include <cstdint>

#include "dsp/AdpcmCodec.h"
#include "dsp/HelperThread.h"
#include "formats/SampleBuffer.h"
#include "formats/SampleSource.h"

namespace korvel {

namespace {

// Frames pulled at a time: even, so that a mono block fills whole bytes and
// the next one starts at the low nibble of a fresh byte; large enough that
// handing a block to the coder costs little next to coding it (a sixteenth
// of a second at 8000 Hz takes about a quarter of a millisecond); small
// enough that the two blocks in flight (64 KiB each in stereo) stay in the
// cache and the coder starts early.
constexpr std::size_t kBlockFrames = std::size_t{1} << 14;

}  // namespace

int EncodeStage::run(SampleSource& source, ByteVector& out)
{
    const int channels = source.format.channels;
    if (channels != 1 && channels != 2)
        return -1;
    const std::size_t frames = static_cast<std::size_t>(std::max(source.format.frameCount, 0));
    const std::size_t start = out.size();
    out.reserve(start + AdpcmCodec::payloadBytes(channels, frames));

    // Two blocks: the source fills one while the coder codes the other. The
    // buffers are declared before the coder, which finishes its block
    // before it goes, whatever ends the run.
    const std::size_t blockValues = std::min(frames, kBlockFrames) * static_cast<std::size_t>(channels);
    SampleBuffer blocks[2] = {SampleBuffer(blockValues), SampleBuffer(blockValues)};
    AdpcmCodec codec(channels);
    auto code = [&codec, &out, channels](const std::int16_t* samples, std::size_t count) {
        // A block's code: one byte a frame in stereo, one for two in mono.
        std::uint8_t codes[kBlockFrames];
        const std::size_t bytes = AdpcmCodec::payloadBytes(channels, count);
        codec.encode(samples, count, codes);
        out.insert(out.end(), codes, codes + bytes);
    };
    HelperThread coder;
    bool coding = false;
    int result = 0;
    std::size_t done = 0;
    for (int b = 0; done < frames; b ^= 1) {
        // The block is filled before it is coded, however the source parts
        // its frames: only the last block may be of an odd count.
        const int want = static_cast<int>(std::min(kBlockFrames, frames - done));
        const int filled = source.fill(blocks[b].data(), want);
        if (filled < 0) {
            result = filled;
            break;
        }
        if (coding)
            coder.wait();
        const std::int16_t* samples = blocks[b].data();
        const std::size_t count = static_cast<std::size_t>(filled);
        coding = coder.start([&code, samples, count] { code(samples, count); });
        if (!coding)
            code(samples, count);
        done += count;
        if (filled < want)
            break;
    }
    if (coding)
        coder.wait();
    if (result < 0) {
        out.resize(start);
        return result;
    }
    out.resize(start + AdpcmCodec::payloadBytes(channels, frames), 0);
    return 0;
}

}  // namespace korvel
