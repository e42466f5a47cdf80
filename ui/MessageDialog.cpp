#include "ui/MessageDialog.h"

#include "system/WideText.h"
#include "resources/resource.h"

namespace korvel {

MessageDialog::MessageDialog(MessageKind kind, std::string text)
    : SkinnedDialog(IDD_MESSAGE), kind(kind), text(std::move(text))
{
}

BOOL MessageDialog::onInit()
{
    SetDlgItemTextW(dialog, IDC_MESSAGE_TEXT, widen(text).c_str());
    plate.attach(dialog, IDC_MESSAGE_PICTURE);
    plate.setImage(kind == MessageKind::success ? IDB_PLATE_COMPLETED : IDB_PLATE_CAUTION);
    plate.placeAt(0, 24);
    placeCloseButtons(ok, power);
    // The text lies over the lower part of the plate and is drawn after it.
    HWND message = GetDlgItem(dialog, IDC_MESSAGE_TEXT);
    MoveWindow(message, 15, 62, 180, 12, TRUE);
    SetWindowPos(message, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetForegroundWindow(dialog);
    return FALSE;
}

bool MessageDialog::onCommand(int id)
{
    return closeCommand(id);
}

HBRUSH MessageDialog::onControlColour(HDC dc, HWND)
{
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kind == MessageKind::success ? kSuccessColour : kErrorColour);
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

}  // namespace korvel
