#pragma once

#include <cstdint>
#include <vector>

#include "formats/SampleSource.h"

namespace korvel {

// The sound of a reader as the clip holds it after load and
// mixDown(kMixAverage), delivered on demand instead of all at once: mono,
// each stereo frame the sum of its halves (right / 2 + left / 2, each
// truncated), and silence from where the reader stops until the frame
// count it announced. A reader of more channels (libsndfile reads such
// files) is mixed with one weight for every channel. The reader is not
// owned.
class MonoMixSource : public SampleSource {
public:
    // The reader must have passed the format checks.
    explicit MonoMixSource(SampleSource* reader);
    ~MonoMixSource() override;

    // The mono value of a stereo frame: right / 2 + left / 2, each half
    // truncated on its own, so that the sum fits.
    static std::int16_t average(std::int16_t left, std::int16_t right)
    {
        return static_cast<std::int16_t>(right / 2 + left / 2);
    }

    int read(std::int16_t* destination, int frames) override;
    int readBytes(std::uint8_t* destination, int count) override;
    int rewind() override;

private:
    // Mixes frames frames of width channels into mono values.
    static void mixChunk(const std::int16_t* in, int width, int frames, std::int16_t* destination);

    SampleSource* reader;
    std::vector<std::int16_t> frameBuffer;
    int delivered = 0;
    bool readerEnded = false;
};

}  // namespace korvel
