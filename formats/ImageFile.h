#pragma once

#include <cstdint>
#include <span>

#include "formats/InputFile.h"

namespace korvel {

// A file image held in memory, read as an InputFile. The image stays the
// caller's and must outlive this object.
class ImageFile : public InputFile {
public:
    explicit ImageFile(std::span<const std::uint8_t> image) : image(image) {}

    std::int64_t size() const override;
    int readAt(std::int64_t offset, std::uint8_t* destination, int count) override;

private:
    std::span<const std::uint8_t> image;
};

}  // namespace korvel
