#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace korvel {

struct SoundCheck;

// Screen positions in pixels, in screen coordinates.
struct ScreenPoint {
    int x = 0;
    int y = 0;
    bool operator==(const ScreenPoint&) const = default;
};

struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const ScreenRect&) const = default;

    // ((left + right) / 2, (top + bottom) / 2), each division truncating.
    ScreenPoint centre() const { return {(left + right) / 2, (top + bottom) / 2}; }
    ScreenPoint topLeft() const { return {left, top}; }
};

enum class MessageKind { error = 0, success = 1 };

enum class WaitCursor { begin, restore, end };

// What the settings dialog hands back.
struct DialogAnswer {
    // True only when the dialog was closed with OK.
    bool accepted = false;
    // Texts in the program's coding, as typed.
    std::string title;
    std::string copyright;
    // 4000 or 8000: the rate of the written file.
    int outRate = 8000;
    // ContentInfo::kNoTransfer and kNoSave.
    std::uint8_t permissions = 0;
    // The dialog's screen rectangle when it closed with OK or CANCEL.
    ScreenRect lastRect;
};

// What the drop sequence (DropFlow) does with the program's window: the
// main window implements it, and the tests record it.
class DesktopWindow {
public:
    virtual ~DesktopWindow();

    virtual void setAcceptDrops(bool on) = 0;
    // Records the window's rectangle, then shrinks the window to nothing
    // with its top-left at the point, or at the centre of the recorded
    // rectangle when there is none.
    virtual void collapseAt(std::optional<ScreenPoint> point) = 0;
    // Brings the window back at the point with the recorded size; with
    // redraw it is repainted whole at once.
    virtual void restoreAt(ScreenPoint point, bool redraw) = 0;
    // Runs the settings dialog for the checked sound.
    virtual DialogAnswer askSettings(const SoundCheck& sound) = 0;
    // Runs the message box; returns the top-left of its last rectangle.
    virtual ScreenPoint showMessage(MessageKind kind, const std::string& text) = 0;
    virtual void waitCursor(WaitCursor state) = 0;
};

}  // namespace korvel
