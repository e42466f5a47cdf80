#pragma once

#include "formats/InputStream.h"

namespace korvel {

// An InputStream over a byte image held in memory. The image is not owned
// and must outlive the stream. The buffer is as large as the image up to
// kMaxBuffer bytes: a small image is copied once by the first read, a large
// one a buffer at a time.
class ByteStream : public InputStream {
public:
    static constexpr int kMaxBuffer = 64 * 1024;

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
