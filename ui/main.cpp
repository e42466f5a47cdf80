// Korvel for Windows: drop a WAV or AIFF file on the window, get a Tessal
// file beside it.

#include <windows.h>

#include <new>

#include "ui/ConverterApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    try {
        korvel::ConverterApp app;
        app.start();
    } catch (const std::bad_alloc&) {
        // The job reports allocation failures itself; one elsewhere ends the program.
        return 1;
    }
    return 0;
}
