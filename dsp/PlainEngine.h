#pragma once

#include <cstdint>
#include <memory>

#include "dsp/ResamplingEngine.h"
#include "dsp/ResamplingFilter.h"

namespace korvel {

class SampleSource;

// The reference computation of a resampler: one output after the other,
// each one sum over the taps, added in order from the earliest input
// sample, each term a coefficient times a sample. The input passes through
// a history of 4 x taps samples that is refilled from the source as the
// output instant advances.
class PlainEngine : public ResamplingEngine {
public:
    // The filter and the source must outlive the engine.
    PlainEngine(const ResamplingFilter& filter, SampleSource& source);
    ~PlainEngine() override;

    // Makes the history and, when the filter has a table, the coefficient
    // rows; false on allocation failure.
    bool prepare();

    int read(std::int16_t* destination, int count) override;
    bool sourceEnded() const override { return ended; }
    bool finished() const override { return done; }

    // The output sample at the current instant.
    std::int16_t computeSample() const;

private:
    // Keeps the last taps samples and fills the rest of the history from the
    // source; false when the source failed (its result is in failure).
    bool refill(int& failure);

    const ResamplingFilter& filter;
    SampleSource& source;
    std::unique_ptr<std::int16_t[]> history;
    // The coefficients of each phase in the order of the sum, outStep rows
    // of taps values, exactly as the filter gives them; none without a
    // table (the table's size bounds theirs: at most twice its entries).
    std::unique_ptr<double[]> rows;
    int historyLength = 0;
    // One past the last input sample held in history.
    int validEnd = 0;
    // The input sample at or just before the current output instant.
    int position = 0;
    // The output instant is position + phase / outStep, 0 <= phase < outStep.
    int phase = 0;
    bool ended = false;
    bool done = false;
};

}  // namespace korvel
