#pragma once

// Processes started from the tests of the Windows build under Wine: the
// Windows programs, and the Linux ones beside them (Wine starts a Unix
// program by its Unix path), with what they print caught in files.

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace korvel::test {

inline std::wstring quoted(const std::wstring& argument)
{
    return L"\"" + argument + L"\"";
}

// The Unix path of a file of the Wine prefix's drives; empty outside Wine.
inline std::wstring unixPath(const std::filesystem::path& path)
{
    using UnixName = char*(CDECL*)(LPCWSTR);
    const auto unixName =
        reinterpret_cast<UnixName>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (unixName == nullptr)
        return {};
    char* name = unixName(std::filesystem::absolute(path).wstring().c_str());
    if (name == nullptr)
        return {};
    const std::wstring out = std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(name))).wstring();
    HeapFree(GetProcessHeap(), 0, name);
    return out;
}

// The Linux build's korvel-cli, which tools/test-windows builds and names.
inline std::wstring linuxCli()
{
    const wchar_t* path = _wgetenv(L"KORVEL_LINUX_CLI");
    return path != nullptr ? path : L"";
}

// Runs the command line to its end in the folder, with standard output and
// standard error in the given files; the exit status, or -1 when it did not
// start or end within 30 s.
inline int runProcess(std::wstring line, const std::filesystem::path& folder, const std::filesystem::path& out,
                      const std::filesystem::path& err)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE outFile = CreateFileW(out.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    HANDLE errFile = CreateFileW(err.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outFile;
    startup.hStdError = errFile;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                         folder.wstring().c_str(), &startup, &process);
    CloseHandle(outFile);
    CloseHandle(errFile);
    if (!started)
        return -1;
    DWORD status = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0 || !GetExitCodeProcess(process.hProcess, &status))
        status = static_cast<DWORD>(-1);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return static_cast<int>(status);
}

// Runs a Linux program by its Unix path with arguments written as for a
// Windows command line (double quotes, which the shell reads alike for the
// texts of the tests), in the folder, with standard output and standard
// error in the given files. Wine gives no handle to a Unix process, so a
// shell script records the exit status in a file, which is waited for.
inline int runLinuxProgram(const std::wstring& program, const std::wstring& arguments, const std::filesystem::path& folder,
                           const std::filesystem::path& out, const std::filesystem::path& err)
{
    namespace fs = std::filesystem;
    const fs::path script = folder / "run.sh", status = folder / "status";
    const auto single = [](const std::wstring& path) { return L"'" + path + L"'"; };
    const std::wstring text = L"cd " + single(unixPath(folder)) + L" && " + single(program) + L" " + arguments + L" >" +
                              single(unixPath(out)) + L" 2>" + single(unixPath(err)) + L"\necho $? >" +
                              single(unixPath(status)) + L".tmp && mv " + single(unixPath(status)) + L".tmp " +
                              single(unixPath(status)) + L"\n";
    const std::u8string utf8 = fs::path(text).u8string();
    std::ofstream(script, std::ios::binary).write(reinterpret_cast<const char*>(utf8.data()), static_cast<std::streamsize>(utf8.size()));
    std::wstring line = L"/bin/sh " + quoted(unixPath(script));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    for (int waited = 0; waited < 30000 && !fs::exists(status); waited += 20)
        Sleep(20);
    int code = -1;
    std::ifstream(status) >> code;
    std::error_code ignored;
    fs::remove(script, ignored);
    fs::remove(status, ignored);
    return code;
}

}  // namespace korvel::test
