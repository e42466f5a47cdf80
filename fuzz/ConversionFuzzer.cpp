// The whole conversion in memory with fixed settings: the job's bounded way
// in, then the audio-track writer. Every accepted input must give a sound
// file: "MMMD" size = length - 8, the closing CRC over the rest, both check
// character pairs right, which the file reader confirms. Where the sound is
// small enough to run every stage over all of it as well, both ways must
// give the same bytes.
//
// The first byte chooses the kind (bit 0: AIFF) and the rate (bit 1: 4000 Hz).
//
// To search widely, each input must cost little: sounds of more than two
// seconds, and rates whose filter needs more than a table's worth of
// coefficients computed by the direct formula, are passed over (the tests
// cover both), and the whole computation runs beside the bounded one only
// for short sounds.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <vector>

#include "fuzz/FuzzChecks.h"
#include "reference/AudioClip.h"
#include "reference/ResultCodes.h"
#include "road/SoundRoad.h"
#include "tessal/ContentInfo.h"
#include "tessal/TessalReader.h"
#include "tessal/TessalWriter.h"
#include "tests/support/WholeSound.h"

namespace {

// The longest sound converted, in seconds, and the largest reduced output
// step of the filter (beyond it every coefficient is computed at setup).
constexpr int kMaxSeconds = 2;
constexpr int kMaxOutputStep = 640;
// Frames up to which the whole computation is run beside the bounded one.
constexpr int kCompareFrames = 1 << 13;

korvel::ContentInfo settings()
{
    korvel::ContentInfo info;
    info.codeType = korvel::ContentInfo::kCodeUtf8;
    info.permissions = 1;
    std::strcpy(info.slots[korvel::ContentInfo::kSlotTitle], "Fuzz");
    // A "," and a "\\" to escape, which the reader must undo.
    std::strcpy(info.slots[korvel::ContentInfo::kSlotCopyright], "Korvel, (c) 2026 \\o/");
    std::strcpy(info.slots[korvel::ContentInfo::kSlotDate], "20261208");
    return info;
}

std::uint32_t be32(const korvel::ByteVector& b, std::size_t at)
{
    return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) | (std::uint32_t{b[at + 2]} << 8) | b[at + 3];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const bool isAiff = (data[0] & 1) != 0;
    const int rate = (data[0] & 2) != 0 ? 4000 : 8000;
    const std::span<const std::uint8_t> image(data + 1, size - 1);
    const korvel::ContentInfo info = settings();

    korvel::ClipFormat format;
    const int checked = korvel::AudioClip::check(isAiff, image, &format);
    if (checked == korvel::kOk &&
        (format.frameCount / format.sampleRate >= kMaxSeconds || rate / std::gcd(rate, format.sampleRate) > kMaxOutputStep))
        return 0;
    korvel::SoundRoad road;
    const korvel::StageResult built = road.build(isAiff, image, rate, 256);
    KORVEL_FUZZ_CHECK(checked == korvel::kOk || korvel::resultCode(built) == checked);
    if (built != korvel::StageResult::ok)
        return 0;
    korvel::ByteVector file;
    KORVEL_FUZZ_CHECK(road.write(info, file) == korvel::StageResult::ok);
    const int length = static_cast<int>(file.size());

    KORVEL_FUZZ_CHECK(file.size() >= 10 && std::memcmp(file.data(), "MMMD", 4) == 0);
    KORVEL_FUZZ_CHECK(be32(file, 4) == file.size() - 8);
    const korvel::ByteVector body(file.begin(), file.end() - 2);
    const std::uint16_t crc = korvel::TessalWriter::crc16(body);
    KORVEL_FUZZ_CHECK(file[file.size() - 2] == (crc >> 8) && file[file.size() - 1] == (crc & 0xFF));
    const korvel::TessalFile read = korvel::readTessal(file);
    KORVEL_FUZZ_CHECK(read.sound());
    KORVEL_FUZZ_CHECK(read.variant == 0 && read.sampleRate == rate && read.channels == 1);
    KORVEL_FUZZ_CHECK(read.tags.size() == 3 && read.tags[1].second == info.slots[korvel::ContentInfo::kSlotCopyright]);

    if (format.frameCount > kCompareFrames)
        return 0;
    korvel::ByteVector wholeFile;
    KORVEL_FUZZ_CHECK(korvel::test::wholeSoundFile(isAiff, image, rate, info, wholeFile) == length);
    KORVEL_FUZZ_CHECK(wholeFile == file);
    return 0;
}
