#include "cli/ConvertCommand.h"

#include <algorithm>
#include <optional>

#include "cli/Console.h"
#include "cli/ConsoleText.h"
#include "cli/ExitStatus.h"
#include "formats/InputFile.h"
#include "job/SettingsRules.h"
#include "job/SoundInput.h"
#include "job/StandardInput.h"
#include "system/Messages.h"
#include "system/Platform.h"
#include "tessal/TextCoding.h"

namespace korvel {

namespace {

int exitCode(const ConversionOutcome& outcome)
{
    switch (outcome.kind) {
    case ConversionOutcome::Kind::written:
        return kExitWritten;
    case ConversionOutcome::Kind::refused:
        // A plan's fault: the command line cannot be applied to the file.
        return outcome.message() == 0 ? kExitUsage : kExitRefused;
    case ConversionOutcome::Kind::stopped:
        break;
    }
    return kExitStopped;
}

}  // namespace

ConvertCommand::ConvertCommand(const ConvertOptions& options, Platform& platform)
    : options(options),
      platform(platform),
      job(platform),
      lines(options.files.size(), options.quiet, stdout, stderr),
      batch(platform),
      codes(options.files.size(), kExitRefused),
      several(options.files.size() > 1)
{
}

// Texts that could only be written as empty values are refused.
bool ConvertCommand::textsReadable() const
{
    const std::pair<const char*, std::string> texts[] = {{"--title", options.plan.title.value_or("")},
                                                         {"--copyright", options.plan.copyright}};
    for (const auto& [option, text] : texts) {
        std::u16string units;
        if (!textToUtf16(text.c_str(), nativeTextCoding(), units)) {
            printText(stderr, "korvel-cli: %s: the text is neither in the character set of the locale nor UTF-8\n%s",
                      option, kTryHelp);
            return false;
        }
    }
    return true;
}

bool ConvertCommand::openStandardInput()
{
    // Never over the file it was read from, as cp refuses.
    if (console::namesStandardStream(options.output, console::Stream::input)) {
        printText(stderr, "korvel-cli: standard input and %s are the same file\n", options.output.c_str());
        return false;
    }
    using Result = StandardInput::Result;
    const Result opened = StandardInput::open(platform, options.plan.part, standardInput);
    if (opened == Result::ok)
        return true;
    if (opened == Result::notSound)
        printText(stderr, "korvel-cli: -: %s\n", platform.messageText(kMsgFormatNotSupported).c_str());
    else if (opened == Result::tooLong)
        printText(stderr, "korvel-cli: standard input: more than %lld GiB of a kind that is kept whole; "
                          "convert the file by its name\n",
                  static_cast<long long>(StandardInput::kMaxSpoolBytes >> 30));
    else if (opened == Result::noRoom)
        writeText(stderr, "korvel-cli: standard input: not enough free space to keep it in the temporary folder (TMPDIR)\n");
    else
        writeText(stderr, "korvel-cli: standard input cannot be read\n");
    return false;
}

int ConvertCommand::run()
{
    if (!textsReadable())
        return kExitUsage;
    if (options.files.front() == "-" && !openStandardInput())
        return kExitRefused;
    for (std::size_t index = 0; index < options.files.size(); ++index) {
        codes[index] = convertOne(index);
        if (batch.full())
            commitBatch();
    }
    commitBatch();
    lines.clearProgress();
    const std::size_t written = static_cast<std::size_t>(std::count(codes.begin(), codes.end(), kExitWritten));
    if (several)
        printText(stderr, "%zu written, %zu refused\n", written, codes.size() - written);
    // The first file that failed decides the exit status.
    for (const int code : codes)
        if (code != kExitWritten)
            return code;
    return kExitWritten;
}

// Why the file is not converted at all, if it is not.
std::string ConvertCommand::whyNotConverted(const std::string& file, const std::string& target,
                                            const std::string& targetKey) const
{
    const bool named = !options.output.empty() || !options.outputDirectory.empty();
    const std::string folder = console::folderOf(target);
    if (named && !folder.empty() && !console::isFolder(folder))
        return folder + (console::exists(folder) ? ": not a folder" : ": no such folder");
    // Under --strict the job refuses every name but a WAV or AIFF one
    // first, as the desktop program does.
    if (!options.strict() && file != "-" && console::sameFile(target, file))
        return file + ": the Tessal file would replace the sound file";
    const auto earlier = writtenFrom.find(targetKey);
    const bool earlierWaits = std::any_of(waiting.begin(), waiting.end(),
                                          [&targetKey](const Waiting& w) { return w.targetKey == targetKey; });
    if (earlier != writtenFrom.end() && (earlierWaits || console::exists(target)))
        return file + ": will not replace " + target + ", just written from " + earlier->second;
    return {};
}

int ConvertCommand::convertOne(std::size_t index)
{
    const std::string& file = options.files[index];
    ConversionPlan plan = options.plan;
    if (several)
        plan.batch = &batch;
    if (!options.output.empty())
        plan.target = options.output;
    else if (!options.outputDirectory.empty())
        plan.target = console::inFolder(options.outputDirectory, console::fileName(ConversionJob::outputPath(file)));
    const std::string target = plan.target.empty() ? ConversionJob::outputPath(file) : plan.target;
    const std::string targetKey = console::canonicalName(target);
    lines.beginFile(file, several ? target : std::string());
    if (const std::string why = whyNotConverted(file, target, targetKey); !why.empty()) {
        lines.clearProgress();
        writeText(stderr, "korvel-cli: " + why + "\n");
        return kExitRefused;
    }
    // Standard input has no name to take a title from: the output's.
    std::optional<SoundInput> input;
    if (file == "-")
        input.emplace(file, *standardInput, console::stem(options.output));
    else
        input.emplace(file);
    const ConversionOutcome outcome = job.convert(*input, plan);
    int code = report(file, outcome, plan);
    if (code == kExitWritten)
        writtenFrom[targetKey] = file;
    if (outcome.waiting) {
        // Counted once it is in place.
        waiting.push_back({index, file, target, targetKey, outcome.bytes});
        code = kExitRefused;
    }
    return code;
}

// The lines of a conversion's outcome; its exit status.
int ConvertCommand::report(const std::string& file, const ConversionOutcome& outcome, const ConversionPlan& plan)
{
    const int code = exitCode(outcome);
    if (outcome.kind == ConversionOutcome::Kind::written && !outcome.waiting)
        lines.success(ConversionJob::successText(platform, outcome.bytes));
    else if (code == kExitRefused)
        lines.error(platform.messageText(outcome.message()));
    else if (outcome.refusal == Refusal::rateNotAllowed)
        lines.error("--rate " + std::to_string(plan.rate.value_or(0)) + " needs a sound of " +
                    std::to_string(SettingsRules::kHighRate) + " Hz or more (this one has " +
                    std::to_string(outcome.sound.sampleRate) + " Hz)");
    else if (outcome.refusal == Refusal::titleUnreadable)
        lines.error("the file name is neither in the character set of the locale nor UTF-8, so it cannot be the "
                    "title; give one with --title");
    else if (code == kExitUsage)
        lines.error("the settings cannot be applied to this sound");
    lines.clearProgress();
    if (outcome.endedEarly)
        printText(stderr, "korvel-cli: %s: the file ends early: %.2f s of sound read\n", file.c_str(), *outcome.endedEarly);
    if (outcome.cut)
        printText(stderr, "korvel-cli: %s: only the first %.2f s fit; choose with --start/--length\n", file.c_str(),
                  outcome.sound.longestPart);
    if (code == kExitStopped)
        printText(stderr,
                  "korvel-cli: %s: no file written: a conversion stage stopped (for example, the Tessal file "
                  "would be larger than the sound file)\n",
                  file.c_str());
    if (code == kExitUsage)
        writeText(stderr, kTryHelp);
    return code;
}

void ConvertCommand::commitBatch()
{
    if (waiting.empty())
        return;
    const std::vector<FileResult> results = batch.commit();
    lines.clearProgress();
    for (std::size_t i = 0; i < waiting.size(); ++i) {
        const Waiting& w = waiting[i];
        lines.nameFile(w.file, w.target);
        if (results[i] == FileResult::ok) {
            lines.success(ConversionJob::successText(platform, w.bytes));
            codes[w.index] = kExitWritten;
        } else {
            lines.error(platform.messageText(kMsgCannotSave));
            writtenFrom.erase(w.targetKey);
        }
    }
    waiting.clear();
}

}  // namespace korvel
