#pragma once

#include <windows.h>

namespace korvel {

// Small owners of GDI objects: each releases what it holds when it goes out
// of scope, so that every drawing path gives back its DCs, bitmaps, brushes
// and regions. A region handed to a successful SetWindowRgn belongs to the
// system from then on: release() it from its holder.

template <typename Handle>
class GdiObject {
public:
    explicit GdiObject(Handle handle = nullptr) : handle(handle) {}
    ~GdiObject() { reset(); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    void reset(Handle other = nullptr)
    {
        if (handle != nullptr)
            DeleteObject(handle);
        handle = other;
    }
    Handle release()
    {
        Handle h = handle;
        handle = nullptr;
        return h;
    }
    Handle get() const { return handle; }
    operator Handle() const { return handle; }

private:
    Handle handle;
};

// A memory device context from CreateCompatibleDC.
class MemoryDc {
public:
    explicit MemoryDc(HDC compatibleWith) : dc(CreateCompatibleDC(compatibleWith)) {}
    ~MemoryDc()
    {
        if (dc != nullptr)
            DeleteDC(dc);
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    operator HDC() const { return dc; }

private:
    HDC dc;
};

// A window's device context from GetDC.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window(window), dc(GetDC(window)) {}
    ~WindowDc()
    {
        if (dc != nullptr)
            ReleaseDC(window, dc);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    operator HDC() const { return dc; }

private:
    HWND window;
    HDC dc;
};

// Selects an object into a DC and puts the previous one back.
class ScopedSelectObject {
public:
    ScopedSelectObject(HDC dc, HGDIOBJ object) : dc(dc), previous(SelectObject(dc, object)) {}
    ~ScopedSelectObject() { SelectObject(dc, previous); }
    ScopedSelectObject(const ScopedSelectObject&) = delete;
    ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

private:
    HDC dc;
    HGDIOBJ previous;
};

// Clips a DC to a copy of a window's shape while it lives; a window without
// a shape is not clipped.
class ScopedWindowClip {
public:
    ScopedWindowClip(HDC dc, HWND window) : dc(dc), shape(CreateRectRgn(0, 0, 0, 0))
    {
        if (GetWindowRgn(window, shape) != ERROR)
            SelectClipRgn(dc, shape);
    }
    ~ScopedWindowClip() { SelectClipRgn(dc, nullptr); }
    ScopedWindowClip(const ScopedWindowClip&) = delete;
    ScopedWindowClip& operator=(const ScopedWindowClip&) = delete;

private:
    HDC dc;
    GdiObject<HRGN> shape;
};

}  // namespace korvel
