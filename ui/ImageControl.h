#pragma once

#include "ui/GdiHolders.h"
#include "ui/SubclassedControl.h"

namespace korvel {

// A picture in the shape of its opaque pixels.
class ImageControl : public SubclassedControl {
public:
    // Loads and keeps the bitmap, sizes the control to it (keeping its
    // position) and shapes it from the whole picture.
    void setImage(int bitmapId);
    SIZE size() const { return {width, height}; }

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void paint();

    GdiObject<HBITMAP> picture;
    int width = 0;
    int height = 0;
};

}  // namespace korvel
