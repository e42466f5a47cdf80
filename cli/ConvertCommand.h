#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cli/BatchReport.h"
#include "cli/CommandLine.h"
#include "job/ConversionJob.h"
#include "system/WriteBatch.h"

namespace korvel {

class InputFile;
class Platform;

// "korvel-cli convert": each file converted by the one plan of the command
// line, its target set. A target that an earlier file of this run has just
// written is not replaced: two inputs with one base name would otherwise
// leave one file for two successes. With several files their Tessal files
// are put in place together, a batch at a time (WriteBatch), and a success
// line comes when its file is in place.
class ConvertCommand {
public:
    ConvertCommand(const ConvertOptions& options, Platform& platform);

    // The exit status: that of the first file that failed, else success.
    int run();

private:
    struct Waiting {
        std::size_t index;
        std::string file, target, targetKey;
        std::size_t bytes;
    };

    bool textsReadable() const;
    bool openStandardInput();
    int convertOne(std::size_t index);
    std::string whyNotConverted(const std::string& file, const std::string& target, const std::string& targetKey) const;
    int report(const std::string& file, const ConversionOutcome& outcome, const ConversionPlan& plan);
    void commitBatch();

    const ConvertOptions& options;
    Platform& platform;
    ConversionJob job;
    BatchReport lines;
    WriteBatch batch;
    std::unique_ptr<InputFile> standardInput;
    // Targets written in this run, as one name whatever the spelling, and
    // the file each was written from.
    std::map<std::string, std::string> writtenFrom;
    std::vector<Waiting> waiting;
    std::vector<int> codes;
    bool several;
};

}  // namespace korvel
