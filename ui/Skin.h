#pragma once

#include <windows.h>

#include "ui/ShapeRuns.h"

namespace korvel {

// The module whose resources the skin is loaded from: the program itself.
HINSTANCE skinInstance();

// The pixels of a bitmap, read back with GetPixel.
PixelGrid readPixels(HBITMAP bitmap);

// The size of a bitmap in pixels.
SIZE bitmapSize(HBITMAP bitmap);

// The region of the opaque pixels in the first rows of a bitmap (see
// shapeRuns), in the control's own window coordinates. The caller owns it.
HRGN regionFromBitmap(HBITMAP bitmap, int rows);

// Gives a window the shape of the first rows of a bitmap, redrawing it.
bool applyShape(HWND window, HBITMAP bitmap, int rows);

// Sizes a button to one cell of a bitmap of `rows` cells, keeping its
// position, and shapes it from cell 0.
void skinToCell(HWND window, int bitmapId, int rows);

// Draws cell `cell` of a bitmap of `rows` cells to (0, 0) of the DC, clipped
// to the window's shape. The bitmap is loaded for this drawing only.
void drawCell(HWND window, HDC dc, int bitmapId, int rows, int cell);

}  // namespace korvel
