#pragma once

#include <string>

#include "ui/DesktopWindow.h"
#include "ui/ImageControl.h"
#include "ui/SkinButton.h"
#include "ui/SkinnedDialog.h"

namespace korvel {

// The program's message box: the "caution!" plate with the text in amber
// for a refusal, the "completed!" plate with the text in blue for a written
// file.
class MessageDialog : public SkinnedDialog {
public:
    static constexpr COLORREF kSuccessColour = RGB(0, 36, 255);
    static constexpr COLORREF kErrorColour = RGB(255, 216, 0);

    MessageDialog(MessageKind kind, std::string text);

protected:
    BOOL onInit() override;
    bool onCommand(int id) override;
    HBRUSH onControlColour(HDC dc, HWND control) override;

private:
    MessageKind kind;
    std::string text;
    ImageControl plate;
    SkinButton ok, power;
};

}  // namespace korvel
