#include "system/Win32Platform.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <clocale>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "system/WideText.h"

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
    OpenFile(HANDLE handle, std::int64_t length) : handle(handle), length(length) {}
    ~OpenFile() override { CloseHandle(handle); }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    std::int64_t size() const override { return length; }

    int readAt(std::int64_t offset, std::uint8_t* destination, int count) override
    {
        return readHandleAt(handle, offset, destination, count);
    }

private:
    HANDLE handle;
    std::int64_t length;
};

// A temporary file that the system deletes when it is closed, however the
// program ends.
class Spool : public SpoolFile {
public:
    Spool(HANDLE handle, std::wstring folder) : handle(handle), folder(std::move(folder)) {}
    ~Spool() override { CloseHandle(handle); }
    Spool(const Spool&) = delete;
    Spool& operator=(const Spool&) = delete;

    std::int64_t size() const override { return length; }
    int readAt(std::int64_t offset, std::uint8_t* destination, int count) override
    {
        return readHandleAt(handle, offset, destination, count);
    }
    int append(const std::uint8_t* data, std::size_t size) override
    {
        LARGE_INTEGER at{};
        at.QuadPart = length;
        if (!SetFilePointerEx(handle, at, nullptr, FILE_BEGIN) || !writeAll(handle, data, size))
            return Platform::kFileCannotWrite;
        length += static_cast<std::int64_t>(size);
        return Platform::kFileOk;
    }
    int extendTo(std::int64_t offset) override
    {
        LARGE_INTEGER at{};
        at.QuadPart = offset;
        if (offset < length || !SetFilePointerEx(handle, at, nullptr, FILE_BEGIN) || !SetEndOfFile(handle))
            return Platform::kFileCannotWrite;
        length = offset;
        return Platform::kFileOk;
    }
    double freeSpace() const override
    {
        ULARGE_INTEGER available{}, total{}, free{};
        if (!GetDiskFreeSpaceExW(folder.c_str(), &available, &total, &free))
            return -1;
        return static_cast<double>(available.QuadPart);
    }

private:
    HANDLE handle;
    std::wstring folder;
    std::int64_t length = 0;
};

// The input file of a handle to a file on a disk, which it takes over.
int openedFile(HANDLE handle, std::unique_ptr<InputFile>& file)
{
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle, &size)) {
        CloseHandle(handle);
        return Platform::kFileCannotRead;
    }
    file.reset(new (std::nothrow) OpenFile(handle, size.QuadPart));
    if (!file) {
        CloseHandle(handle);
        throw std::bad_alloc();
    }
    return Platform::kFileOk;
}

}  // namespace

int Win32Platform::openStandardInput(std::unique_ptr<InputFile>& file)
{
    file.reset();
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (input == nullptr || input == INVALID_HANDLE_VALUE)
        return kFileCannotOpen;
    if (GetFileType(input) != FILE_TYPE_DISK)
        return kFileIsStream;
    // A file redirected to it, read through a handle of its own.
    HANDLE own = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), input, GetCurrentProcess(), &own, 0, FALSE, DUPLICATE_SAME_ACCESS))
        return kFileCannotOpen;
    return openedFile(own, file);
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

int Win32Platform::createSpool(std::unique_ptr<SpoolFile>& spool)
{
    spool.reset();
    wchar_t folder[MAX_PATH + 1] = {};
    wchar_t name[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH || GetTempFileNameW(folder, L"kvl", 0, name) == 0)
        return kFileCannotOpen;
    HANDLE handle = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        DeleteFileW(name);
        return kFileCannotOpen;
    }
    spool.reset(new (std::nothrow) Spool(handle, folder));
    if (!spool) {
        CloseHandle(handle);
        throw std::bad_alloc();
    }
    return kFileOk;
}

int Win32Platform::openFile(const std::string& path, std::unique_ptr<InputFile>& file)
{
    file.reset();
    // Other programs may go on reading and writing the file meanwhile, and
    // since the job keeps it open while the settings dialog is shown, also
    // rename or delete it, as they could if it were read whole and closed.
    HANDLE handle = CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return kFileCannotOpen;
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        return kFileCannotRead;
    }
    return openedFile(handle, file);
}

namespace {

// A temporary file beside the target that replaces it on commit: "kvlXXXX.tmp".
class NewFile : public OutputFile {
public:
    NewFile(HANDLE handle, std::wstring temporary, std::wstring target)
        : handle(handle), temporary(std::move(temporary)), target(std::move(target))
    {
    }
    ~NewFile() override
    {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
        if (!committed)
            DeleteFileW(temporary.c_str());
    }
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    int write(const std::uint8_t* data, std::size_t size) override
    {
        return writeAll(handle, data, size) ? Platform::kFileOk : Platform::kFileCannotWrite;
    }
    // Replacing a read-only file fails here, and the file is kept.
    int commit() override
    {
        const bool flushed = FlushFileBuffers(handle) != 0;
        const bool closed = CloseHandle(handle) != 0;
        handle = INVALID_HANDLE_VALUE;
        if (!flushed || !closed ||
            !MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return Platform::kFileCannotWrite;
        committed = true;
        return Platform::kFileOk;
    }

private:
    HANDLE handle;
    std::wstring temporary;
    std::wstring target;
    bool committed = false;
};

}  // namespace

int Win32Platform::createFile(const std::string& path, std::unique_ptr<OutputFile>& file)
{
    file.reset();
    const std::wstring target = widen(path);
    wchar_t temporary[MAX_PATH] = {};
    if (GetTempFileNameW(directoryOf(target).c_str(), L"kvl", 0, temporary) == 0)
        return kFileCannotOpen;
    HANDLE handle = CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        DeleteFileW(temporary);
        return kFileCannotOpen;
    }
    file.reset(new (std::nothrow) NewFile(handle, temporary, target));
    if (!file) {
        CloseHandle(handle);
        DeleteFileW(temporary);
        throw std::bad_alloc();
    }
    return kFileOk;
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
