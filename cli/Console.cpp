#include "cli/Console.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "system/WideText.h"
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>

namespace korvel::console {

namespace fs = std::filesystem;

namespace {

// The standard library's paths take a narrow name in the ANSI code page on
// Windows: names go through UTF-16 there.
fs::path pathOf(const std::string& name)
{
#ifdef _WIN32
    return fs::path(widen(name));
#else
    return fs::path(name);
#endif
}

std::string nameOf(const fs::path& path)
{
#ifdef _WIN32
    return narrow(path.native());
#else
    return path.native();
#endif
}

}  // namespace

void writeBytesAsTheyAre(std::FILE* stream)
{
#ifdef _WIN32
    _setmode(_fileno(stream), _O_BINARY);
#else
    (void)stream;
#endif
}

bool namesStandardStream(const std::string& path, Stream stream)
{
#ifdef _WIN32
    HANDLE named = CreateFileW(widen(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (named == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION a{}, b{};
    const bool same = GetFileInformationByHandle(named, &a) &&
                      GetFileInformationByHandle(GetStdHandle(stream == Stream::input ? STD_INPUT_HANDLE : STD_OUTPUT_HANDLE), &b) &&
                      a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
                      a.nFileIndexLow == b.nFileIndexLow;
    CloseHandle(named);
    return same;
#else
    struct stat named {}, open {};
    return ::stat(path.c_str(), &named) == 0 &&
           ::fstat(stream == Stream::input ? STDIN_FILENO : STDOUT_FILENO, &open) == 0 && named.st_dev == open.st_dev &&
           named.st_ino == open.st_ino;
#endif
}

std::string fileName(const std::string& path)
{
    return nameOf(pathOf(path).filename());
}

std::string stem(const std::string& path)
{
    return nameOf(pathOf(path).stem());
}

std::string folderOf(const std::string& path)
{
    return nameOf(pathOf(path).parent_path());
}

std::string inFolder(const std::string& folder, const std::string& name)
{
    return nameOf(pathOf(folder) / pathOf(name));
}

std::string withExtension(const std::string& path, const char* extension)
{
    return nameOf(pathOf(path).replace_extension(extension));
}

bool isFolder(const std::string& path)
{
    std::error_code error;
    return fs::is_directory(pathOf(path), error);
}

bool exists(const std::string& path)
{
    std::error_code error;
    return fs::exists(pathOf(path), error);
}

bool nameTaken(const std::string& path)
{
    std::error_code error;
    return fs::symlink_status(pathOf(path), error).type() != fs::file_type::not_found;
}

bool sameFile(const std::string& a, const std::string& b)
{
    std::error_code error;
    return fs::equivalent(pathOf(a), pathOf(b), error);
}

std::string canonicalName(const std::string& path)
{
    std::error_code error;
    const fs::path canonical = fs::weakly_canonical(pathOf(path), error);
    return error ? path : nameOf(canonical);
}

}  // namespace korvel::console
