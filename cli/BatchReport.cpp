#include "cli/BatchReport.h"

#include "cli/ConsoleText.h"

namespace korvel {

BatchReport::BatchReport(std::size_t files, bool quiet, std::FILE* out, std::FILE* err)
    : total(files), quiet(quiet), out(out), err(err), errIsTerminal(isTerminal(err))
{
}

void BatchReport::nameFile(const std::string& name, const std::string& written)
{
    file = name;
    successPrefix = written.empty() ? std::string() : written + ": ";
}

void BatchReport::beginFile(const std::string& name, const std::string& written)
{
    nameFile(name, written);
    ++begun;
    if (total > 1 && errIsTerminal && std::chrono::steady_clock::now() - started > std::chrono::seconds(1)) {
        showStatusLine(err, "korvel-cli: " + std::to_string(begun) + "/" + std::to_string(total) + " " + name);
        progressShown = true;
    }
}

void BatchReport::clearProgress()
{
    if (!progressShown)
        return;
    clearStatusLine(err);
    progressShown = false;
}

void BatchReport::success(const std::string& text)
{
    clearProgress();
    if (!quiet) {
        printText(out, "%s%s\n", successPrefix.c_str(), text.c_str());
        std::fflush(out);
    }
}

void BatchReport::error(const std::string& text)
{
    clearProgress();
    printText(err, "korvel-cli: %s: %s\n", file.c_str(), text.c_str());
}

}  // namespace korvel
