#include "system/Win32Platform.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <clocale>
#include <cstring>
#include <memory>
#include <vector>

#include "system/WideText.h"
#include "system/Win32Handle.h"

namespace korvel {

namespace {

// Large reads and writes go in pieces that a DWORD count can describe.
constexpr DWORD kPiece = 1u << 24;

std::wstring directoryOf(const std::wstring& path)
{
    const std::size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos)
        return path.size() >= 2 && path[1] == L':' ? path.substr(0, 2) : L".";
    return path.substr(0, separator + 1);
}

bool writeAll(HANDLE file, const std::uint8_t* data, std::size_t size)
{
    while (size > 0) {
        const DWORD piece = size > kPiece ? kPiece : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(file, data, piece, &written, nullptr) || written == 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

// Reads at an offset of a file handle: the file pointer is set first.
int readHandleAt(HANDLE handle, std::int64_t offset, std::uint8_t* destination, int count)
{
    if (offset < 0 || count < 0)
        return -1;
    LARGE_INTEGER at{};
    at.QuadPart = offset;
    DWORD n = 0;
    const DWORD piece = static_cast<DWORD>(count) > kPiece ? kPiece : static_cast<DWORD>(count);
    if (!SetFilePointerEx(handle, at, nullptr, FILE_BEGIN) || !ReadFile(handle, destination, piece, &n, nullptr))
        return -1;
    return static_cast<int>(n);
}

// A file handle read at offsets.
class OpenFile : public InputFile {
public:
    OpenFile(Win32Handle handle, std::int64_t length) : handle(std::move(handle)), length(length) {}

    std::int64_t size() const override { return length; }

    int readAt(std::int64_t offset, std::uint8_t* destination, int count) override
    {
        return readHandleAt(handle.get(), offset, destination, count);
    }

private:
    Win32Handle handle;
    std::int64_t length;
};

// A temporary file that the system deletes when it is closed, however the
// program ends.
class Spool : public SpoolFile {
public:
    Spool(Win32Handle handle, std::wstring folder) : handle(std::move(handle)), folder(std::move(folder)) {}

    std::int64_t size() const override { return length; }
    int readAt(std::int64_t offset, std::uint8_t* destination, int count) override
    {
        return readHandleAt(handle.get(), offset, destination, count);
    }
    FileResult append(const std::uint8_t* data, std::size_t size) override
    {
        LARGE_INTEGER at{};
        at.QuadPart = length;
        if (!SetFilePointerEx(handle.get(), at, nullptr, FILE_BEGIN) || !writeAll(handle.get(), data, size))
            return FileResult::cannotWrite;
        length += static_cast<std::int64_t>(size);
        return FileResult::ok;
    }
    FileResult extendTo(std::int64_t offset) override
    {
        LARGE_INTEGER at{};
        at.QuadPart = offset;
        if (offset < length || !SetFilePointerEx(handle.get(), at, nullptr, FILE_BEGIN) || !SetEndOfFile(handle.get()))
            return FileResult::cannotWrite;
        length = offset;
        return FileResult::ok;
    }
    double freeSpace() const override
    {
        ULARGE_INTEGER available{}, total{}, free{};
        if (!GetDiskFreeSpaceExW(folder.c_str(), &available, &total, &free))
            return -1;
        return static_cast<double>(available.QuadPart);
    }

private:
    Win32Handle handle;
    std::wstring folder;
    std::int64_t length = 0;
};

// The input file of a handle to a file on a disk, which it takes over.
FileResult openedFile(Win32Handle handle, std::unique_ptr<InputFile>& file)
{
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle.get(), &size))
        return FileResult::cannotRead;
    file = std::make_unique<OpenFile>(std::move(handle), size.QuadPart);
    return FileResult::ok;
}

}  // namespace

FileResult Win32Platform::openStandardInput(std::unique_ptr<InputFile>& file)
{
    file.reset();
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (input == nullptr || input == INVALID_HANDLE_VALUE)
        return FileResult::cannotOpen;
    if (GetFileType(input) != FILE_TYPE_DISK)
        return FileResult::isStream;
    // A file redirected to it, read through a handle of its own.
    HANDLE own = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), input, GetCurrentProcess(), &own, 0, FALSE, DUPLICATE_SAME_ACCESS))
        return FileResult::cannotOpen;
    return openedFile(Win32Handle(own), file);
}

std::int64_t Win32Platform::readStandardInput(std::uint8_t* buffer, std::size_t size)
{
    DWORD n = 0;
    const DWORD piece = size > kPiece ? kPiece : static_cast<DWORD>(size);
    if (!ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, piece, &n, nullptr))
        // The writer of a pipe closing it is its end.
        return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
    return n;
}

