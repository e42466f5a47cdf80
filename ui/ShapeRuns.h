#pragma once

#include <cstdint>
#include <vector>

namespace korvel {

// The pixels of a picture, row by row from the top, as 0x00RRGGBB colours.
struct PixelGrid {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// A horizontal run of opaque pixels: columns left to right - 1 of row y.
struct PixelRun {
    int left = 0;
    int right = 0;  // excluded
    int y = 0;
    bool operator==(const PixelRun&) const = default;
};

// The shape of a skinned control: the runs of pixels that differ from the
// top-left pixel, the transparent colour, in the first rows of the picture
// (one cell of a multi-row button, or the whole picture). Colours are
// compared exactly. A row all of the transparent colour gives no run; a row
// without it gives one run of the full width.
std::vector<PixelRun> shapeRuns(const PixelGrid& grid, int rows);

}  // namespace korvel
