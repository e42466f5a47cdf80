#pragma once

#include <optional>
#include <string>

#include "job/ConversionJob.h"

namespace korvel {

class DesktopWindow;
class Platform;
class SoundInput;

// What a file dropped on the program's window goes through, around the
// core's two calls: the wait cursor and no further drops; the sound's
// check; the window collapsed behind the settings dialog and restored at
// its place; the conversion with the answer; the message, the window
// collapsed behind it as well. A refusal is an error message; a cancelled
// dialog or a stopped stage shows nothing.
class DropFlow {
public:
    // Neither is owned; both outlive the flow.
    DropFlow(DesktopWindow& window, Platform& platform);

    // Converts one dropped file; returns what the conversion came to, or
    // nothing when the dialog was cancelled. Drops are taken again after it.
    std::optional<ConversionOutcome> drop(const std::string& path);

private:
    std::optional<ConversionOutcome> run(SoundInput& input);

    DesktopWindow& window;
    Platform& platform;
    ConversionJob job;
};

}  // namespace korvel
