#pragma once

#include "formats/InputStream.h"
#include "formats/InputFile.h"

namespace korvel {

// An InputStream that reads an opened file as the readers ask for it, a
// buffer at a time, so that only the parts of a file that are looked at are
// read, and no copy of the whole file is held. The file must outlive the
// stream and be shorter than 2^31 bytes.
class FileStream : public InputStream {
public:
    static constexpr int kBufferBytes = 64 * 1024;

    explicit FileStream(InputFile& file);
    ~FileStream() override;

    int rawRead(std::uint8_t* destination, int count) override;
    int rawSkip(int count) override;
    int rawSeek(int position) override;
    int rawRewind() override;
    int rawSize() override;

    // True once the system failed to read, or the file ended before the
    // length it had when it was opened: the stream then ends there, as it
    // does at the end of the file, and the caller can tell the two apart.
    bool readFailed() const { return failed; }

private:
    InputFile& file;
    int length;
    int rawPosition = 0;
    bool failed = false;
};

}  // namespace korvel
