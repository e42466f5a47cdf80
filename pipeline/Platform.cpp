#include "pipeline/Platform.h"

#include <algorithm>
#include <climits>

#include "pipeline/Messages.h"

namespace korvel {

Platform::~Platform() = default;

int Platform::readFile(const std::string& path, std::vector<std::uint8_t>& contents)
{
    contents.clear();
    std::unique_ptr<InputFile> file;
    const int opened = openFile(path, file);
    if (opened != kFileOk)
        return opened;
    contents.assign(static_cast<std::size_t>(file->size()), 0);
    std::size_t got = 0;
    while (got < contents.size()) {
        const int piece = static_cast<int>(std::min<std::size_t>(contents.size() - got, INT_MAX));
        const int n = file->readAt(static_cast<std::int64_t>(got), contents.data() + got, piece);
        if (n < 0) {
            contents.clear();
            return kFileCannotRead;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    contents.resize(got);
    return kFileOk;
}

std::string Platform::messageText(int number)
{
    const char* text = korvel::messageText(number, japaneseInterface());
    return text != nullptr ? text : "";
}

}  // namespace korvel
