#pragma once

#include <windows.h>

#include "system/OwnedHandle.h"

namespace korvel {

struct Win32HandleTraits {
    using Value = HANDLE;
    // INVALID_HANDLE_VALUE is no constant expression; nullptr stands for
    // "none", and valid refuses both.
    static constexpr HANDLE kNone = nullptr;
    static bool valid(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static bool close(HANDLE handle) { return CloseHandle(handle) != 0; }
};

// An open handle of the system, closed when its owner goes.
using Win32Handle = OwnedHandle<Win32HandleTraits>;

}  // namespace korvel
