#include "ui/Skin.h"

#include "ui/GdiHolders.h"

namespace korvel {

HINSTANCE skinInstance()
{
    return GetModuleHandleA(nullptr);
}

SIZE bitmapSize(HBITMAP bitmap)
{
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    return {info.bmWidth, info.bmHeight};
}

PixelGrid readPixels(HBITMAP bitmap)
{
    const SIZE size = bitmapSize(bitmap);
    PixelGrid grid;
    grid.width = size.cx;
    grid.height = size.cy;
    grid.pixels.resize(static_cast<std::size_t>(size.cx) * static_cast<std::size_t>(size.cy));
    MemoryDc dc(nullptr);
    ScopedSelectObject keep(dc, bitmap);
    for (int y = 0; y < size.cy; ++y)
        for (int x = 0; x < size.cx; ++x) {
            const COLORREF c = GetPixel(dc, x, y);
            grid.pixels[static_cast<std::size_t>(y) * size.cx + x] =
                (static_cast<std::uint32_t>(GetRValue(c)) << 16) | (GetGValue(c) << 8) | GetBValue(c);
        }
    return grid;
}

HRGN regionFromBitmap(HBITMAP bitmap, int rows)
{
    const PixelGrid grid = readPixels(bitmap);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    for (const PixelRun& run : shapeRuns(grid, rows)) {
        GdiObject<HRGN> piece(CreateRectRgn(run.left, run.y, run.right, run.y + 1));
        CombineRgn(region, region, piece, RGN_OR);
    }
    return region;
}

bool applyShape(HWND window, HBITMAP bitmap, int rows)
{
    GdiObject<HRGN> region(regionFromBitmap(bitmap, rows));
    if (SetWindowRgn(window, region, TRUE) == 0)
        return false;
    // The region belongs to the system now.
    region.release();
    return true;
}

void skinToCell(HWND window, int bitmapId, int rows)
{
    GdiObject<HBITMAP> picture(LoadBitmapA(skinInstance(), MAKEINTRESOURCEA(bitmapId)));
    const SIZE size = bitmapSize(picture);
    const int cellHeight = static_cast<int>(static_cast<unsigned>(size.cy) / static_cast<unsigned>(rows));
    SetWindowPos(window, nullptr, 0, 0, size.cx, cellHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    applyShape(window, picture, cellHeight);
}

void drawCell(HWND window, HDC dc, int bitmapId, int rows, int cell)
{
    GdiObject<HBITMAP> bitmap(LoadBitmapA(skinInstance(), MAKEINTRESOURCEA(bitmapId)));
    if (bitmap.get() == nullptr || rows <= 0)
        return;
    const SIZE size = bitmapSize(bitmap);
    const int cellHeight = static_cast<int>(static_cast<unsigned>(size.cy) / static_cast<unsigned>(rows));
    MemoryDc source(dc);
    ScopedSelectObject keep(source, bitmap);
    ScopedWindowClip clip(dc, window);
    BitBlt(dc, 0, 0, size.cx, cellHeight, source, 0, cell * cellHeight, SRCCOPY);
}

}  // namespace korvel
