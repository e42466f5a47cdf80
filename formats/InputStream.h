#pragma once

#include <cstdint>
#include <memory>

namespace korvel {

// A byte input stream with an optional read buffer. Concrete streams supply
// the five raw hooks; users call the operations from getByte on. Every
// failure is a negative result, and a failed operation sets both status bits.
class InputStream {
public:
    static constexpr std::uint32_t kAtEnd = 1u << 0;
    static constexpr std::uint32_t kError = 1u << 1;

    // A capacity above 0 allocates the read buffer; when that allocation
    // fails the stream starts with both status bits set and reads nothing.
    explicit InputStream(int capacity);

    InputStream(const InputStream&) = delete;
    InputStream& operator=(const InputStream&) = delete;

    // Raw hooks: copy, skip or seek in the underlying data, bypassing the buffer.
    virtual int rawRead(std::uint8_t* destination, int count) = 0;
    virtual int rawSkip(int count);
    virtual int rawSeek(int position);
    virtual int rawRewind();
    virtual int rawSize();

    virtual ~InputStream();

    // The next byte as 0..255, or -1 at the end or after a failure.
    virtual int getByte();
    // Has no caller; every stream answers -1.
    virtual int reserved(int value);
    // Bytes read one by one with getByte; the count stored, or -1 when an
    // error occurred before the first byte.
    virtual int read(std::uint8_t* destination, int count);
    virtual int skip(int count);
    virtual int rewind();
    virtual int seek(int position);
    // Bytes consumed since the start, or the position set by seek.
    virtual int tell();
    virtual int size();

    // Integer reads; -1 when a byte is missing. Values of 2^31 or more come
    // out negative, which callers that test for failure refuse as well.
    int readU16LE() { return readU16(false); }
    int readU16BE() { return readU16(true); }
    int readU32LE() { return readU32(false); }
    int readU32BE() { return readU32(true); }

    bool atEnd() const { return (status & kAtEnd) != 0; }
    bool hasError() const { return (status & kError) != 0; }
    std::uint32_t statusBits() const { return status; }

protected:
    int readU16(bool bigEndian);
    int readU32(bool bigEndian);
    void setFailed() { status |= kAtEnd | kError; }
    // Moves position by count; false (and both status bits set) when the
    // result would leave the range of a 32-bit position.
    bool advancePosition(std::int64_t count);

    std::unique_ptr<std::uint8_t[]> buffer;
    int capacity = 0;
    int fill = 0;
    int cursor = 0;
    int position = 0;
    std::uint32_t status = 0;
};

}  // namespace korvel
