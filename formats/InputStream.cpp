#include "formats/InputStream.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "formats/ByteOrder.h"

namespace korvel {

InputStream::InputStream(int capacity) : capacity(capacity)
{
    if (capacity > 0) {
        buffer.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(capacity)]);
        if (!buffer) {
            this->capacity = 0;
            setFailed();
        }
    } else {
        this->capacity = 0;
    }
}

InputStream::~InputStream() = default;

// The base skip reads the bytes into the buffer and drops them, a buffer's
// worth at a time.
int InputStream::rawSkip(int count)
{
    int remaining = count;
    while (remaining > capacity) {
        int n = rawRead(buffer.get(), capacity);
        if (n < 0)
            return -1;
        if (n == 0)
            return 0;
        remaining -= n;
    }
    return rawRead(buffer.get(), remaining) < 0 ? -1 : 0;
}

int InputStream::rawSeek(int position)
{
    if (rawRewind() < 0)
        return -1;
    return rawSkip(position) < 0 ? -1 : 0;
}

int InputStream::rawRewind()
{
    return -1;
}

int InputStream::rawSize()
{
    return -1;
}

bool InputStream::advancePosition(std::int64_t count)
{
    std::int64_t next = static_cast<std::int64_t>(position) + count;
    if (next < 0 || next > INT_MAX) {
        setFailed();
        return false;
    }
    position = static_cast<int>(next);
    return true;
}

int InputStream::getByte()
{
    if (status & (kAtEnd | kError))
        return -1;
    if (cursor >= fill) {
        int n = rawRead(buffer.get(), capacity);
        fill = n < 0 ? 0 : n;
        if (n < 0) {
            setFailed();
            return -1;
        }
        if (n == 0) {
            status |= kAtEnd;
            return -1;
        }
        cursor = 0;
    }
    if (!advancePosition(1))
        return -1;
    return buffer[static_cast<std::size_t>(cursor++)];
}

int InputStream::reserved(int)
{
    return -1;
}

// The same bytes as count calls of getByte, copied a buffer at a time.
int InputStream::read(std::uint8_t* destination, int count)
{
    if (destination == nullptr)
        return -1;
    int stored = 0;
    while (stored < count && !(status & (kAtEnd | kError))) {
        if (cursor >= fill) {
            int n = rawRead(buffer.get(), capacity);
            fill = n < 0 ? 0 : n;
            if (n < 0) {
                setFailed();
                break;
            }
            if (n == 0) {
                status |= kAtEnd;
                break;
            }
            cursor = 0;
        }
        // The position stops at INT_MAX, as it would byte by byte.
        const int k = std::min({count - stored, fill - cursor, INT_MAX - position});
        if (k == 0) {
            advancePosition(1);
            break;
        }
        advancePosition(k);
        std::memcpy(destination + stored, buffer.get() + cursor, static_cast<std::size_t>(k));
        cursor += k;
        stored += k;
    }
    if (hasError() && stored == 0)
        return -1;
    return stored;
}

// A skip that stays inside the buffer calls no raw hook; only the part
// beyond the buffered bytes goes to rawSkip.
int InputStream::skip(int count)
{
    if (count < 0 || hasError())
        return -1;
    std::int64_t next = static_cast<std::int64_t>(cursor) + count;
    if (next > fill) {
        std::int64_t beyond = next - fill;
        if (beyond > INT_MAX || rawSkip(static_cast<int>(beyond)) < 0) {
            setFailed();
            return -1;
        }
        fill = 0;
        cursor = 0;
    } else {
        cursor = static_cast<int>(next);
    }
    return advancePosition(count) ? 0 : -1;
}

int InputStream::rewind()
{
    if (!buffer || rawRewind() < 0) {
        setFailed();
        return -1;
    }
    fill = 0;
    cursor = 0;
    position = 0;
    status = 0;
    return 0;
}

int InputStream::seek(int position)
{
    if (hasError())
        return -1;
    if (rawSeek(position) < 0) {
        setFailed();
        return -1;
    }
    this->position = position;
    status &= ~kAtEnd;
    fill = 0;
    cursor = 0;
    return 0;
}

int InputStream::tell()
{
    return position;
}

int InputStream::size()
{
    return hasError() ? -1 : rawSize();
}

int InputStream::readU16(bool bigEndian)
{
    return readU16From([this] { return getByte(); }, bigEndian);
}

int InputStream::readU32(bool bigEndian)
{
    return readU32From([this] { return getByte(); }, bigEndian);
}

}  // namespace korvel
