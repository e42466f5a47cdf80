#pragma once

#include <optional>
#include <string>

#include "job/ConversionHost.h"

namespace korvel {

// The conversion job's host in the browser page. The page asks for the
// settings itself, before it converts: a job run without settings only
// checks the sound and tells its base name and rate; a job run with them
// converts. The message the job shows is kept for the page.
class PageHost : public ConversionHost {
public:
    // Without settings the job stops after its checks, as if cancelled.
    explicit PageHost(std::optional<ConversionSettings> settings) : settings(std::move(settings)) {}

    void setAcceptDrops(bool) override {}
    void collapseAt(std::optional<ScreenPoint>) override {}
    void restoreAt(ScreenPoint, bool) override {}
    ConversionSettings askSettings(const std::string& baseName, int inputRate) override;
    ScreenPoint showMessage(MessageKind kind, const std::string& text) override;
    void waitCursor(WaitCursor) override {}

    const std::string& baseName() const { return askedName; }
    int inputRate() const { return askedRate; }
    MessageKind messageKind() const { return kind; }
    const std::string& message() const { return text; }

private:
    std::optional<ConversionSettings> settings;
    std::string askedName;
    int askedRate = 0;
    MessageKind kind = MessageKind::error;
    std::string text;
};

}  // namespace korvel
