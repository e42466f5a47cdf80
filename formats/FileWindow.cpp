#include "formats/FileWindow.h"

#include <algorithm>

namespace korvel {

FileWindow::FileWindow(InputFile& file)
    : file(file), fileLength(static_cast<std::size_t>(std::max<std::int64_t>(file.size(), 0)))
{
}

std::uint32_t FileWindow::be32(std::size_t offset)
{
    return (std::uint32_t{at(offset)} << 24) | (std::uint32_t{at(offset + 1)} << 16) | (std::uint32_t{at(offset + 2)} << 8) |
           at(offset + 3);
}

unsigned FileWindow::be16(std::size_t offset)
{
    return (unsigned{at(offset)} << 8) | at(offset + 1);
}

std::uint32_t FileWindow::le32(std::size_t offset)
{
    return (std::uint32_t{at(offset + 3)} << 24) | (std::uint32_t{at(offset + 2)} << 16) | (std::uint32_t{at(offset + 1)} << 8) |
           at(offset);
}

unsigned FileWindow::le16(std::size_t offset)
{
    return (unsigned{at(offset + 1)} << 8) | at(offset);
}

std::uint8_t* FileWindow::block(std::size_t offset, std::size_t& count)
{
    count = read(offset, std::min(count, kWindowBytes));
    fill = 0;
    return window.data();
}

bool FileWindow::load(std::size_t offset)
{
    fill = 0;
    if (offset >= fileLength)
        return false;
    start = offset;
    fill = read(offset, std::min(kWindowBytes, fileLength - offset));
    return fill > 0;
}

// Reads count bytes at offset into the window buffer, going on after short
// answers of the system; the number read.
std::size_t FileWindow::read(std::size_t offset, std::size_t count)
{
    window.resize(kWindowBytes);
    std::size_t got = 0;
    while (got < count && !readFailed) {
        const int n = file.readAt(static_cast<std::int64_t>(offset + got), window.data() + got, static_cast<int>(count - got));
        if (n <= 0) {
            readFailed = true;
            failure = offset + got;
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    return got;
}

}  // namespace korvel
