#include "cli/TerminalHost.h"

#include <string>

#include "cli/ConsoleText.h"
#include "job/SettingsRules.h"
#include "tessal/TextCoding.h"

namespace korvel {

TerminalHost::TerminalHost(const ConvertOptions& options, std::FILE* out, std::FILE* err)
    : options(options), out(out), err(err), errIsTerminal(isTerminal(err))
{
}

void TerminalHost::nameFile(const std::string& name, const std::string& written)
{
    file = name;
    successPrefix = written.empty() ? std::string() : written + ": ";
}

void TerminalHost::beginFile(const std::string& name, const std::string& written)
{
    nameFile(name, written);
    ++begun;
    const std::size_t total = options.files.size();
    if (total > 1 && errIsTerminal && std::chrono::steady_clock::now() - started > std::chrono::seconds(1)) {
        showStatusLine(err, "korvel-cli: " + std::to_string(begun) + "/" + std::to_string(total) + " " + name);
        progressShown = true;
    }
}

void TerminalHost::clearProgress()
{
    if (!progressShown)
        return;
    clearStatusLine(err);
    progressShown = false;
}

void TerminalHost::setAcceptDrops(bool) {}

void TerminalHost::collapseAt(std::optional<ScreenPoint>) {}

void TerminalHost::restoreAt(ScreenPoint, bool) {}

void TerminalHost::waitCursor(WaitCursor) {}

// The settings dialog's rules (SettingsRules) applied to the options. A
// refusal here is a usage error.
ConversionSettings TerminalHost::askSettings(const std::string& baseName, int inputRate)
{
    ConversionSettings settings;
    if (options.rate && !SettingsRules::rateAllowed(*options.rate, inputRate)) {
        clearProgress();
        printText(err, "korvel-cli: %s: --rate 8000 needs a sound of 8000 Hz or more (this one has %d Hz)\n",
                  file.c_str(), inputRate);
        return settings;
    }
    // The base name as the title must be readable as text, or the file
    // would have an empty title without a word.
    std::u16string units;
    if (!options.title && !textToUtf16(baseName.c_str(), nativeTextCoding(), units)) {
        clearProgress();
        printText(err,
                  "korvel-cli: %s: the file name is neither in the character set of the locale nor UTF-8, so it "
                  "cannot be the title; give one with --title\n",
                  file.c_str());
        return settings;
    }
    settings.accepted = true;
    settings.title = options.title.value_or(baseName);
    settings.copyright = options.copyright;
    settings.outRate = options.rate.value_or(SettingsRules::defaultRate(inputRate));
    settings.permissions = SettingsRules::permissions(!options.noSave, !options.noTransfer);
    return settings;
}

ScreenPoint TerminalHost::showMessage(MessageKind kind, const std::string& text)
{
    clearProgress();
    if (kind == MessageKind::success) {
        if (!options.quiet) {
            printText(out, "%s%s\n", successPrefix.c_str(), text.c_str());
            std::fflush(out);
        }
    } else {
        printText(err, "korvel-cli: %s: %s\n", file.c_str(), text.c_str());
    }
    return {};
}

}  // namespace korvel
