#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/SampleSource.h"

struct sf_private_tag;

namespace korvel {

class InputFile;
struct SndfileLibrary;

// Reads every kind of sound file that libsndfile knows (MP3, FLAC, Ogg
// Vorbis, Opus, WAV of every width and float, WAVE_FORMAT_EXTENSIBLE, RF64,
// W64, AIFF-C, CAF and more) from an opened file, through libsndfile's
// virtual input, and delivers 16-bit frames: the top 16 bits of each
// sample, as the AIFF reader takes them from wider samples. The format is
// that of the delivered frames (16 bits, every channel of the file); a file
// libsndfile cannot read leaves channels 0.
class SndfileReader : public SampleSource {
public:
    // The file must outlive the reader.
    explicit SndfileReader(InputFile& file);
    ~SndfileReader() override;

    // The frames the file holds, which may pass the 32-bit frameCount.
    std::int64_t frames() const { return totalFrames; }
    // The title the file's own tags give (INFO, Vorbis comments, ID3), as
    // stored; empty when there is none.
    std::string title() const;

    int read(std::int16_t* destination, int frames) override;
    int readBytes(std::uint8_t* destination, int count) override;
    int rewind() override;
    // Positions before the given frame: libsndfile seeks, decoding only what
    // the kind of file needs for it.
    int seekFrame(std::int64_t frame) override;

    // Where libsndfile's calls back into the file read, and a block of the
    // file read ahead: a decoder reads a few bytes at a time, and seeking in
    // a compressed file walks through many small headers.
    struct Cursor {
        InputFile& file;
        std::int64_t offset;
        std::vector<std::uint8_t> block;
        std::int64_t blockAt;
    };

private:
    Cursor cursor;
    const SndfileLibrary* library = nullptr;
    sf_private_tag* handle = nullptr;
    std::int64_t totalFrames = 0;
    // Floating-point samples are read as they are and scaled here: the
    // library's own scaling to integers measures the whole file first.
    bool floating = false;
    bool decoderStopped = false;
    std::vector<int> wide;
    std::vector<float> real;
};

}  // namespace korvel
