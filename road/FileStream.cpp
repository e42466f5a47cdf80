#include "road/FileStream.h"

#include <algorithm>
#include <climits>

namespace korvel {

FileStream::FileStream(InputFile& file)
    : InputStream(kBufferBytes), file(file),
      length(static_cast<int>(std::clamp<std::int64_t>(file.size(), 0, INT_MAX)))
{
}

FileStream::~FileStream() = default;

// A short answer of the system is not the end of the file: the read goes on
// until the count is there or the file gives nothing more. A file that ends
// before the length it had when it was opened was cut short meanwhile by
// another program; what it held there is lost, so that is a read failure
// too, never silence.
int FileStream::rawRead(std::uint8_t* destination, int count)
{
    if (destination == nullptr || count < 0 || failed)
        return -1;
    int got = 0;
    while (got < count) {
        const std::int64_t at = static_cast<std::int64_t>(rawPosition) + got;
        const int n = file.readAt(at, destination + got, count - got);
        if (n < 0 || (n == 0 && at < length)) {
            failed = true;
            return -1;
        }
        if (n == 0)
            break;
        got += std::min(n, count - got);
    }
    rawPosition += got;
    return got;
}

// Skips and seeks move the offset only; as in a memory image, none may go
// past the length the file had when it was opened.
int FileStream::rawSkip(int count)
{
    if (count < 0 || static_cast<std::int64_t>(rawPosition) + count > length)
        return -1;
    rawPosition += count;
    return 0;
}

int FileStream::rawSeek(int position)
{
    if (position < 0 || position > length)
        return -1;
    rawPosition = position;
    return 0;
}

int FileStream::rawRewind()
{
    rawPosition = 0;
    return 0;
}

int FileStream::rawSize()
{
    return length;
}

}  // namespace korvel
