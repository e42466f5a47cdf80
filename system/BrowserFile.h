#pragma once

#include <cstdint>
#include <vector>

#include <emscripten/val.h>

#include "formats/InputFile.h"

namespace korvel {

// A file the user chose in the browser (a File or any Blob), read in
// slices as the conversion needs them, in a worker, where reading a slice
// may wait: the file is never copied whole into memory. Slices of 4 MiB
// are read ahead, so that a pass over the file asks the browser a few
// times, not once for every small read.
class BrowserFile : public InputFile {
public:
    explicit BrowserFile(emscripten::val blob);

    std::int64_t size() const override { return length; }
    int readAt(std::int64_t offset, std::uint8_t* destination, int count) override;

private:
    static constexpr std::int64_t kSliceBytes = 4 << 20;
    emscripten::val blob;
    std::int64_t length = 0;
    std::vector<std::uint8_t> slice;
    std::int64_t sliceAt = -1;
};

}  // namespace korvel
