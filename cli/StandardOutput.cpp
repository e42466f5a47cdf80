#include "cli/StandardOutput.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "system/Platform.h"

namespace korvel {

StandardOutput::StandardOutput()
{
#ifdef _WIN32
    // Sound data is not text: no line ends may be changed on the way.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
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
