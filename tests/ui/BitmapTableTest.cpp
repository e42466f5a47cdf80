// The committed pictures against the picture tables of the program: every
// bitmap named in the resource script has the size and the transparent
// top-left colour its number asks for, in each language.

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/BmpFile.h"
#include "tests/support/FileContents.h"
#include "ui/ShapeRuns.h"

namespace korvel {
namespace {

constexpr std::uint32_t kYellow = 0xFFFF00;
constexpr std::uint32_t kRed = 0xFF0000;
constexpr std::uint32_t kOpaque = 0;  // no transparent colour: painted whole

struct Picture {
    int width, height, rows;
    std::uint32_t key;
};

// Number -> size, rows and transparent colour, as the windows use them.
const std::map<int, Picture> kPictures = {
    {133, {210, 100, 1, kOpaque}},  {110, {210, 60, 1, kYellow}},  {135, {210, 60, 1, kYellow}},
    {139, {210, 60, 1, kYellow}},   {156, {51, 26, 2, kYellow}},   {137, {51, 26, 2, kYellow}},
    {145, {51, 26, 2, kYellow}},    {134, {51, 26, 2, kYellow}},   {138, {51, 26, 2, kYellow}},
    {146, {28, 56, 2, kRed}},       {136, {13, 39, 3, kYellow}},   {108, {11, 33, 3, kYellow}},
    {148, {210, 17, 1, kOpaque}},   {141, {210, 17, 1, kOpaque}},  {104, {28, 12, 1, kOpaque}},
    {106, {28, 12, 1, kOpaque}},    {102, {28, 12, 1, kOpaque}},   {103, {28, 12, 1, kOpaque}},
    {132, {48, 48, 1, kOpaque}},
};

using test::readText;

struct Entry {
    std::string language;
    int number;
    std::string file;
};

// The BITMAP lines of the resource script, with the numbers of resource.h.
std::vector<Entry> bitmapEntries()
{
    std::map<std::string, int> numbers;
    const std::string header = readText(KORVEL_RESOURCE_DIR "/resource.h");
    const std::regex define(R"(#define\s+(\w+)\s+(\d+))");
    for (auto it = std::sregex_iterator(header.begin(), header.end(), define); it != std::sregex_iterator(); ++it)
        numbers[(*it)[1]] = std::stoi((*it)[2]);

    std::vector<Entry> entries;
    std::string language;
    const std::string script = readText(KORVEL_RESOURCE_DIR "/korvel.rc");
    const std::regex line(R"((LANGUAGE\s+(\w+))|(\b(\w+)\s+BITMAP\s+"([^"]+)\"))");
    for (auto it = std::sregex_iterator(script.begin(), script.end(), line); it != std::sregex_iterator(); ++it) {
        if ((*it)[1].matched)
            language = (*it)[2];
        else
            entries.push_back({language, numbers.count((*it)[4]) ? numbers[(*it)[4]] : -1, (*it)[5]});
    }
    return entries;
}

TEST(BitmapTable, EveryBitmapHasTheSizeAndTransparentColourOfItsNumber)
{
    const std::vector<Entry> entries = bitmapEntries();
    ASSERT_EQ(entries.size(), 15u + 2 * 4);
    for (const Entry& e : entries) {
        SCOPED_TRACE(e.file + " as " + std::to_string(e.number) + " in " + e.language);
        ASSERT_TRUE(kPictures.count(e.number));
        const Picture& p = kPictures.at(e.number);
        const PixelGrid grid = test::readBmp(KORVEL_RESOURCE_DIR "/bitmaps/" + e.file);
        EXPECT_EQ(grid.width, p.width);
        EXPECT_EQ(grid.height, p.height);
        if (grid.pixels.empty())
            continue;
        if (p.key != kOpaque) {
            EXPECT_EQ(grid.at(0, 0), p.key);
            // Every cell has the shape of the first, so the shape fits every state.
            const int cell = p.height / p.rows;
            for (int r = 1; r < p.rows; ++r)
                for (int y = 0; y < cell; ++y)
                    for (int x = 0; x < p.width; ++x)
                        ASSERT_EQ(grid.at(x, r * cell + y) == p.key, grid.at(x, y) == p.key)
                            << "cell " << r << " pixel " << x << "," << y;
        } else {
            // A picture painted whole shows no cut-out colour anywhere.
            for (std::uint32_t c : grid.pixels)
                ASSERT_NE(c, kYellow);
        }
    }
}

TEST(BitmapTable, EveryNumberIsThereInBothLanguages)
{
    std::map<std::string, std::set<int>> byLanguage;
    for (const Entry& e : bitmapEntries())
        byLanguage[e.language].insert(e.number);
    for (const auto& [number, picture] : kPictures) {
        const bool neutral = byLanguage["LANG_NEUTRAL"].count(number) != 0;
        EXPECT_TRUE(neutral || byLanguage["LANG_ENGLISH"].count(number)) << number;
        EXPECT_TRUE(neutral || byLanguage["LANG_JAPANESE"].count(number)) << number;
        EXPECT_FALSE(neutral && byLanguage["LANG_JAPANESE"].count(number)) << number;
    }
}

}  // namespace
}  // namespace korvel
