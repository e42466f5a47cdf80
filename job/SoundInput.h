#pragma once

#include <memory>
#include <optional>
#include <string>

#include "job/ConversionPlan.h"
#include "job/SoundCheck.h"

namespace korvel {

class InputFile;

// A sound to convert, by its path or as a file already open (standard
// input), which the path then only names. Once checked it stays open with
// its check, so that a conversion after ConversionJob::inspect reads the
// file that was checked, even where it is renamed, deleted or cut short
// meanwhile, and is not checked again.
class SoundInput {
public:
    explicit SoundInput(std::string path);
    // opened is not owned and must outlive the input; baseName stands in
    // for the path's base name as the default title.
    SoundInput(std::string path, InputFile& opened, std::string baseName);
    ~SoundInput();

    const std::string& path() const { return name; }
    const std::string& baseName() const { return givenBase; }

    // The file once opened (or given), else null.
    InputFile* file() const { return opened; }
    void keep(std::unique_ptr<InputFile> file);
    // Lets go of a file it opened, and of its check.
    void close();

    // The check made under the policy, if one was.
    const SoundCheck* checked(ReadPolicy policy) const;
    void remember(ReadPolicy policy, SoundCheck check);

private:
    std::string name;
    std::string givenBase;
    InputFile* opened = nullptr;
    std::unique_ptr<InputFile> owned;
    std::optional<ReadPolicy> checkedUnder;
    SoundCheck check;
};

}  // namespace korvel
