#pragma once

#include "tessal/TessalWriter.h"

namespace korvel {

// The writer of the handset audio file: contents information "CNTI" and one
// audio track "ATR" (seek and phrase points, a sequence that plays the sound
// once, and the ADPCM wave data) inside "MMMD".
//
// For 0.1 s at 8000 Hz (800 frames, 400 ADPCM bytes) with the title "Song"
// and the date 20040101 the file is 536 bytes: "MMMD" size 528, "CNTI" size
// 50, "ATR" size 460.
class AtrWriter : public TessalWriter {
public:
    ~AtrWriter() override;

    // Reads sampleRate and frameCount of the clip. Refuses (-1, out left
    // empty) a rate other than 4000 or 8000 Hz, which has no wave type, and
    // a negative frame count. Sound beyond 16510 ticks of 4 ms is cut from
    // adpcm. Otherwise 0.
    int build(int reserved, const ContentInfo& info, const ClipFormat& clip, ByteVector& adpcm,
              ByteVector& out) override;

    // The same file in two steps, for a payload that is coded straight into
    // it: layOut replaces out with every byte before the payload (of
    // payloadBytes, or of the 66.04 s kept when the clip is longer) and
    // reserves room for the rest; the caller appends exactly
    // layout.payloadBytes; seal then fills in the sizes and the check
    // characters and appends the CRC. Each returns 0, or -1: layOut for
    // what build refuses (out empty), seal for a payload of another length.
    struct Layout {
        std::size_t contentsAt = 0;
        std::size_t trackCheckAt = 0;
        std::size_t trackAt = 0;
        std::size_t payloadAt = 0;
        std::size_t payloadBytes = 0;
    };
    static int layOut(const ContentInfo& info, const ClipFormat& clip, std::size_t payloadBytes, ByteVector& out,
                      Layout& layout);
    static int seal(ByteVector& out, const Layout& layout);

    // How many leading frames of a mono clip of frameCount frames at rate
    // reach the file: all of them up to 16510 ticks, else the 66.04 s that
    // are kept. A clip cut to this many frames makes the same file.
    static int framesKept(int rate, int frameCount);

    // The contents-information chunk, with both check-character pairs "00";
    // the offsets of the pairs inside it are returned.
    static ByteVector buildContents(const ContentInfo& info, std::size_t& trackCheckAt, std::size_t& contentsCheckAt);
    // The length of the sequence in one or two bytes: v below 128 as itself,
    // else 0x80 | ((v - 128) >> 7) and (v - 128) AND 0x7F. 128 is 80 00 and
    // 16511, the largest, FF 7F.
    static ByteVector durationBytes(int value);
};

}  // namespace korvel
