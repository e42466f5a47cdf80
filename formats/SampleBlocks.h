#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "formats/ChunkReader.h"

namespace korvel {

// Reads up to frames frames of sample data from a chunk a block of bytes at
// a time and turns each whole sample into a 16-bit value with decode(bytes).
// Returns the whole frames delivered. Data that ends inside a frame gives
// the whole samples of that frame and stops there, as reading sample by
// sample would; the rest of the destination is left as it was.
template <class Decode>
int readSampleBlocks(ChunkReader& chunk, int channels, int sampleBytes, std::int16_t* destination, int frames,
                     Decode decode)
{
    constexpr int kBlockBytes = 8192;
    const int frameBytes = channels * sampleBytes;
    std::uint8_t onStack[kBlockBytes];
    std::vector<std::uint8_t> wide;
    std::uint8_t* block = onStack;
    int framesPerBlock = kBlockBytes / frameBytes;
    if (framesPerBlock == 0) {
        // A frame wider than a block: one frame at a time.
        wide.resize(static_cast<std::size_t>(frameBytes));
        block = wide.data();
        framesPerBlock = 1;
    }
    std::int16_t* out = destination;
    int done = 0;
    while (done < frames) {
        const int want = std::min(frames - done, framesPerBlock) * frameBytes;
        const int got = chunk.read(block, want);
        if (got <= 0)
            return done;
        for (int i = 0; i + sampleBytes <= got; i += sampleBytes)
            *out++ = decode(block + i);
        done += got / frameBytes;
        if (got < want)
            return done;
    }
    return done;
}

}  // namespace korvel
