#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "cli/CommandLine.h"
#include "job/ConversionHost.h"

namespace korvel {

// The conversion job's host on a terminal: the settings come from the
// command line, messages go to standard output (success, unless -q) and
// standard error (refusals), and there is no window to move. It "cancels"
// the settings only when the command line cannot be applied to the file: a
// usage error.
//
// A batch of several files that takes longer than a second shows which
// file it is at on a line of its own on standard error, when that is a
// terminal; every other line there first clears it.
class TerminalHost : public ConversionHost {
public:
    TerminalHost(const ConvertOptions& options, std::FILE* out, std::FILE* err);

    // Names the file of the next job in the messages; `written` starts its
    // success line when the batch has several files (empty: none).
    void beginFile(const std::string& file, const std::string& written);
    // Names the file of the next messages as beginFile does, without moving
    // the progress on: for files reported after their conversion.
    void nameFile(const std::string& file, const std::string& written);
    // Clears the progress line before a line of the caller's own.
    void clearProgress();

    void setAcceptDrops(bool on) override;
    void collapseAt(std::optional<ScreenPoint> point) override;
    void restoreAt(ScreenPoint point, bool redraw) override;
    ConversionSettings askSettings(const std::string& baseName, int inputRate) override;
    ScreenPoint showMessage(MessageKind kind, const std::string& text) override;
    void waitCursor(WaitCursor state) override;

private:
    const ConvertOptions& options;
    std::FILE* out;
    std::FILE* err;
    std::string file;
    std::string successPrefix;
    bool errIsTerminal;
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
    std::size_t begun = 0;
    bool progressShown = false;
};

}  // namespace korvel
