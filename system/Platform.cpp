#include "system/Platform.h"

#include "system/Messages.h"

namespace korvel {

Platform::~Platform() = default;

FileResult Platform::writeFile(const std::string& path, const std::uint8_t* data, std::size_t size,
                        std::unique_ptr<OutputFile>& file)
{
    FileResult result = createFile(path, file);
    if (result == FileResult::ok)
        result = file->write(data, size);
    if (result != FileResult::ok)
        file.reset();
    return result;
}

FileResult Platform::replaceFile(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    std::unique_ptr<OutputFile> file;
    const FileResult result = writeFile(path, data, size, file);
    return result == FileResult::ok ? file->commit() : result;
}

FileResult Platform::syncFolder(const std::string&)
{
    return FileResult::ok;
}

std::int64_t Platform::readStandardInput(std::uint8_t*, std::size_t)
{
    return -1;
}

FileResult Platform::createSpool(std::unique_ptr<SpoolFile>& spool)
{
    spool.reset();
    return FileResult::cannotOpen;
}

std::string Platform::messageText(int number)
{
    const char* text = korvel::messageText(number, japaneseInterface());
    return text != nullptr ? text : "";
}

}  // namespace korvel
