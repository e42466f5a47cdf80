#include "tests/support/ImageBuilder.h"

#include <cmath>

namespace korvel::test {

ImageBuilder& ImageBuilder::text(std::string_view characters)
{
    out.insert(out.end(), characters.begin(), characters.end());
    return *this;
}

ImageBuilder& ImageBuilder::u8(std::uint8_t value)
{
    out.push_back(value);
    return *this;
}

ImageBuilder& ImageBuilder::le16(std::uint16_t value)
{
    return u8(static_cast<std::uint8_t>(value)).u8(static_cast<std::uint8_t>(value >> 8));
}

ImageBuilder& ImageBuilder::le32(std::uint32_t value)
{
    return le16(static_cast<std::uint16_t>(value)).le16(static_cast<std::uint16_t>(value >> 16));
}

ImageBuilder& ImageBuilder::be16(std::uint16_t value)
{
    return u8(static_cast<std::uint8_t>(value >> 8)).u8(static_cast<std::uint8_t>(value));
}

ImageBuilder& ImageBuilder::be32(std::uint32_t value)
{
    return be16(static_cast<std::uint16_t>(value >> 16)).be16(static_cast<std::uint16_t>(value));
}

ImageBuilder& ImageBuilder::bytes(const Bytes& values)
{
    out.insert(out.end(), values.begin(), values.end());
    return *this;
}

ImageBuilder& ImageBuilder::repeat(std::uint8_t value, std::size_t count)
{
    out.insert(out.end(), count, value);
    return *this;
}

ImageBuilder& ImageBuilder::riffChunk(std::string_view id, const Bytes& body)
{
    return riffChunk(id, body, static_cast<std::uint32_t>(body.size()));
}

ImageBuilder& ImageBuilder::riffChunk(std::string_view id, const Bytes& body, std::uint32_t statedSize)
{
    text(id).le32(statedSize).bytes(body);
    if (body.size() % 2 != 0)
        u8(0);
    return *this;
}

ImageBuilder& ImageBuilder::iffChunk(std::string_view id, const Bytes& body)
{
    return iffChunk(id, body, static_cast<std::uint32_t>(body.size()));
}

ImageBuilder& ImageBuilder::iffChunk(std::string_view id, const Bytes& body, std::uint32_t statedSize)
{
    text(id).be32(statedSize).bytes(body);
    if (body.size() % 2 != 0)
        u8(0);
    return *this;
}

Bytes wavFormatBody(const WavFields& f)
{
    std::uint16_t align = f.blockAlign != 0 ? f.blockAlign
                                            : static_cast<std::uint16_t>(f.channels * ((f.bitsPerSample + 7) / 8));
    return ImageBuilder()
        .le16(f.formatTag)
        .le16(f.channels)
        .le32(f.sampleRate)
        .le32(f.sampleRate * align)
        .le16(align)
        .le16(f.bitsPerSample)
        .bytes(f.extension);
}

Bytes riffForm(std::string_view formType, const Bytes& body)
{
    return ImageBuilder().text("RIFF").le32(static_cast<std::uint32_t>(4 + body.size())).text(formType).bytes(body);
}

Bytes wavImage(const WavFields& fields, const Bytes& sampleData)
{
    return riffForm("WAVE", ImageBuilder().riffChunk("fmt ", wavFormatBody(fields)).riffChunk("data", sampleData));
}

std::array<std::uint8_t, 10> encodeExtended(double value)
{
    std::array<std::uint8_t, 10> bytes{};
    if (value == 0.0)
        return bytes;
    int sign = value < 0 ? 0x8000 : 0;
    int exponent = 0;
    double fraction = std::frexp(std::fabs(value), &exponent);  // value = fraction x 2^exponent
    // The mantissa holds the fraction with its integer bit on top.
    auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 64));
    int biased = exponent - 1 + 16383;
    bytes[0] = static_cast<std::uint8_t>((sign | biased) >> 8);
    bytes[1] = static_cast<std::uint8_t>(biased);
    for (int i = 0; i < 8; ++i)
        bytes[static_cast<std::size_t>(2 + i)] = static_cast<std::uint8_t>(mantissa >> (56 - 8 * i));
    return bytes;
}

Bytes aiffCommonBody(const AiffFields& fields)
{
    return aiffCommonBody(fields, encodeExtended(fields.sampleRate));
}

Bytes aiffCommonBody(const AiffFields& fields, const std::array<std::uint8_t, 10>& rate)
{
    return ImageBuilder()
        .be16(fields.channels)
        .be32(fields.frames)
        .be16(fields.sampleSize)
        .bytes(Bytes(rate.begin(), rate.end()));
}

Bytes aiffSoundBody(const Bytes& sampleData, std::uint32_t offset)
{
    return ImageBuilder().be32(offset).be32(0).repeat(0xEE, offset).bytes(sampleData);
}

Bytes iffForm(std::string_view formType, const Bytes& body)
{
    return ImageBuilder().text("FORM").be32(static_cast<std::uint32_t>(4 + body.size())).text(formType).bytes(body);
}

Bytes aiffImage(const AiffFields& fields, const Bytes& sampleData)
{
    return iffForm("AIFF",
                   ImageBuilder().iffChunk("COMM", aiffCommonBody(fields)).iffChunk("SSND", aiffSoundBody(sampleData)));
}

Bytes samplesLE(std::initializer_list<int> values)
{
    ImageBuilder b;
    for (int v : values)
        b.le16(static_cast<std::uint16_t>(v));
    return b;
}

Bytes samplesLE(const std::vector<std::int16_t>& values)
{
    ImageBuilder b;
    for (int v : values)
        b.le16(static_cast<std::uint16_t>(v));
    return b;
}

Bytes samplesBE(std::initializer_list<int> values)
{
    ImageBuilder b;
    for (int v : values)
        b.be16(static_cast<std::uint16_t>(v));
    return b;
}

Bytes announcingAiff(const AiffFields& fields, const Bytes& sampleData)
{
    const std::uint32_t soundSize = 8 + fields.channels * fields.frames * ((fields.sampleSize + 7u) / 8u);
    return ImageBuilder()
        .text("FORM")
        .be32(0x7FFFFFFF)
        .text("AIFF")
        .iffChunk("COMM", aiffCommonBody(fields))
        .text("SSND")
        .be32(soundSize)
        .be32(0)
        .be32(0)
        .bytes(sampleData)
        .image();
}

}  // namespace korvel::test
