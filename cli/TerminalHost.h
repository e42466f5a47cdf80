#pragma once

#include <cstdio>
#include <string>

#include "cli/CommandLine.h"
#include "pipeline/ConversionHost.h"

namespace korvel {

// The conversion job's host on a terminal: the settings come from the
// command line, messages go to standard output (success) and standard error
// (refusals), and there is no window to move. It "cancels" the settings
// only when the command line cannot be applied to the file: a usage error.
class TerminalHost : public ConversionHost {
public:
    TerminalHost(const ConvertOptions& options, std::FILE* out, std::FILE* err);

    // Names the file of the next job in the messages.
    void beginFile(const std::string& file);

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
};

}  // namespace korvel
