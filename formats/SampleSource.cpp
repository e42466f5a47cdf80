#include "formats/SampleSource.h"

namespace korvel {

SampleSource::~SampleSource() = default;

int SampleSource::seekFrame(int)
{
    return 0;
}

}  // namespace korvel
