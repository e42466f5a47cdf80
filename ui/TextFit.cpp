#include "ui/TextFit.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace korvel {

namespace {

// Room left between a text and the window's edge or a button.
constexpr int kMargin = 2;
// No text is made smaller than this many pixels.
constexpr int kSmallestHeight = 8;

RECT rectInDialog(HWND dialog, HWND control)
{
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The right edge a line may reach: the window's, less the margin, or the
// first pixel of a button's shape in the line's rows.
int freeRight(HWND dialog, const RECT& line)
{
    RECT client{};
    GetClientRect(dialog, &client);
    int right = client.right - kMargin;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t kind[16] = {};
        GetClassNameW(child, kind, 16);
        if (lstrcmpiW(kind, L"Button") != 0 || !IsWindowVisible(child))
            continue;
        const RECT button = rectInDialog(dialog, child);
        GdiObject<HRGN> shape(CreateRectRgn(0, 0, 0, 0));
        if (GetWindowRgn(child, shape) == ERROR)
            shape.reset(CreateRectRgn(0, 0, button.right - button.left, button.bottom - button.top));
        // The line's rows from its left edge on, in the button's coordinates.
        GdiObject<HRGN> rows(CreateRectRgn(line.left - button.left, line.top - button.top, client.right - button.left,
                                           line.bottom - button.top));
        if (CombineRgn(rows, rows, shape, RGN_AND) == NULLREGION)
            continue;
        RECT covered{};
        GetRgnBox(rows, &covered);
        right = std::min(right, static_cast<int>(covered.left + button.left) - kMargin);
    }
    return right;
}

std::wstring textOf(HWND control)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

// The largest size of the dialog's font, from its own down, that `fits`
// accepts in the dialog's DC; nullptr when the dialog's own size fits.
HFONT largestFitting(HWND dialog, const std::function<bool(HDC)>& fits)
{
    LOGFONTW face{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof face, &face);
    WindowDc dc(dialog);
    const int own = std::abs(face.lfHeight);
    for (int height = own; height >= kSmallestHeight; --height) {
        face.lfHeight = -height;
        GdiObject<HFONT> font(CreateFontIndirectW(&face));
        ScopedSelectObject keep(dc, font);
        if (fits(dc) || height == kSmallestHeight)
            return height == own ? nullptr : font.release();
    }
    return nullptr;
}

}  // namespace

void TextFit::fitLines(HWND dialog, std::initializer_list<int> controls)
{
    struct Line {
        HWND control;
        int width, height;
        std::wstring text;
    };
    std::vector<Line> lines;
    for (int id : controls) {
        HWND control = GetDlgItem(dialog, id);
        RECT r = rectInDialog(dialog, control);
        r.right = freeRight(dialog, r);
        MoveWindow(control, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
        lines.push_back({control, r.right - r.left, r.bottom - r.top, textOf(control)});
    }
    lineFont.reset(largestFitting(dialog, [&](HDC dc) {
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        return std::all_of(lines.begin(), lines.end(), [&](const Line& line) {
            SIZE size{};
            GetTextExtentPoint32W(dc, line.text.c_str(), static_cast<int>(line.text.size()), &size);
            return size.cx <= line.width && metrics.tmHeight <= line.height;
        });
    }));
    if (lineFont.get() != nullptr)
        for (const Line& line : lines)
            SendMessageW(line.control, WM_SETFONT, reinterpret_cast<WPARAM>(lineFont.get()), FALSE);
}

void TextFit::fitEditBoxes(HWND dialog, std::initializer_list<int> controls)
{
    int rows = 0;
    for (int id : controls) {
        HWND box = GetDlgItem(dialog, id);
        SetWindowLongPtrW(box, GWL_EXSTYLE, GetWindowLongPtrW(box, GWL_EXSTYLE) & ~WS_EX_CLIENTEDGE);
        SetWindowLongPtrW(box, GWL_STYLE, GetWindowLongPtrW(box, GWL_STYLE) | WS_BORDER);
        SetWindowPos(box, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        RECT client{};
        GetClientRect(box, &client);
        rows = rows == 0 ? client.bottom : std::min(rows, static_cast<int>(client.bottom));
    }
    editFont.reset(largestFitting(dialog, [&](HDC dc) {
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        return metrics.tmHeight <= rows;
    }));
    if (editFont.get() != nullptr)
        for (int id : controls)
            SendDlgItemMessageW(dialog, id, WM_SETFONT, reinterpret_cast<WPARAM>(editFont.get()), FALSE);
}

}  // namespace korvel
