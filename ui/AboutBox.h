#pragma once

#include "ui/LinkLabel.h"
#include "ui/SkinButton.h"
#include "ui/SkinnedDialog.h"
#include "ui/TextFit.h"

namespace korvel {

// The version line, the developer's lines and the support address, which
// opens in the browser when clicked.
class AboutBox : public SkinnedDialog {
public:
    static constexpr COLORREF kTextColour = RGB(240, 240, 240);

    AboutBox();

protected:
    BOOL onInit() override;
    bool onCommand(int id) override;
    void onPaint(HDC dc) override;
    HBRUSH onControlColour(HDC dc, HWND control) override;

private:
    LinkLabel link;
    SkinButton ok, power;
    TextFit texts;
};

}  // namespace korvel
