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

// The caller's sound, opened as often as the job opens it.
class BorrowedFile : public InputFile {
public:
    explicit BorrowedFile(InputFile& file) : file(file) {}
    std::int64_t size() const override { return file.size(); }
    int readAt(std::int64_t offset, std::uint8_t* destination, int count) override
    {
        return file.readAt(offset, destination, count);
    }

private:
    InputFile& file;
};

}  // namespace

PagePlatform::PagePlatform(std::string name, InputFile& sound, bool japanese)
    : name(std::move(name)), sound(sound), japanese(japanese)
{
}

FileResult PagePlatform::openFile(const std::string& path, std::unique_ptr<InputFile>& file)
{
    file.reset();
    if (path != name)
        return FileResult::cannotOpen;
    file = std::make_unique<BorrowedFile>(sound);
    return FileResult::ok;
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
