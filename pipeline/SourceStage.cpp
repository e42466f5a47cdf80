#include "pipeline/SourceStage.h"

#include <climits>
#include <cstdint>

#include "formats/AiffReader.h"
#include "formats/WavReader.h"
#include "pipeline/ResultCodes.h"

namespace korvel {

namespace {

// Rates a handset file can be made from.
constexpr int kMinRate = 4000;
constexpr int kMaxRate = 48000;
// A sound must play for more than this many whole milliseconds.
constexpr int kMinPlayTimeMs = 20;

// The format checks in the order that decides the result.
int checkFormat(const SampleSource& reader)
{
    if (reader.format.channels == 0)
        return kInputNotRecognised;
    if (reader.format.sampleRate < kMinRate || reader.format.sampleRate > kMaxRate)
        return kUnsupportedRate;
    if (reader.format.bitsPerSample != 8 && reader.format.bitsPerSample != 16)
        return kUnsupportedWidth;
    if (reader.format.channels > 2)
        return kTooManyChannels;
    // Divided first, then scaled, then truncated: at 8000 Hz 168 frames
    // make 21 ms and pass, 167 frames make 20 ms and fail.
    double milliseconds = static_cast<double>(reader.format.frameCount) / reader.format.sampleRate * 1000.0;
    if (static_cast<int>(milliseconds) <= kMinPlayTimeMs)
        return kPlayTimeTooShort;
    // The held samples are 16-bit whatever the input's width, so a long
    // 8-bit file can announce more sample bytes than the 32-bit byte count
    // of a clip can describe.
    if (static_cast<std::int64_t>(reader.format.channels) * reader.format.frameCount * 2 > INT32_MAX)
        return kInputNotRecognised;
    return kOk;
}

std::unique_ptr<SampleSource> makeReader(bool isAiff, InputStream& file)
{
    if (isAiff)
        return std::make_unique<AiffReader>(&file);
    return std::make_unique<WavReader>(&file);
}

}  // namespace

SourceStage::SourceStage(bool isAiff, InputStream& file) : source(makeReader(isAiff, file)), checked(checkFormat(*source))
{
}

SourceStage::~SourceStage() = default;

ClipFormat SourceStage::format() const
{
    return ClipFormat::of16Bit(source->format.sampleRate, source->format.channels, source->format.frameCount);
}

}  // namespace korvel
