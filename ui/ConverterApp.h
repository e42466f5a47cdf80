#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace korvel {

// The application: one instance per user, the main window shown until it
// closes, then the end of the process. Files named on the command line are
// converted as files dropped on the window one after the other.
class ConverterApp {
public:
    static constexpr const char* kInstanceMutex = "KORVELINSTANCE";

    // Runs the program; false in every case, as the process then ends. A
    // second instance ends at once, showing nothing and leaving the first
    // one untouched; the files it names it hands to the first one first.
    bool start();

    // The files named on the program's command line, in UTF-8.
    static std::vector<std::string> commandLineFiles();

private:
    // Gives the files to the window of the first instance (WM_COPYDATA),
    // waiting a little for it to be shown; false when there is none.
    static bool handOver(const std::vector<std::string>& files);

    // Held until the process ends; never closed.
    HANDLE instanceMutex = nullptr;
};

}  // namespace korvel