FileResult Win32Platform::createSpool(std::unique_ptr<SpoolFile>& spool)
{
    spool.reset();
    wchar_t folder[MAX_PATH + 1] = {};
    wchar_t name[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH || GetTempFileNameW(folder, L"kvl", 0, name) == 0)
        return FileResult::cannotOpen;
    Win32Handle handle(CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!handle.valid()) {
        DeleteFileW(name);
        return FileResult::cannotOpen;
    }
    spool = std::make_unique<Spool>(std::move(handle), folder);
    return FileResult::ok;
}

FileResult Win32Platform::openFile(const std::string& path, std::unique_ptr<InputFile>& file)
{
    file.reset();
    // Other programs may go on reading and writing the file meanwhile, and
    // since the job keeps it open while the settings dialog is shown, also
    // rename or delete it, as they could if it were read whole and closed.
    Win32Handle handle(CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.valid())
        return FileResult::cannotOpen;
    if (GetFileType(handle.get()) != FILE_TYPE_DISK)
        return FileResult::cannotRead;
    return openedFile(std::move(handle), file);
}

namespace {

// A temporary file beside the target that replaces it on commit: "kvlXXXX.tmp".
class NewFile : public OutputFile {
public:
    // Makes nothing yet: the object exists before the file, so that
    // running out of memory leaves nothing behind.
    explicit NewFile(std::wstring target) : target(std::move(target)) {}
    ~NewFile() override
    {
        handle.close();
        if (!temporary.empty() && !committed)
            DeleteFileW(temporary.c_str());
    }

    bool create()
    {
        wchar_t name[MAX_PATH] = {};
        if (GetTempFileNameW(directoryOf(target).c_str(), L"kvl", 0, name) == 0)
            return false;
        temporary = name;
        handle = Win32Handle(CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        return handle.valid();
    }
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    FileResult write(const std::uint8_t* data, std::size_t size) override
    {
        return writeAll(handle.get(), data, size) ? FileResult::ok : FileResult::cannotWrite;
    }
    // Replacing a read-only file fails here, and the file is kept.
    FileResult commit() override
    {
        const bool flushed = FlushFileBuffers(handle.get()) != 0;
        const bool closed = handle.close();
        if (!flushed || !closed ||
            !MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return FileResult::cannotWrite;
        committed = true;
        return FileResult::ok;
    }

private:
    Win32Handle handle;
    std::wstring temporary;
    std::wstring target;
    bool committed = false;
};

}  // namespace

FileResult Win32Platform::createFile(const std::string& path, std::unique_ptr<OutputFile>& file)
{
    file.reset();
    auto made = std::make_unique<NewFile>(widen(path));
    if (!made->create())
        return FileResult::cannotOpen;
    file = std::move(made);
    return FileResult::ok;
}

double Win32Platform::queryFreeSpace(const PathParts& path)
{
    const std::wstring root = widen(!path.drive.empty() ? path.drive + "\\" : path.directory);
    const wchar_t* rootName = root.empty() ? nullptr : root.c_str();
    // Looked up at run time: the oldest systems have only the cluster counts.
    using FreeSpaceEx = BOOL(WINAPI*)(LPCWSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto freeSpaceEx =
        kernel != nullptr ? reinterpret_cast<FreeSpaceEx>(reinterpret_cast<void*>(GetProcAddress(kernel, "GetDiskFreeSpaceExW")))
                          : nullptr;
    if (freeSpaceEx != nullptr) {
        // The bytes this user may take, within a quota.
        ULARGE_INTEGER available{}, total{}, free{};
        if (!freeSpaceEx(rootName, &available, &total, &free))
            return -1;
        return static_cast<double>(available.QuadPart);
    }
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (!GetDiskFreeSpaceW(rootName, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters))
        return -1;
    return static_cast<double>(freeClusters) * sectorsPerCluster * bytesPerSector;
}

void Win32Platform::useUserLocale()
{
    std::setlocale(LC_CTYPE, "");
}

bool Win32Platform::japaneseInterface()
{
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE;
}

std::string Win32Platform::messageText(int number)
{
    // The string table's text in UTF-16 where the program has one.
    const wchar_t* resource = nullptr;
    const int length =
        LoadStringW(GetModuleHandleA(nullptr), static_cast<UINT>(number), reinterpret_cast<LPWSTR>(&resource), 0);
    if (length > 0 && resource != nullptr)
        return narrow(std::wstring_view(resource, static_cast<std::size_t>(length)));
    return Platform::messageText(number);
}

Platform& nativePlatform()
{
    static Win32Platform platform;
    return platform;
}

}  // namespace korvel
