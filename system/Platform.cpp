#include "system/Platform.h"

#include "system/Messages.h"

namespace korvel {

Platform::~Platform() = default;

int Platform::writeFile(const std::string& path, const std::uint8_t* data, std::size_t size,
                        std::unique_ptr<OutputFile>& file)
{
    int result = createFile(path, file);
    if (result == kFileOk)
        result = file->write(data, size);
    if (result != kFileOk)
        file.reset();
    return result;
}

int Platform::replaceFile(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    std::unique_ptr<OutputFile> file;
    const int result = writeFile(path, data, size, file);
    return result == kFileOk ? file->commit() : result;
}

int Platform::syncFolder(const std::string&)
{
    return kFileOk;
}

std::int64_t Platform::readStandardInput(std::uint8_t*, std::size_t)
{
    return -1;
}

int Platform::createSpool(std::unique_ptr<SpoolFile>& spool)
{
    spool.reset();
    return kFileCannotOpen;
}

std::string Platform::messageText(int number)
{
    const char* text = korvel::messageText(number, japaneseInterface());
    return text != nullptr ? text : "";
}

}  // namespace korvel
