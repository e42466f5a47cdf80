#include "tests/support/BmpFile.h"

#include <cstdint>
#include <fstream>
#include <iterator>

namespace korvel::test {

namespace {

std::uint32_t le(const std::string& b, std::size_t at, int bytes)
{
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | static_cast<std::uint8_t>(b[at + static_cast<std::size_t>(i)]);
    return v;
}

}  // namespace

PixelGrid readBmp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string b{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    PixelGrid grid;
    if (b.size() < 54 || b.compare(0, 2, "BM") != 0 || le(b, 28, 2) != 24)
        return grid;
    grid.width = static_cast<int>(le(b, 18, 4));
    grid.height = static_cast<int>(le(b, 22, 4));
    const std::size_t offset = le(b, 10, 4);
    const std::size_t stride = (static_cast<std::size_t>(grid.width) * 3 + 3) / 4 * 4;
    if (b.size() < offset + stride * static_cast<std::size_t>(grid.height))
        return {};
    for (int y = 0; y < grid.height; ++y)
        for (int x = 0; x < grid.width; ++x)
            grid.pixels.push_back(
                le(b, offset + stride * static_cast<std::size_t>(grid.height - 1 - y) + 3 * static_cast<std::size_t>(x), 3));
    return grid;
}

}  // namespace korvel::test
