#pragma once

#include <cstdint>
#include <memory>

#include "dsp/ResamplingEngine.h"
#include "dsp/ResamplingFilter.h"
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
// The filter (ResamplingFilter) is designed by setup, which also chooses
// the engine that computes the sums: the plain engine, one output after
// the other (the reference), or the lane engine, a block of outputs at a
// time in vector registers. Their outputs are identical to the last bit;
// only the time differs.
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
    // ceil(inputFrames x outRate / inRate) in double precision: the outputs
    // of that many input frames. The rates are positive; inputFrames is
    // below 2^52.
    static std::int64_t outputFrames(std::int64_t inputFrames, int inRate, int outRate);

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
    int seekFrame(std::int64_t frame) override;

    // The filter at distance k / outStep input samples from the output
    // instant: 2 x cutoff at k = 0, else from the table when one was built,
    // else by the direct formula.
    double coefficient(int k) const { return filter.coefficient(k); }

    static double sinc(double x) { return ResamplingFilter::sinc(x); }
    // 1 at t = 0 and 0 at t = -0.5 and 0.5.
    static double blackmanWindow(double t) { return ResamplingFilter::blackmanWindow(t); }
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

    std::uint32_t state() const;
    int inputStep() const { return filter.inStep; }
    int outputStep() const { return filter.outStep; }
    double cutoffFrequency() const { return filter.cutoff; }
    int tableEntries() const { return filter.tableLength; }

private:
    std::uint32_t flags = 0;
    SampleSource* source = nullptr;
    ResamplingFilter filter;
    Path chosenPath = fastestPath();
    std::unique_ptr<ResamplingEngine> engine;
};

}  // namespace korvel
