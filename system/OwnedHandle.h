#pragma once

#include <utility>

namespace korvel {

// A handle of the system (a file descriptor, a Win32 handle), closed when
// its owner goes: nothing is closed by hand before a return or a throw.
// Traits give the handle's type, its invalid values and how it is closed:
//   using Value = ...;
//   static constexpr Value kNone = ...;            // what an empty owner holds
//   static bool valid(Value handle);
//   static bool close(Value handle);               // true when it closed cleanly
template <typename Traits>
class OwnedHandle {
public:
    using Value = typename Traits::Value;

    OwnedHandle() = default;
    explicit OwnedHandle(Value handle) : handle(handle) {}
    ~OwnedHandle() { close(); }
    OwnedHandle(OwnedHandle&& other) noexcept : handle(std::exchange(other.handle, Traits::kNone)) {}
    OwnedHandle& operator=(OwnedHandle&& other) noexcept
    {
        if (this != &other) {
            close();
            handle = std::exchange(other.handle, Traits::kNone);
        }
        return *this;
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;

    Value get() const { return handle; }
    bool valid() const { return Traits::valid(handle); }
    // Closes it now: false when the system reported a failure (true when
    // there was none open).
    bool close()
    {
        const bool closed = !valid() || Traits::close(handle);
        handle = Traits::kNone;
        return closed;
    }

private:
    Value handle = Traits::kNone;
};

}  // namespace korvel
