#include "formats/ImageFile.h"

#include <algorithm>
#include <cstring>

namespace korvel {

std::int64_t ImageFile::size() const
{
    return static_cast<std::int64_t>(image.size());
}

int ImageFile::readAt(std::int64_t offset, std::uint8_t* destination, int count)
{
    if (offset < 0 || count < 0 || destination == nullptr)
        return -1;
    if (static_cast<std::uint64_t>(offset) >= image.size())
        return 0;
    const std::size_t n = std::min(static_cast<std::size_t>(count), image.size() - static_cast<std::size_t>(offset));
    std::memcpy(destination, image.data() + offset, n);
    return static_cast<int>(n);
}

}  // namespace korvel
