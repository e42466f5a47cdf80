#include "system/PagePlatform.h"

#include <memory>
#include <utility>

#include "formats/ImageFile.h"
#include "system/OutputFile.h"

namespace korvel {

namespace {

// The file being written: its bytes reach the platform only on commit, so
// that a conversion that fails leaves the last file as it was.
class MemoryOutput : public OutputFile {
public:
    explicit MemoryOutput(std::vector<std::uint8_t>& target) : target(target) {}

    int write(const std::uint8_t* data, std::size_t size) override
    {
        bytes.insert(bytes.end(), data, data + size);
        return Platform::kFileOk;
    }
    int commit() override
    {
        target = std::move(bytes);
        return Platform::kFileOk;
    }

private:
    std::vector<std::uint8_t>& target;
    std::vector<std::uint8_t> bytes;
};

}  // namespace

PagePlatform::PagePlatform(std::string name, std::span<const std::uint8_t> image, bool japanese)
    : name(std::move(name)), image(image), japanese(japanese)
{
}

int PagePlatform::openFile(const std::string& path, std::unique_ptr<InputFile>& file)
{
    file.reset();
    if (path != name)
        return kFileCannotOpen;
    file = std::make_unique<ImageFile>(image);
    return kFileOk;
}

int PagePlatform::openStandardInput(std::unique_ptr<InputFile>& file)
{
    file.reset();
    return kFileCannotOpen;
}

int PagePlatform::createFile(const std::string&, std::unique_ptr<OutputFile>& file)
{
    file = std::make_unique<MemoryOutput>(output);
    return kFileOk;
}

double PagePlatform::queryFreeSpace(const PathParts&)
{
    return 1e18;
}

void PagePlatform::useUserLocale() {}

bool PagePlatform::japaneseInterface()
{
    return japanese;
}

}  // namespace korvel
