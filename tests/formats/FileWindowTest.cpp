#include "formats/FileWindow.h"

#include <gtest/gtest.h>

#include "tests/support/MemoryFile.h"

namespace korvel {
namespace {

std::vector<std::uint8_t> counting(std::size_t n)
{
    std::vector<std::uint8_t> bytes(n);
    for (std::size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    return bytes;
}

// Bytes and fields anywhere, across window edges and in pieces as a system
// may answer; a pass by blocks; a failure stops reading and says where.
TEST(FileWindow, ReadsAnywhereAndStopsAtTheFirstFailure)
{
    const std::vector<std::uint8_t> bytes = counting(3 * FileWindow::kWindowBytes + 5);
    test::MemoryFile file(bytes, 1000);
    FileWindow window(file);
    EXPECT_EQ(window.length(), bytes.size());
    for (std::size_t at : {std::size_t{0}, FileWindow::kWindowBytes - 1, FileWindow::kWindowBytes, bytes.size() - 1, std::size_t{3}})
        EXPECT_EQ(window.at(at), bytes[at]) << at;
    const std::size_t edge = FileWindow::kWindowBytes - 2;
    EXPECT_EQ(window.be32(edge), (std::uint32_t{bytes[edge]} << 24) | (std::uint32_t{bytes[edge + 1]} << 16) |
                                     (std::uint32_t{bytes[edge + 2]} << 8) | bytes[edge + 3]);
    EXPECT_EQ(window.at(bytes.size()), 0);
    std::size_t count = bytes.size();
    const std::uint8_t* block = window.block(10, count);
    EXPECT_EQ(count, FileWindow::kWindowBytes);
    EXPECT_TRUE(std::equal(block, block + count, bytes.begin() + 10));
    EXPECT_FALSE(window.failed());

    test::MemoryFile failing(bytes, 1 << 30, 100000);
    FileWindow broken(failing);
    EXPECT_EQ(broken.at(5), bytes[5]);
    EXPECT_EQ(broken.at(100001), 0);
    EXPECT_TRUE(broken.failed());
    EXPECT_EQ(broken.failedAt(), 100001u);
    // Nothing is read any more, not even what would work.
    EXPECT_EQ(broken.at(FileWindow::kWindowBytes + 7), 0);
}

}  // namespace
}  // namespace korvel
