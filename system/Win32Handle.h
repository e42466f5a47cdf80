#pragma once

#include <windows.h>

#include <utility>

namespace korvel {

// An open handle of the system, closed when its owner goes: nothing is
// closed by hand before a return or a throw.
class Win32Handle {
public:
    Win32Handle() = default;
    explicit Win32Handle(HANDLE handle) : handle(handle) {}
    ~Win32Handle() { close(); }
    Win32Handle(Win32Handle&& other) noexcept : handle(std::exchange(other.handle, INVALID_HANDLE_VALUE)) {}
    Win32Handle& operator=(Win32Handle&& other) noexcept
    {
        if (this != &other) {
            close();
            handle = std::exchange(other.handle, INVALID_HANDLE_VALUE);
        }
        return *this;
    }
    Win32Handle(const Win32Handle&) = delete;
    Win32Handle& operator=(const Win32Handle&) = delete;

    HANDLE get() const { return handle; }
    bool valid() const { return handle != INVALID_HANDLE_VALUE && handle != nullptr; }
    // Closes it now: false when CloseHandle failed.
    bool close()
    {
        const bool closed = !valid() || CloseHandle(handle) != 0;
        handle = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE handle = INVALID_HANDLE_VALUE;
};

}  // namespace korvel
