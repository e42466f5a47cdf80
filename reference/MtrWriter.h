#pragma once

#include "tessal/TessalWriter.h"

namespace korvel {

// The writer of a music-track file: a short contents chunk, option data
// "OPDA" with the check entries, and a music track "MTR" whose sequence
// plays the whole sound, mono or stereo, as one stream-wave event.
class MtrWriter : public TessalWriter {
public:
    MtrWriter();
    ~MtrWriter() override;

    // Reads channels, sampleRate and frameCount of the clip; the contents
    // information is not used. Returns the result of buildOpda (0), or -1
    // (out left empty) when buildMtr refuses the clip.
    int build(int reserved, const ContentInfo& info, const ClipFormat& clip, ByteVector& adpcm,
              ByteVector& out) override;
    // "CNTI", 13 bytes, carrying the contents type.
    virtual int buildCnti(ByteVector& chunk);
    // "OPDA" with both check-character pairs "00"; returns their offsets.
    virtual int buildOpda(ByteVector& chunk, std::size_t& trackCheckAt, std::size_t& optionsCheckAt);
    // "MTR" with setup, sequence and stream chunks, ticks of 4 ms whatever
    // timebase says. Sets the play length. Refuses (-1) a rate of 0 or less,
    // a negative frame count, a play length of 2^28 ticks or more, and a
    // channel count other than 1 or 2.
    virtual int buildMtr(int timebase, const ClipFormat& clip, const ByteVector& adpcm, ByteVector& chunk);

protected:
    // The play length in ticks; -1 until buildMtr sets it.
    int playTicks = -1;
};

}  // namespace korvel
