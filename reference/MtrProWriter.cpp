#include "reference/MtrProWriter.h"

#include "tessal/TessalFormat.h"

namespace korvel {

MtrProWriter::MtrProWriter()
{
    contentsType = tessal::kContentsTypeMusicPro;
    trackNumber = tessal::kTrackNumberMusicPro;
}

MtrProWriter::~MtrProWriter() = default;

int MtrProWriter::buildOpda(ByteVector& chunk, std::size_t& trackCheckAt, std::size_t& optionsCheckAt)
{
    const int result = MtrWriter::buildOpda(chunk, trackCheckAt, optionsCheckAt);
    // The "Pro" sub-chunk: eight zero bytes and the play length in ticks.
    appendBytes(chunk, tessal::kProId, 4);
    appendBE32(chunk, 12);
    chunk.insert(chunk.end(), 8, 0x00);
    appendBE32(chunk, static_cast<std::uint32_t>(playTicks));
    patchSize(chunk);
    return result;
}

}  // namespace korvel
