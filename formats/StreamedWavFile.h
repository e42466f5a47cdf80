#pragma once

#include <cstdint>
#include <memory>

#include "formats/InputFile.h"

namespace korvel {

// A WAV file as a program writing to a pipe leaves it: it could not go
// back to fill in the sizes, so the RIFF size and the "data" size are 0,
// 0xFFFFFFFF or some other value past the end. Seen through this view, the
// two fields hold the sizes the file really has, the data running to the
// end of the file; every other byte is the file's own.
class StreamedWavFile : public InputFile {
public:
    // The view of file, or null when it is no RIFF WAVE file with a "data"
    // chunk whose size is 0 or runs past the end. file must outlive it.
    static std::unique_ptr<StreamedWavFile> of(InputFile& file);

    std::int64_t size() const override { return file.size(); }
    int readAt(std::int64_t offset, std::uint8_t* destination, int count) override;

private:
    StreamedWavFile(InputFile& file, std::int64_t dataSizeAt);

    InputFile& file;
    // The little-endian values of the RIFF size (offset 4) and of the data
    // size (at dataSizeAt).
    std::uint8_t riffSize[4];
    std::uint8_t dataSize[4];
    std::int64_t dataSizeAt;
};

}  // namespace korvel
