#pragma once

#include <cstdint>
#include <vector>

#include "formats/ClipFormat.h"
#include "formats/SampleBuffer.h"

namespace korvel {

class SampleSource;

// Brings the mono sound a file keeps to a loudness, as a handset plays it
// (ITU-R BS.1770 integrated loudness of the sound coded and decoded again),
// with one gain in hundredths of a decibel, and keeps its true peak at
// kCeiling or below (checked at kCheckedCeiling). The sound is held once; every gain tried is coded and
// measured on what the handset would play, and the code of the gain chosen
// is the file's payload, so nothing is read, resampled or coded twice. The
// gain is lowered until the ceiling holds (the coder's overshoot differs
// from gain to gain); where the ceiling allows, the loudness lands within
// kTolerance of the target. Silence keeps its level.
//
// Calling order: hold, then keepFirst where fewer frames are kept, then
// chooseGain, then payload. The source is not owned.
class LoudnessStage {
public:
    // The true-peak ceiling in dBTP, and how near the target a loudness
    // counts as reached, in LU.
    static constexpr double kCeiling = -1.0;
    static constexpr double kTolerance = 0.05;
    // What the program's meter must read at most for the ceiling to hold:
    // true-peak meters interpolate between the samples each in their own
    // way, and on coded noise another one reads up to about 0.06 dB higher.
    static constexpr double kCheckedCeiling = kCeiling - 0.15;

    LoudnessStage(SampleSource* upstream, double targetLufs);
    ~LoudnessStage();

    // Pulls every frame of the source, silence where it ends before its
    // count: 0, or the source's failure.
    int hold();
    // Keeps only the first frames of those held.
    void keepFirst(int frames);
    // Finds the gain and codes the held frames with it.
    void chooseGain();
    // The gain found, in decibels.
    double gainDb() const { return chosen / 100.0; }
    // The 4-bit ADPCM payload of the held frames with that gain.
    const std::vector<std::uint8_t>& payload() const { return chosenCodes; }

private:
    struct Measured {
        double loudness;
        double truePeak;
    };
    // Codes the held frames with the gain (into codes) and measures what a
    // handset plays of them.
    Measured measureCoded(int hundredths, bool withLoudness);
    // Takes the gain last coded as the one chosen.
    void choose(int hundredths);

    SampleSource* upstream;
    double target;
    ClipFormat format;
    std::vector<std::int16_t, DefaultInitAllocator<std::int16_t>> held;
    // The code of the last try.
    std::vector<std::uint8_t> codes;
    int chosen = 0;
    std::vector<std::uint8_t> chosenCodes;
};

}  // namespace korvel
