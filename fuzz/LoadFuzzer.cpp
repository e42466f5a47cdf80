// AudioClip::load on any image, read as WAV (KORVEL_FUZZ_AIFF 0) or as AIFF
// (1). An accepted image must give a clip that keeps its invariants, and
// mixing it down must keep them too.

#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzChecks.h"
#include "reference/AudioClip.h"
#include "reference/ResultCodes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    korvel::AudioClip clip;
    const int result = clip.load(KORVEL_FUZZ_AIFF != 0, data, static_cast<int>(size));
    korvel::ClipFormat checked;
    const int announced = korvel::AudioClip::check(KORVEL_FUZZ_AIFF != 0, {data, size}, &checked);
    KORVEL_FUZZ_CHECK(announced == result || (announced == korvel::kOk && result == korvel::kFailed));
    if (result != korvel::kOk) {
        KORVEL_FUZZ_CHECK(clip.samples().empty());
        return 0;
    }
    const korvel::ClipFormat& f = clip.format();
    KORVEL_FUZZ_CHECK(f.channels == 1 || f.channels == 2);
    KORVEL_FUZZ_CHECK(f.sampleRate >= 4000 && f.sampleRate <= 48000);
    KORVEL_FUZZ_CHECK(f.bitsPerSample == 16 && f.blockAlign == 2 * f.channels);
    KORVEL_FUZZ_CHECK(clip.samples().size() == static_cast<std::size_t>(f.channels) * f.frameCount);
    KORVEL_FUZZ_CHECK(f.dataBytes == 2 * f.channels * f.frameCount);
    KORVEL_FUZZ_CHECK(checked.frameCount == f.frameCount && checked.sampleRate == f.sampleRate);
    KORVEL_FUZZ_CHECK(clip.mixDown(korvel::AudioClip::kMixAverage) == korvel::kOk);
    KORVEL_FUZZ_CHECK(clip.format().channels == 1 && clip.samples().size() == static_cast<std::size_t>(f.frameCount));
    return 0;
}
