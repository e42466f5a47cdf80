#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "formats/ClipFormat.h"
#include "formats/InputFile.h"
#include "formats/SampleSource.h"
#include "road/StageResult.h"

namespace korvel {

class InputFile;
class InputStream;

// The kinds of sound file, as a name's extension tells them.
enum class SoundKind { wav, aiff, other };

// The kind a file's first bytes tell, where it has no name to go by: "RIFF"
// a WAV file, "FORM" an AIFF file, anything else another kind.
SoundKind kindOfFirstBytes(std::span<const std::uint8_t> head);

// The first stage of every conversion: the reader of the sound's kind over
// its file, and the answer of the format checks that decide whether the
// sound can be converted at all. The file must be at its start and outlive
// the stage.
class SourceStage {
public:
    // The desktop program's way (ReadPolicy::desktop): the WAV or AIFF
    // reader and its rules.
    SourceStage(bool isAiff, InputStream& file);
    ~SourceStage();

    // Every reader's way: the reader of the kind first, so that every file the
    // desktop program converts gives the same frames; what it refuses, and
    // every other kind, is read by libsndfile where the build has it, with
    // wider rules: any number of channels and 4000 to 192000 Hz. A build
    // without libsndfile reads the uncompressed WAV and AIFF kinds under
    // the same rules with the wider reader (WidePcmReader). When neither
    // can read it, the reader's refusal stands. Both file and stream (over
    // file) must outlive the stage.
    static std::unique_ptr<SourceStage> openAny(SoundKind kind, InputFile& file, InputStream& stream);

    // True when libsndfile reads the sound: its file may be compressed, and
    // its length says nothing about the sound's.
    bool decodedByLibrary() const { return library; }
    // The desktop program's way: a sound that ends before the length its
    // header states goes on in silence up to that length. Otherwise the
    // sound ends where its data does.
    bool padded() const { return padding; }
    // The header states the sound's length (a stream may leave it unknown).
    bool lengthStated() const { return stated; }
    // The length found by reading the sound to its end, where it ended
    // before the length stated: the frames it really holds.
    void knowLength(std::int64_t frames)
    {
        frameTotal = frames;
        stated = true;
    }

    // ok, or notRecognised, unsupportedRate, unsupportedWidth,
    // tooManyChannels or playTimeTooShort, tested in that order.
    StageResult result() const { return checked; }
    SampleSource& reader() { return *source; }
    // The rule every sound and every excerpt must pass: more than 20 whole
    // milliseconds, divided first, then scaled, then truncated (at 8000 Hz
    // 168 frames make 21 ms and pass, 167 make 20 ms and fail).
    static bool tooShortToPlay(std::int64_t frames, int sampleRate);

    // The sound as the pipeline holds it: 16-bit samples at the input's rate.
    ClipFormat format() const;
    // The title the file's own tags give, where libsndfile reads it; empty
    // otherwise (a file the desktop program reads keeps its base name as
    // the title, and so its bytes).
    std::string title() const;
    // The frames the file holds, which libsndfile counts beyond 32 bits; a
    // WAV or AIFF file read by every reader's way holds no more than its data
    // does, whatever its header says. Without a stated length, more than any
    // sound has.
    std::int64_t frames() const { return frameTotal; }

private:
    SourceStage(std::unique_ptr<SampleSource> reader, StageResult result, std::int64_t frames, bool library);

    // The view libsndfile reads a streamed WAV file through; it outlives the
    // reader (members are destroyed in reverse order).
    std::unique_ptr<InputFile> view;
    std::unique_ptr<SampleSource> source;
    StageResult checked;
    std::int64_t frameTotal = 0;
    bool library = false;
    bool padding = true;
    bool stated = true;
};

}  // namespace korvel
