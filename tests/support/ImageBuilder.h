#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

// Builds WAV and AIFF file images in memory, so that every test shows the
// bytes it feeds to a reader.
namespace korvel::test {

using Bytes = std::vector<std::uint8_t>;

// Appends fields in a named byte order; chunks get their header and, after
// an odd size, their pad byte.
class ImageBuilder {
public:
    ImageBuilder& text(std::string_view characters);
    ImageBuilder& u8(std::uint8_t value);
    ImageBuilder& le16(std::uint16_t value);
    ImageBuilder& le32(std::uint32_t value);
    ImageBuilder& be16(std::uint16_t value);
    ImageBuilder& be32(std::uint32_t value);
    ImageBuilder& bytes(const Bytes& values);
    ImageBuilder& repeat(std::uint8_t value, std::size_t count);
    // A chunk whose size field is the body's length, little-endian (RIFF).
    ImageBuilder& riffChunk(std::string_view id, const Bytes& body);
    // The same with a size field that states something else than the body.
    ImageBuilder& riffChunk(std::string_view id, const Bytes& body, std::uint32_t statedSize);
    // A chunk whose size field is big-endian (IFF).
    ImageBuilder& iffChunk(std::string_view id, const Bytes& body);
    ImageBuilder& iffChunk(std::string_view id, const Bytes& body, std::uint32_t statedSize);

    const Bytes& image() const { return out; }
    operator Bytes() const { return out; }

private:
    Bytes out;
};

// The fields of a "fmt " chunk; blockAlign 0 means channels x sample bytes.
struct WavFields {
    std::uint16_t formatTag = 1;
    std::uint16_t channels = 1;
    std::uint32_t sampleRate = 8000;
    std::uint16_t bitsPerSample = 16;
    std::uint16_t blockAlign = 0;
    Bytes extension;  // bytes after the 16 standard ones
};

Bytes wavFormatBody(const WavFields& fields);
// "RIFF" with a stated size of 4 + body, the form type, then the body.
Bytes riffForm(std::string_view formType, const Bytes& body);
// A canonical image: "RIFF", "WAVE", "fmt " and "data".
Bytes wavImage(const WavFields& fields, const Bytes& sampleData);

// The fields of a "COMM" chunk.
struct AiffFields {
    std::uint16_t channels = 1;
    std::uint32_t frames = 0;
    std::uint16_t sampleSize = 16;
    double sampleRate = 8000.0;
};

// An 80-bit extended-precision number as AIFF stores it (finite values).
std::array<std::uint8_t, 10> encodeExtended(double value);
Bytes aiffCommonBody(const AiffFields& fields);
Bytes aiffCommonBody(const AiffFields& fields, const std::array<std::uint8_t, 10>& rate);
// "SSND": offset and block-size fields, offset bytes, then the samples.
Bytes aiffSoundBody(const Bytes& sampleData, std::uint32_t offset = 0);
// "FORM" with a stated size of 4 + body, the form type, then the body.
Bytes iffForm(std::string_view formType, const Bytes& body);
// A canonical image: "FORM", "AIFF", "COMM" and "SSND".
Bytes aiffImage(const AiffFields& fields, const Bytes& sampleData);

// An AIFF whose "FORM" size is the largest there is (the reader takes it as
// stated) and whose "SSND" size covers all the frames "COMM" announces, while
// only sampleData follow: a small file that claims a large sound.
Bytes announcingAiff(const AiffFields& fields, const Bytes& sampleData);

// Sample data of 16-bit values in either byte order.
Bytes samplesLE(std::initializer_list<int> values);
Bytes samplesLE(const std::vector<std::int16_t>& values);
Bytes samplesBE(std::initializer_list<int> values);

}  // namespace korvel::test
