#include "cli/StandardOutput.h"

#include "cli/Console.h"
#include "system/Platform.h"

namespace korvel {

StandardOutput::StandardOutput()
{
    // Sound data is not text: no line ends may be changed on the way.
    console::writeBytesAsTheyAre(stdout);
}

FileResult StandardOutput::write(const std::uint8_t* data, std::size_t size)
{
    return std::fwrite(data, 1, size, stdout) == size ? FileResult::ok : FileResult::cannotWrite;
}

FileResult StandardOutput::commit()
{
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? FileResult::ok : FileResult::cannotWrite;
}

}  // namespace korvel
