#include "formats/SampleSource.h"

#include <cstddef>

namespace korvel {

SampleSource::~SampleSource() = default;

int SampleSource::seekFrame(std::int64_t)
{
    return 0;
}

int SampleSource::fill(std::int16_t* destination, int frames)
{
    int filled = 0;
    while (filled < frames) {
        const int n = read(destination + static_cast<std::size_t>(filled) * format.channels, frames - filled);
        if (n < 0)
            return n;
        if (n == 0)
            break;
        filled += n;
    }
    return filled;
}

}  // namespace korvel
