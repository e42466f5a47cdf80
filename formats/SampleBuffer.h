#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace korvel {

// An allocator whose containers leave new elements uninitialised where
// std::allocator would zero them: a buffer that a stage fills right after
// it grows then costs no pass over fresh memory (nor, for a large one, the
// page faults of writing zeros into pages the system just handed out).
template <class T>
class DefaultInitAllocator : public std::allocator<T> {
public:
    template <class U>
    struct rebind {
        using other = DefaultInitAllocator<U>;
    };

    DefaultInitAllocator() = default;
    template <class U>
    DefaultInitAllocator(const DefaultInitAllocator<U>&) noexcept
    {
    }

    // resize() and the sizing constructor construct without a value: leave
    // the element as it is; every other construction is the usual one.
    template <class U>
    void construct(U* p) noexcept
    {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

// 16-bit samples that are written before they are read.
using SampleBuffer = std::vector<std::int16_t, DefaultInitAllocator<std::int16_t>>;

}  // namespace korvel
