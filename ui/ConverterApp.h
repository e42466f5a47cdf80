#pragma once

#include <windows.h>

namespace korvel {

// The application: one instance per user, the main window shown until it
// closes, then the end of the process.
class ConverterApp {
public:
    static constexpr const char* kInstanceMutex = "KORVELINSTANCE";

    // Runs the program; false in every case, as the process then ends. A
    // second instance ends at once, showing nothing and leaving the first
    // one untouched.
    bool start();

private:
    // Held until the process ends; never closed.
    HANDLE instanceMutex = nullptr;
};

}  // namespace korvel
