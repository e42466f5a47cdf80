#include "formats/ByteStream.h"

#include <algorithm>
#include <cstring>

namespace korvel {

// A negative length describes no image at all: the stream then holds nothing.
// The buffer holds a window of the image, never a second copy of all of it:
// an image of 100 MB is read through 64 KiB.
ByteStream::ByteStream(const std::uint8_t* data, int length)
    : InputStream(std::min(length, kMaxBuffer)), data(data), length(std::max(length, 0))
{
}

ByteStream::~ByteStream() = default;

int ByteStream::rawRead(std::uint8_t* destination, int count)
{
    if (destination == nullptr || count < 0)
        return -1;
    int k = std::min(count, length - rawPosition);
    if (k > 0 && data != nullptr)
        std::memcpy(destination, data + rawPosition, static_cast<std::size_t>(k));
    else
        k = 0;
    rawPosition += k;
    return k;
}

int ByteStream::rawSkip(int count)
{
    if (count < 0 || static_cast<std::int64_t>(rawPosition) + count > length)
        return -1;
    rawPosition += count;
    return 0;
}

int ByteStream::rawRewind()
{
    rawPosition = 0;
    return 0;
}

int ByteStream::rawSize()
{
    return data == nullptr ? -1 : length;
}

}  // namespace korvel
