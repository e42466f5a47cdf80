#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "formats/ClipFormat.h"
#include "tessal/ByteVector.h"

namespace korvel {

class InputStream;
struct ContentInfo;

// The decoded sound that every stage of a conversion works on: signed
// 16-bit samples, frame after frame, the left channel first within a
// stereo frame, and the format that describes them.
//
// After a successful load, and kept by every later stage: samples holds
// channels x frameCount values, dataBytes is twice that, blockAlign is
// 2 x channels and bitsPerSample is 16.
class AudioClip {
public:
    // Channel choice of mixDown.
    static constexpr int kMixAverage = 0;
    static constexpr int kMixLeft = 1;
    static constexpr int kMixRight = 2;

    AudioClip() = default;
    virtual ~AudioClip();

    // Decodes a complete WAV or AIFF file image into the clip. Returns 0, or
    // kInputNotRecognised, kUnsupportedRate, kUnsupportedWidth,
    // kTooManyChannels or kPlayTimeTooShort, tested in that order, or
    // kFailed when the reader fails while delivering samples. Frames that
    // a file cut short does not deliver are silence. The image stays the
    // caller's and is only read.
    int load(bool isAiff, const std::uint8_t* data, int length);
    // The same for an image of any size: one that does not fit the reader's
    // 32-bit length is refused as not recognised instead of being cut.
    int load(bool isAiff, std::span<const std::uint8_t> image);

    // What load would answer for the image, and the format it would give,
    // without decoding a sample. format may be null.
    static int check(bool isAiff, std::span<const std::uint8_t> image, ClipFormat* format);
    // The same for a file read as a stream, which must be at its start.
    static int check(bool isAiff, InputStream& file, ClipFormat* format);

    // Makes a stereo clip mono in place: kMixAverage halves each channel and
    // adds the halves (left 1 and right 1 give 0, -3 and -3 give -2),
    // kMixLeft and kMixRight keep one channel. A mono clip is left as it is.
    // Returns 0, or kFailed for an unknown mode on a stereo clip.
    int mixDown(int mode);

    // Copies the format out; kBadCall when out is null.
    int getFormat(ClipFormat* out) const;

    // Empties the samples; the format is left as it is.
    void clear();

    // Writes the clip into out as a canonical 16-bit PCM WAV image: "RIFF",
    // "WAVE", a 16-byte "fmt " and "data", the samples from offset 44.
    int writeWav(ByteVector& out) const;

    // Converts the clip to outRate with a windowed-sinc filter of taps input
    // samples: 1000 frames at 8000 Hz become 500 at 4000 Hz, 1001 become
    // 501. A clip already at the rate is left as it is. Returns 0, or
    // kFailed (the clip unchanged) when the converter refuses the rates or
    // its input fails.
    int resample(int outRate, int taps);

    // Writer variants of encode.
    static constexpr int kWriterAudioTrack = 0;     // the handset audio file
    static constexpr int kWriterMusicTrack = 1;     // music track
    static constexpr int kWriterMusicTrackPro = 2;  // music track with play length

    // Encodes the samples to 4-bit ADPCM (each channel on its own, a stereo
    // frame in one byte, left in the low nibble), lets the chosen writer
    // assemble the file around them and copies it into destination.
    // Returns the file's length, or kBadCall (no samples, flag not 0, an
    // unknown writer, a missing argument), kOutputTooSmall (the file is
    // longer than capacity; destination untouched), kWriterNotCreated, or
    // the writer's own refusal (a rate the file cannot describe).
    int encode(int writerType, int flag, const ContentInfo* contentInfo, std::uint8_t* destination, int capacity);
    // The same into file, which holds the whole file afterwards (and nothing
    // on a failure); there is no capacity to exceed.
    int encode(int writerType, int flag, const ContentInfo* contentInfo, ByteVector& file);

    const std::vector<std::int16_t>& samples() const { return sampleValues; }
    const ClipFormat& format() const { return clipFormat; }

private:
    std::vector<std::int16_t> sampleValues;
    ClipFormat clipFormat;
};

}  // namespace korvel
