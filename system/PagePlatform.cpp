#include "system/PagePlatform.h"

#include <memory>
#include <utility>

#include "system/OutputFile.h"

namespace korvel {

namespace {

// The file being written: its bytes reach the platform only on commit, so
// that a conversion that fails leaves the last file as it was.
class MemoryOutput : public OutputFile {
public:
    explicit MemoryOutput(std::vector<std::uint8_t>& target) : target(target) {}

    FileResult write(const std::uint8_t* data, std::size_t size) override
    {
        bytes.insert(bytes.end(), data, data + size);
        return FileResult::ok;
    }
    FileResult commit() override
    {
        target = std::move(bytes);
        return FileResult::ok;
    }

private:
    std::vector<std::uint8_t>& target;
    std::vector<std::uint8_t> bytes;
};

}  // namespace

PagePlatform::PagePlatform(bool japanese) : japanese(japanese) {}

FileResult PagePlatform::openFile(const std::string&, std::unique_ptr<InputFile>& file)
{
    file.reset();
    return FileResult::cannotOpen;
}

FileResult PagePlatform::openStandardInput(std::unique_ptr<InputFile>& file)
{
    file.reset();
    return FileResult::cannotOpen;
}

FileResult PagePlatform::createFile(const std::string&, std::unique_ptr<OutputFile>& file)
{
    file = std::make_unique<MemoryOutput>(output);
    return FileResult::ok;
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
