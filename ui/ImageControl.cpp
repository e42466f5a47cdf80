#include "ui/ImageControl.h"

#include "ui/Skin.h"

namespace korvel {

void ImageControl::setImage(int bitmapId)
{
    picture.reset(LoadBitmapA(skinInstance(), MAKEINTRESOURCEA(bitmapId)));
    const SIZE s = bitmapSize(picture);
    width = s.cx;
    height = s.cy;
    SetWindowPos(control, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    applyShape(control, picture, height);
}

void ImageControl::paint()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(control, &ps);
    if (picture.get() != nullptr) {
        MemoryDc source(dc);
        ScopedSelectObject keep(source, picture);
        ScopedWindowClip clip(dc, control);
        BitBlt(dc, 0, 0, width, height, source, 0, 0, SRCCOPY);
    }
    EndPaint(control, &ps);
}

LRESULT ImageControl::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        paint();
        return 0;
    case WM_DESTROY: {
        const LRESULT result = callOriginal(message, wParam, lParam);
        picture.reset();
        return result;
    }
    default:
        return SubclassedControl::onMessage(message, wParam, lParam);
    }
}

}  // namespace korvel
