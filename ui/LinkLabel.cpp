#include "ui/LinkLabel.h"

#include <shellapi.h>

#include <string>

namespace korvel {

LinkLabel::LinkLabel() : background(CreateSolidBrush(GetSysColor(COLOR_BTNFACE))) {}

void LinkLabel::setCursor(HCURSOR newCursor)
{
    cursor = newCursor;
}

HBRUSH LinkLabel::controlColour(HDC dc)
{
    if (font.get() == nullptr) {
        LOGFONTA description{};
        HFONT current = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
        if (current == nullptr)
            current = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        GetObjectA(current, sizeof description, &description);
        description.lfUnderline = TRUE;
        font.reset(CreateFontIndirectA(&description));
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
        InvalidateRect(control, nullptr, TRUE);
    }
    SetTextColor(dc, kTextColour);
    SetBkMode(dc, TRANSPARENT);
    return background;
}

LRESULT LinkLabel::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETCURSOR && cursor != nullptr) {
        SetCursor(cursor);
        return TRUE;
    }
    if (message == WM_LBUTTONDOWN) {
        const int length = GetWindowTextLengthA(control);
        std::string address(static_cast<std::size_t>(length) + 1, '\0');
        GetWindowTextA(control, address.data(), length + 1);
        address.resize(static_cast<std::size_t>(length));
        ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    }
    return SubclassedControl::onMessage(message, wParam, lParam);
}

}  // namespace korvel
