#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "dsp/HelperThread.h"
#include "dsp/LaneBlock.h"
#include "dsp/LaneSums.h"
#include "dsp/ResamplingEngine.h"
#include "dsp/ResamplingFilter.h"
#include "formats/SampleBuffer.h"

namespace korvel {

class SampleSource;

// Computes a resampler's outputs a block at a time: outputs that share a
// filter phase (every outStep-th one) sit side by side in the lanes of
// vector registers, each lane adding its own terms in the order of the
// plain engine, with the coefficients of each phase computed once, exactly
// as ResamplingFilter::coefficient gives them. A read of many outputs
// shares its blocks with a helper thread; a read of a few is computed a
// block at a time on the calling thread. The outputs are the plain engine's
// to the last bit; only the time differs.
class LaneEngine : public ResamplingEngine {
public:
    // The filter and the source must outlive the engine; outputs is the
    // number of outputs the conversion gives; sums is the kernel that adds
    // the lanes (portable, AVX2 or AVX-512), split the one that splits the
    // input into their streams.
    LaneEngine(const ResamplingFilter& filter, SampleSource& source, std::int64_t outputs, LaneSumFunction sums,
               StreamSplitFunction split);
    ~LaneEngine() override;

    // What prepare came to.
    enum class Prepared {
        made,
        tooLarge,  // the filter is too large to be worth it: the plain engine must do
        failed,    // out of memory
    };
    // Makes the per-phase coefficients.
    Prepared prepare();

    int read(std::int16_t* destination, int count) override;
    bool sourceEnded() const override { return ended; }
    bool finished() const override { return done; }

private:
    // Computes the blocks that give the next `wanted` outputs (as many as
    // the batch limits allow, at least one; only one for a small read) into
    // pending; the number of outputs in them, 0 after the last one, or the
    // source's failure.
    int computeBatch(std::int64_t wanted);
    // The lanes of the block that follows `delivered` outputs.
    int chooseLanes(std::int64_t delivered) const;
    // Makes the input samples from first to last (absolute indices) present
    // as far as the source has them; false with failure set when it failed.
    bool fetchInput(std::int64_t first, std::int64_t last, int& failure);

    const ResamplingFilter& filter;
    SampleSource& source;
    const std::int64_t outputCount;
    const LaneSumFunction sums;
    const StreamSplitFunction split;
    bool ended = false;
    bool done = false;

    // The groups of columns of every block, and their padded coefficients.
    std::vector<LaneGroup> laneGroups;
    std::unique_ptr<double[]> groupCoefficients;
    int columns = 0;
    int laneStride = 0;
    // The input samples from inputStart to inputEnd (absolute indices).
    SampleBuffer input;
    std::int64_t inputStart = 0;
    std::int64_t inputEnd = 0;
    // The blocks of a batch: where each one's first output falls, its lanes
    // and where its outputs begin in pending.
    struct PlannedBlock {
        std::int64_t position;
        int lanes;
        std::size_t firstOutput;
    };
    std::vector<PlannedBlock> batch;
    // The working memory of this thread's blocks and of the helper's, which
    // also computes half of a large set of direct-formula coefficients.
    LaneBlock workspaces[2];
    HelperThread helper;
    // Outputs computed but not yet delivered.
    SampleBuffer pending;
    std::size_t pendingAt = 0;
    std::size_t pendingCount = 0;
    // The input position of the next block's first output; every block
    // starts at phase 0, as the first output does.
    std::int64_t blockPosition = 0;
    std::int64_t produced = 0;
};

}  // namespace korvel
