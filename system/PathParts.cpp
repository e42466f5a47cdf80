#include "system/PathParts.h"

#include <cwchar>

namespace korvel {

namespace {

bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

PathParts splitPath(std::string_view path, bool windowsStyle, TextCoding coding)
{
    PathParts parts;
    std::size_t start = 0;
    if (windowsStyle && path.size() >= 2 && isAsciiLetter(path[0]) && path[1] == ':') {
        parts.drive = std::string(path.substr(0, 2));
        start = 2;
    }
    // The last separator and the last dot after it, found character by character.
    std::size_t nameStart = start;
    std::size_t lastDot = std::string_view::npos;
    std::mbstate_t state{};
    for (std::size_t i = start; i < path.size();) {
        const char c = path[i];
        if (c == '/' || (windowsStyle && c == '\\')) {
            nameStart = i + 1;
            lastDot = std::string_view::npos;
        } else if (c == '.') {
            lastDot = i;
        }
        i += characterBytes(path.data() + i, path.size() - i, coding, state);
    }
    parts.directory = std::string(path.substr(start, nameStart - start));
    if (lastDot == std::string_view::npos) {
        parts.baseName = std::string(path.substr(nameStart));
    } else {
        parts.baseName = std::string(path.substr(nameStart, lastDot - nameStart));
        parts.extension = std::string(path.substr(lastDot));
    }
    return parts;
}

PathParts splitPath(std::string_view path)
{
#ifdef _WIN32
    return splitPath(path, true, nativeTextCoding());
#else
    return splitPath(path, false, nativeTextCoding());
#endif
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    return true;
}

}  // namespace korvel
