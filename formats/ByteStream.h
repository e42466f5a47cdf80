#pragma once

#include "formats/InputStream.h"

namespace korvel {

// An InputStream over a byte image held in memory. The image is not owned
// and must outlive the stream. The buffer is as large as the image, so the
// first read copies the image once and later bytes come from the buffer.
class ByteStream : public InputStream {
public:
    ByteStream(const std::uint8_t* data, int length);
    ~ByteStream() override;

    int rawRead(std::uint8_t* destination, int count) override;
    int rawSkip(int count) override;
    int rawRewind() override;
    int rawSize() override;

private:
    const std::uint8_t* data;
    int length;
    int rawPosition = 0;
};

}  // namespace korvel
