#include "ui/SettingsDialog.h"

#include <vector>

#include "job/SoundCheck.h"
#include "system/WideText.h"
#include "resources/resource.h"

namespace korvel {

SettingsDialog::SettingsDialog(const SoundCheck& sound)
    : SkinnedDialog(IDD_SETTINGS),
      title(sound.defaultTitle),
      inputRate(sound.sampleRate),
      textLimit(sound.textLimit),
      toggles(sound.sampleRate)
{
}

DialogAnswer SettingsDialog::settings() const
{
    DialogAnswer s;
    s.accepted = accepted;
    s.title = title;
    s.copyright = copyright;
    s.outRate = toggles.outRate();
    s.permissions = toggles.permissions();
    const RECT r = lastRect();
    s.lastRect = {r.left, r.top, r.right, r.bottom};
    return s;
}

BOOL SettingsDialog::onInit()
{
    SetDlgItemTextW(dialog, IDC_TITLE, widen(title).c_str());
    SetDlgItemTextW(dialog, IDC_COPYRIGHT, widen(copyright).c_str());
    SendDlgItemMessageA(dialog, IDC_TITLE, EM_LIMITTEXT, textLimit, 0);
    SendDlgItemMessageA(dialog, IDC_COPYRIGHT, EM_LIMITTEXT, textLimit, 0);
    MoveWindow(GetDlgItem(dialog, IDC_TITLE), 77, 23, 115, 14, TRUE);
    MoveWindow(GetDlgItem(dialog, IDC_COPYRIGHT), 77, 43, 115, 14, TRUE);
    texts.fitEditBoxes(dialog, {IDC_TITLE, IDC_COPYRIGHT});

    struct Toggle {
        ToggleButton& button;
        int id, bitmap, x, y;
    };
    for (const Toggle& t : {Toggle{save, IDC_SAVE, IDB_CHECK_BOX, 39, 63}, Toggle{transfer, IDC_TRANSFER, IDB_CHECK_BOX, 84, 63},
                            Toggle{rate8k, IDC_RATE_8K, IDB_RADIO, 139, 63}, Toggle{rate4k, IDC_RATE_4K, IDB_RADIO, 184, 63}}) {
        t.button.attach(dialog, t.id);
        t.button.placeAt(t.x, t.y);
        t.button.setSkin(t.bitmap);
    }
    struct Button {
        SkinButton& button;
        int id, bitmap, x, y;
    };
    for (const Button& b : {Button{clear, IDC_CLEAR, IDB_BUTTON_CLEAR, 6, 85}, Button{ok, IDC_SETTINGS_OK, IDB_BUTTON_OK, 68, 85},
                            Button{cancel, IDC_SETTINGS_CANCEL, IDB_BUTTON_CANCEL, 130, 85},
                            Button{power, IDC_POWER, IDB_BUTTON_POWER, 182, 72}}) {
        b.button.attach(dialog, b.id);
        b.button.placeAt(b.x, b.y);
        b.button.setSkin(b.bitmap);
    }
    showToggles();
    SetForegroundWindow(dialog);
    // No keyboard focus on the first control.
    return FALSE;
}

void SettingsDialog::showToggles()
{
    save.setState(toggles.state(SettingsToggles::save));
    transfer.setState(toggles.state(SettingsToggles::transfer));
    rate8k.setState(toggles.state(SettingsToggles::rate8k));
    rate4k.setState(toggles.state(SettingsToggles::rate4k));
}

std::string SettingsDialog::readText(int id) const
{
    // The box holds at most textLimit UTF-16 units; room for more all the same.
    std::vector<wchar_t> buffer(2 * static_cast<std::size_t>(textLimit) + 1, L'\0');
    const UINT length = GetDlgItemTextW(dialog, id, buffer.data(), static_cast<int>(buffer.size()));
    return narrow(std::wstring_view(buffer.data(), length));
}

bool SettingsDialog::onCommand(int id)
{
    switch (id) {
    case IDC_SAVE:
        toggles.click(SettingsToggles::save);
        break;
    case IDC_TRANSFER:
        toggles.click(SettingsToggles::transfer);
        break;
    case IDC_RATE_8K:
        toggles.click(SettingsToggles::rate8k);
        break;
    case IDC_RATE_4K:
        toggles.click(SettingsToggles::rate4k);
        break;
    case IDC_CLEAR:
        title.clear();
        copyright.clear();
        SetDlgItemTextW(dialog, IDC_TITLE, L"");
        SetDlgItemTextW(dialog, IDC_COPYRIGHT, L"");
        return true;
    case IDOK:
        title = readText(IDC_TITLE);
        copyright = readText(IDC_COPYRIGHT);
        accepted = true;
        return closeCommand(IDOK);
    default:
        return closeCommand(id);
    }
    showToggles();
    return true;
}

void SettingsDialog::onPaint(HDC dc)
{
    paintBitmap(dc, IDB_BAR_TITLE, 0, 21);
    paintBitmap(dc, IDB_BAR_COPYRIGHT, 0, 41);
    paintBitmap(dc, IDB_LABEL_SAVE, 11, 63);
    paintBitmap(dc, IDB_LABEL_TRANSFER, 56, 63);
    paintBitmap(dc, IDB_LABEL_8KHZ, 110, 63);
    paintBitmap(dc, IDB_LABEL_4KHZ, 155, 63);
}

}  // namespace korvel
