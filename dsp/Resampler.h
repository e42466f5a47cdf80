#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "dsp/HelperThread.h"
#include "dsp/LaneBlock.h"
#include "formats/SampleSource.h"

namespace korvel {

// Converts a mono stream of 16-bit frames from one sampling rate to another
// with a windowed-sinc (Blackman) filter of `taps` input samples centred on
// each output instant. It pulls its input from a source on demand.
//
// Output sample n falls on input instant n x inRate / outRate, the first one
// on input sample 0, and the signal counts as zero before the first and after
// the last input sample; N input frames give ceil(N x outRate / inRate)
// output samples. Every output is one double sum over the taps, added in
// order from the earliest input sample, each term the product of a
// coefficient and a sample: the same sum, term for term, on every build.
//
// Calling order: construct over a mono source, setup, then read until fewer
// samples come than asked. A resampler is used once; nothing rewinds it.
//
// Two ways compute the same samples. The plain path runs computeSample for
// one output after the other, each sum one chain of dependent additions.
// The lane paths compute a block of outputs at a time: outputs that share a
// filter phase (every outStep-th one) sit side by side in the lanes of
// vector registers, each lane adding its own terms in the order above, with
// the coefficients of each phase computed once per setup, exactly as
// coefficient(k) gives them; a read of many outputs shares its blocks with
// a helper thread. The outputs are identical to the last bit; only the
// time differs.
class Resampler : public SampleSource {
public:
    // How the sums are computed: plain is the reference; lanes is portable
    // C++; avx2 and avx512 need a processor that has the instructions.
    enum class Path { plain, lanes, avx2, avx512 };
    // The fastest path this processor can run.
    static Path fastestPath();
    static bool pathAvailable(Path path);

    // The state flags, bit 0 first.
    static constexpr std::uint32_t kSourceOk = 1u << 0;
    static constexpr std::uint32_t kReady = 1u << 1;
    static constexpr std::uint32_t kReadFailed = 1u << 2;  // every later read answers -1
    static constexpr std::uint32_t kFinished = 1u << 3;
    static constexpr std::uint32_t kSourceEnded = 1u << 4;
    static constexpr std::uint32_t kTableInUse = 1u << 5;

    // Only a mono source makes the resampler usable; it is not owned.
    explicit Resampler(SampleSource* source);
    ~Resampler() override;

    // Prepares the conversion to outRate with a filter of taps (made even:
    // 257 acts as 256). Coefficients go into a single-precision table when
    // the reduced output step is at most maxTableStep and the table would
    // have at most maxTableLength entries; otherwise each one is computed
    // when it is needed. The pipeline passes (4000 or 8000, 256, 640, 81920).
    //
    // Returns 0, or -1 when refused: outRate outside 1..1000000, fewer than
    // 2 taps, no mono source, already set up, an input rate of 0 or less, an
    // input rate above 3 x taps x outRate (one output step would then move
    // past the retained history), a filter or an output too large for the
    // 32-bit counters, or an allocation failure.
    int setup(int outRate, int taps, int maxTableStep, int maxTableLength);
    // Chooses the path before setup: the fastest one unless told otherwise.
    // Returns 0, or -1 when the processor lacks it or setup already ran.
    int selectPath(Path path);
    // The path in use: after setup the plain one when a lane path would
    // need more memory than it is worth (a huge reduced step).
    Path path() const { return chosenPath; }

    // Writes up to count output samples; the number written, 0 once the
    // last one was delivered, negative on failure (a failure of the source
    // is passed on as it came, and every later read answers -1).
    int read(std::int16_t* destination, int count) override;
    int readBytes(std::uint8_t* destination, int count) override;
    int rewind() override;
    int seekFrame(int frame) override;

    // The filter at distance k / outStep input samples from the output
    // instant: 2 x cutoff at k = 0, else from the table when one was built,
    // else by the direct formula.
    double coefficient(int k) const;
    // The output sample at the current instant: the reference computation.
    std::int16_t computeSample() const;

    static double sinc(double x);
    // 1 at t = 0 and 0 at t = -0.5 and 0.5.
    static double blackmanWindow(double t);
    // Rounds a filter sum to a sample: +0.5, clamped to -32767..32767,
    // truncated toward zero. So -1.2 gives 0, -1.6 gives -1, 2.5 gives 3.
    static std::int16_t toSample(double sum)
    {
        const double v = sum + 0.5;
        if (v > 32767)
            return 32767;
        if (v < -32767)
            return -32767;
        return static_cast<std::int16_t>(v);
    }

    std::uint32_t state() const { return flags; }
    int inputStep() const { return inStep; }
    int outputStep() const { return outStep; }
    double cutoffFrequency() const { return cutoff; }
    int tableEntries() const { return tableLength; }

private:
    // 1 when a table was built, 0 when none is used, -1 on allocation failure.
    int prepareTable(int maxTableStep, int maxTableLength);
    double directCoefficient(int k) const;
    // Keeps the last taps samples and fills the rest of the history from the
    // source; false when the source failed (its result is in failure).
    bool refill(int& failure);

    // The lane paths.
    // 1 when the per-phase coefficients were made, 0 when the plain path must
    // do, -1 on allocation failure.
    int preparePhases();
    int readLanes(std::int16_t* destination, int count);
    // Computes the blocks that give the next `wanted` outputs (as many as
    // the batch limits allow, at least one) into pending; the number of
    // outputs in them, 0 after the last one, or the source's failure.
    int computeBatch(std::int64_t wanted);
    // The lanes of the block that follows `delivered` outputs.
    int chooseLanes(std::int64_t delivered) const;
    // Makes the input samples from first to last (absolute indices) present
    // as far as the source has them; false with failure set when it failed.
    bool fetchInput(std::int64_t first, std::int64_t last, int& failure);

    std::uint32_t flags = 0;
    SampleSource* source = nullptr;
    std::unique_ptr<std::int16_t[]> history;
    int historyLength = 0;
    // One past the last input sample held in history.
    int validEnd = 0;
    // The input sample at or just before the current output instant.
    int position = 0;
    int taps = 0;
    // Input and output rates, reduced by their greatest common divisor.
    int inStep = 0;
    int outStep = 0;
    // The output instant is position + phase / outStep, 0 <= phase < outStep.
    int phase = 0;
    // Cutoff in cycles per input sample: 0.5, or outRate / inRate / 2 when
    // converting down.
    double cutoff = 0.0;
    int tableLength = 0;
    // Coefficients for k = 1 .. tableLength; the filter is symmetric.
    std::unique_ptr<float[]> table;

    Path chosenPath = fastestPath();
    // The groups of columns of every block, and their padded coefficients.
    std::vector<LaneGroup> laneGroups;
    std::unique_ptr<double[]> groupCoefficients;
    // The input samples from inputStart to inputEnd (absolute indices).
    std::vector<std::int16_t> input;
    std::int64_t inputStart = 0;
    std::int64_t inputEnd = 0;
    int columns = 0;
    int laneStride = 0;
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
    std::vector<std::int16_t> pending;
    std::size_t pendingAt = 0;
    std::size_t pendingCount = 0;
    // The input position of the next block's first output; its phase is phase.
    std::int64_t blockPosition = 0;
    std::int64_t produced = 0;
};

}  // namespace korvel
