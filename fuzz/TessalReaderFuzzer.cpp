// The file reader of "korvel-cli info" on any image: it must answer for
// every image without reading outside it, and what it reports must lie
// inside the image.

#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzChecks.h"
#include "tessal/TessalReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const korvel::TessalFile file = korvel::readTessal({data, size});
    KORVEL_FUZZ_CHECK(file.length == size);
    for (const korvel::TessalChunk& chunk : file.chunks)
        KORVEL_FUZZ_CHECK(chunk.offset < size);
    if (file.hasAudio())
        KORVEL_FUZZ_CHECK(file.adpcmOffset <= size && file.adpcmLength <= size - file.adpcmOffset);
    for (std::size_t i = 1; i < file.faults.size(); ++i)
        KORVEL_FUZZ_CHECK(file.faults[i - 1].offset <= file.faults[i].offset);
    return 0;
}
