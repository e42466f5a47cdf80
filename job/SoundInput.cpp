#include "job/SoundInput.h"

#include "formats/InputFile.h"

namespace korvel {

SoundInput::SoundInput(std::string path) : name(std::move(path)) {}

SoundInput::SoundInput(std::string path, InputFile& file, std::string baseName)
    : name(std::move(path)), givenBase(std::move(baseName)), opened(&file)
{
}

SoundInput::~SoundInput() = default;

void SoundInput::keep(std::unique_ptr<InputFile> file)
{
    owned = std::move(file);
    opened = owned.get();
}

void SoundInput::close()
{
    if (owned)
        opened = nullptr;
    owned.reset();
    checkedUnder.reset();
}

const SoundCheck* SoundInput::checked(ReadPolicy policy) const
{
    return checkedUnder == policy ? &check : nullptr;
}

void SoundInput::remember(ReadPolicy policy, SoundCheck made)
{
    checkedUnder = policy;
    check = std::move(made);
}

}  // namespace korvel
