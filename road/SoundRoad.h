#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "formats/ClipFormat.h"
#include "road/ExcerptStage.h"
#include "road/StageResult.h"
#include "tessal/ByteVector.h"

namespace korvel {

class ByteStream;
class InputStream;
class KeepStage;
class LoudnessStage;
class MonoMixSource;
class Resampler;
class SourceStage;
struct ContentInfo;

// The road a sound travels to become a handset audio file, one pull stage
// after the other:
//
//   source (the WAV or AIFF reader; libsndfile) -> [excerpt, gain and
//   fades] -> mix to mono -> resample -> keep
//   (the 66.04 s a file holds) -> [loudness] -> encode (ADPCM) -> write
//   (the file)
//
// Each stage pulls from the one before it only the frames it needs, so a
// conversion decodes, mixes and resamples only what the file keeps, and
// time and memory are bounded by what a file can hold. The file is byte
// for byte the one that AudioClip's load, mixDown(kMixAverage),
// resample(outRate, taps) and encode(kWriterAudioTrack) give.
class SoundRoad {
public:
    SoundRoad();
    ~SoundRoad();
    // The input frames after the start of a part that can be heard in a
    // file at outRate: those the longest file keeps, and the reach of a
    // filter of taps around the last of them.
    static std::int64_t audibleFrames(int inRate, int outRate, int taps);
    SoundRoad(const SoundRoad&) = delete;
    SoundRoad& operator=(const SoundRoad&) = delete;

    // Opens the sound in file (at its start; it must outlive the road),
    // checks it and joins the stages for outRate. Returns ok, or the format
    // checks' refusal, or failed when the resampler refuses the rates. A
    // road is built once.
    StageResult build(bool isAiff, InputStream& file, int outRate, int taps);
    // The same for a file image in memory, which must outlive the road: one
    // that does not fit the readers' 32-bit length is not recognised.
    StageResult build(bool isAiff, std::span<const std::uint8_t> image, int outRate, int taps);
    // The same from a source already opened (SourceStage::openAny), with
    // the excerpt asked for: its stage comes right after the source, before
    // the mix. An excerpt too short to play is refused as playTimeTooShort.
    // With a loudness (LUFS), what the file keeps is brought to it before it
    // is encoded (LoudnessStage).
    StageResult build(std::unique_ptr<SourceStage> opened, int outRate, int taps, const SoundPart& excerpt = {},
                      std::optional<double> loudness = std::nullopt);

    // What reaches the encoder: mono, at outRate, the frames the file keeps.
    const ClipFormat& keptFormat() const { return kept; }
    // The sound was longer than the file holds: only its start is kept.
    bool cut() const;

    // Where the sound ended, in the source's frames, when it ended before
    // the part announced it would (a file shorter than its header says);
    // known once write or measure has pulled the part through.
    std::optional<std::int64_t> soundEnd() const;
    // The part ended early, and its fades were placed for the end it
    // announced: a road built once the length is known (SourceStage::
    // knowLength) shapes them right.
    bool fadesMissedTheEnd() const;

    // Pulls the kept frames through, encodes them and lets the handset
    // audio file's writer assemble the file around them, into file. Returns
    // ok, or failed for a source's failure or the writer's refusal, or
    // playTimeTooShort for a sound that ended too early to play; file is
    // empty on a failure. A sound that ends before its announced length
    // gives the file a road built for its real length would give.
    StageResult write(const ContentInfo& info, ByteVector& file);


private:
    // The sound ends where its data does (not padded with silence to the
    // length its header states, as the desktop program's way does).
    bool endsWithItsData() const;
    // Takes in where the part really ended, once it was pulled through:
    // the frames kept and whether the sound was cut. ok, failed, or
    // playTimeTooShort.
    StageResult settle();
    static std::size_t payloadBytes(int frames);

    std::unique_ptr<ByteStream> image;
    std::unique_ptr<SourceStage> source;
    std::unique_ptr<ExcerptStage> excerpt;
    std::unique_ptr<MonoMixSource> mono;
    std::unique_ptr<Resampler> resampler;
    std::unique_ptr<KeepStage> keep;
    std::unique_ptr<LoudnessStage> level;
    ClipFormat kept;
    bool cutSound = false;
};

}  // namespace korvel
