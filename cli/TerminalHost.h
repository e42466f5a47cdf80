#pragma once

#include <cstdio>
#include <string>

#include "cli/CommandLine.h"
#include "pipeline/ConversionHost.h"

namespace korvel {

// The conversion job's host on a terminal: the settings come from the
// command line, messages go to standard output (success) and standard error
// (refusals), and there is no window to move.
class TerminalHost : public ConversionHost {
public:
    // How one job ended, as far as the host saw it.
    enum class Outcome { written, refused, usageError, stopped };

    TerminalHost(const ConvertOptions& options, std::FILE* out, std::FILE* err);

    // Starts the record of a job for the given file.
    void beginFile(const std::string& file);
    Outcome outcome() const;

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
    bool shownSuccess = false;
    bool shownError = false;
    bool usageRefused = false;
};

}  // namespace korvel
