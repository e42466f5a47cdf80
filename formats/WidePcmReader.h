#pragma once

#include <cstdint>

#include "formats/FileWindow.h"
#include "formats/InputFile.h"
#include "formats/SampleSource.h"

namespace korvel {

// Every uncompressed WAV and AIFF file the desktop readers refuse: integer
// samples of 1 to 4 bytes, 32- and 64-bit floating point, the extensible
// WAV format, AIFF-C ("NONE", "sowt", "fl32", "fl64"), any number of
// channels and any rate. It is the reader of these files where the build
// has no libsndfile (the page, Windows), and gives the frames libsndfile
// gives: the top 16 bits of an integer sample, and a floating-point one in
// single precision as sampleOfFloat takes it.
class WidePcmReader : public SampleSource {
public:
    // The file must outlive the reader. A file it cannot read leaves
    // format.channels 0.
    explicit WidePcmReader(InputFile& file);

    int read(std::int16_t* destination, int frames) override;
    int readBytes(std::uint8_t* destination, int count) override;
    int rewind() override;
    int seekFrame(std::int64_t frame) override;

    // The frames of the data the file holds, beyond 32 bits as well.
    std::int64_t frames() const { return frameTotal; }

private:
    enum class Coding { unsignedInt, signedInt, floating };
    bool parseWav();
    bool parseAiff();
    // Sets the format once the fields are known; false for a layout no
    // reader could take (no channels, no sample bytes, no rate).
    bool describe(int channels, int sampleBytes, double rate, std::int64_t offset, std::int64_t bytes);
    std::int16_t sampleAt(const std::uint8_t* bytes) const;

    FileWindow window;
    Coding coding = Coding::signedInt;
    bool bigEndian = false;
    std::int64_t dataStart = 0;
    std::int64_t frameTotal = 0;
    std::int64_t position = 0;
};

}  // namespace korvel
