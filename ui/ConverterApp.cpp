#include "ui/ConverterApp.h"

#include "ui/MainWindow.h"

namespace korvel {

bool ConverterApp::start()
{
    // The standard controls are drawn in the system's own look; there is
    // nothing to switch on for it.
    instanceMutex = CreateMutexA(nullptr, TRUE, kInstanceMutex);
    if (instanceMutex == nullptr || GetLastError() == ERROR_ALREADY_EXISTS)
        return false;
    MainWindow window;
    window.runModal();
    return false;
}

}  // namespace korvel
