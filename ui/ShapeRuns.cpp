#include "ui/ShapeRuns.h"

#include <algorithm>

namespace korvel {

std::vector<PixelRun> shapeRuns(const PixelGrid& grid, int rows)
{
    std::vector<PixelRun> runs;
    if (grid.width <= 0 || grid.height <= 0 || grid.pixels.size() < static_cast<std::size_t>(grid.width) * grid.height)
        return runs;
    const std::uint32_t transparent = grid.at(0, 0);
    const int last = std::min(rows, grid.height);
    for (int y = 0; y < last; ++y) {
        // j is where the current run of opaque pixels began.
        int j = 0;
        for (int x = 0; x < grid.width; ++x) {
            if (grid.at(x, y) != transparent)
                continue;
            if (x != j)
                runs.push_back({j, x, y});
            j = x + 1;
        }
        if (j != grid.width)
            runs.push_back({j, grid.width, y});
    }
    return runs;
}

}  // namespace korvel
