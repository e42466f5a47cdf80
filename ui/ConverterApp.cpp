#include "ui/ConverterApp.h"

#include <shellapi.h>

#include "system/WideText.h"
#include "ui/MainWindow.h"

namespace korvel {

namespace {

// How long a second start waits for the first one's window to be shown.
constexpr int kHandOverAttempts = 100;
constexpr DWORD kHandOverPause = 50;

}  // namespace

std::vector<std::string> ConverterApp::commandLineFiles()
{
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> files;
    if (arguments == nullptr)
        return files;
    for (int i = 1; i < count; ++i)
        if (arguments[i][0] != L'\0')
            files.push_back(narrow(arguments[i]));
    LocalFree(arguments);
    return files;
}

bool ConverterApp::handOver(const std::vector<std::string>& files)
{
    std::wstring block;
    for (const std::string& file : files)
        block += widen(file) + L'\0';
    COPYDATASTRUCT data{};
    data.dwData = MainWindow::kOpenFiles;
    data.cbData = static_cast<DWORD>(block.size() * sizeof(wchar_t));
    data.lpData = block.data();
    for (int attempt = 0; attempt < kHandOverAttempts; ++attempt) {
        // The main window is a dialog named after the program.
        HWND first = FindWindowW(L"#32770", L"Korvel");
        DWORD_PTR answer = 0;
        if (first != nullptr) {
            // The first instance may bring itself to the front.
            DWORD owner = 0;
            GetWindowThreadProcessId(first, &owner);
            AllowSetForegroundWindow(owner);
            if (SendMessageTimeoutW(first, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 5000,
                                    &answer) != 0 &&
                answer == TRUE)
                return true;
        }
        Sleep(kHandOverPause);
    }
    return false;
}

bool ConverterApp::start()
{
    // The standard controls are drawn in the system's own look; there is
    // nothing to switch on for it.
    const std::vector<std::string> files = commandLineFiles();
    instanceMutex = CreateMutexA(nullptr, TRUE, kInstanceMutex);
    if (instanceMutex == nullptr || GetLastError() == ERROR_ALREADY_EXISTS) {
        if (!files.empty())
            handOver(files);
        return false;
    }
    MainWindow window;
    window.takeFiles(files);
    window.runModal();
    return false;
}

}  // namespace korvel
