#include "ui/ShapeRuns.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

constexpr std::uint32_t Y = 0xFFFF00;  // the transparent colour of these grids
constexpr std::uint32_t B = 0x2050C0;

PixelGrid grid(int width, std::vector<std::uint32_t> pixels)
{
    return {width, static_cast<int>(pixels.size()) / width, std::move(pixels)};
}

TEST(ShapeRuns, RunsSplitExactlyAtTransparentPixels)
{
    struct Row {
        const char* what;
        PixelGrid pixels;
        int rows;
        std::vector<PixelRun> runs;
    };
    const Row rows[] = {
        {"a transparent row adds nothing", grid(4, {Y, Y, Y, Y}), 1, {}},
        {"only the corner is transparent", grid(4, {Y, B, B, B}), 1, {{1, 4, 0}}},
        {"runs between transparent pixels", grid(7, {Y, B, B, Y, B, Y, B}), 1, {{1, 3, 0}, {4, 5, 0}, {6, 7, 0}}},
        {"a transparent pixel at the end", grid(4, {Y, B, B, Y}), 1, {{1, 3, 0}}},
        {"a row without transparent pixels is one full run",
         grid(3, {Y, Y, Y, B, B, B, Y, B, Y}), 3, {{0, 3, 1}, {1, 2, 2}}},
        {"only the rows asked for", grid(2, {Y, B, B, B, B, B}), 2, {{1, 2, 0}, {0, 2, 1}}},
        {"colours are compared exactly", grid(3, {Y, 0xFFFF01, Y}), 1, {{1, 2, 0}}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(shapeRuns(row.pixels, row.rows), row.runs) << row.what;
}

TEST(ShapeRuns, TwoRowButtonGivesTheShapeOfItsFirstCell)
{
    // A 51 x 26 button whose four corner pixels of each 51 x 13 cell are cut out.
    PixelGrid button{51, 26, std::vector<std::uint32_t>(51 * 26, B)};
    for (int cell = 0; cell < 2; ++cell)
        for (int x : {0, 50})
            for (int y : {0, 12})
                button.pixels[static_cast<std::size_t>(cell * 13 + y) * 51 + x] = Y;
    const std::vector<PixelRun> runs = shapeRuns(button, 13);
    ASSERT_EQ(runs.size(), 13u);
    EXPECT_EQ(runs.front(), (PixelRun{1, 50, 0}));
    EXPECT_EQ(runs[6], (PixelRun{0, 51, 6}));
    EXPECT_EQ(runs.back(), (PixelRun{1, 50, 12}));
}

TEST(ShapeRuns, EmptyOrShortGridsGiveNoRuns)
{
    EXPECT_TRUE(shapeRuns(PixelGrid{}, 5).empty());
    EXPECT_TRUE(shapeRuns(PixelGrid{3, 3, {1, 2}}, 3).empty());
}

}  // namespace
}  // namespace korvel
