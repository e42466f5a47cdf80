// korvel-cli's way in on any bytes: the project's readers first, then
// libsndfile (through the streamed-WAV view where it applies) or the wider
// reader of the builds without it, read here on its own first, the excerpt
// with its gain and fades, the loudness stage and the audio-track writer.
// Every accepted input must give a sound file that the file reader takes.
//
// The first byte chooses the kind the name would give (bits 0-1: WAV, AIFF,
// other), the rate (bit 2: 4000 Hz), an excerpt (bit 3) and a loudness
// (bit 4). Sounds of more than two seconds, and filters that need
// more than a table's worth of coefficients, are passed over.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <optional>
#include <span>

#include "formats/ByteStream.h"
#include "formats/ImageFile.h"
#include "formats/WidePcmReader.h"
#include "fuzz/FuzzChecks.h"
#include "road/StageResult.h"
#include "road/SoundRoad.h"
#include "road/SourceStage.h"
#include "tessal/ContentInfo.h"
#include "tessal/TessalReader.h"

namespace {

constexpr int kMaxSeconds = 2;
constexpr int kMaxOutputStep = 640;
// A sound whose length is not stated is read until it ends: only from a
// small image, whose decoding ends soon.
constexpr std::size_t kMaxUnstatedBytes = 256 * 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1 || size - 1 > (1u << 24))
        return 0;
    const int choice = data[0];
    const korvel::SoundKind kinds[] = {korvel::SoundKind::wav, korvel::SoundKind::aiff, korvel::SoundKind::other,
                                       korvel::SoundKind::other};
    const korvel::SoundKind kind = kinds[choice & 3];
    const int rate = (choice & 4) != 0 ? 4000 : 8000;
    const std::span<const std::uint8_t> image(data + 1, size - 1);
    korvel::ImageFile file(image);
    korvel::ByteStream stream(image.data(), static_cast<int>(image.size()));

    // The wider reader delivers at most the frames it announced, and
    // nothing beyond them.
    {
        korvel::WidePcmReader wide(file);
        std::int16_t frames[4096];
        const int channels = wide.format.channels;
        std::int64_t got = 0;
        for (int n = 0; channels > 0 && channels <= 64 && (n = wide.read(frames, 4096 / channels)) > 0;)
            got += n;
        KORVEL_FUZZ_CHECK(got <= wide.frames());
        KORVEL_FUZZ_CHECK(channels == 0 || channels > 64 || got == wide.frames());
    }

    // Checked first, to pass over what would cost too much.
    {
        korvel::ByteStream header(image.data(), static_cast<int>(image.size()));
        const auto checked = korvel::SourceStage::openAny(kind, file, header);
        if (checked->result() != korvel::StageResult::ok)
            return 0;
        const korvel::ClipFormat format = checked->format();
        const bool tooLong = checked->lengthStated() ? checked->frames() / format.sampleRate >= kMaxSeconds
                                                     : image.size() > kMaxUnstatedBytes;
        if (tooLong || rate / std::gcd(rate, format.sampleRate) > kMaxOutputStep)
            return 0;
    }

    korvel::SoundPart excerpt;
    if ((choice & 8) != 0)
        excerpt = {.start = 0.05, .length = 0.5, .fadeIn = 0.02, .fadeOut = 0.1, .gainDb = 4.5};
    std::optional<double> loudness;
    if ((choice & 16) != 0)
        loudness = -16.0;
    korvel::SoundRoad road;
    const korvel::StageResult built =
        road.build(korvel::SourceStage::openAny(kind, file, stream), rate, 256, excerpt, loudness);
    if (built != korvel::StageResult::ok)
        return 0;
    korvel::ContentInfo info;
    info.codeType = korvel::ContentInfo::kCodeUtf8;
    std::strcpy(info.slots[korvel::ContentInfo::kSlotTitle], "Any");
    korvel::ByteVector written;
    if (road.write(info, written) != korvel::StageResult::ok) {
        KORVEL_FUZZ_CHECK(written.empty());
        return 0;
    }
    const korvel::TessalFile read = korvel::readTessal(written);
    KORVEL_FUZZ_CHECK(read.sound() && read.sampleRate == rate && read.channels == 1);
    return 0;
}
