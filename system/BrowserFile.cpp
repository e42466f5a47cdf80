#include "system/BrowserFile.h"

#include <algorithm>
#include <cstring>

namespace korvel {

using emscripten::val;

BrowserFile::BrowserFile(val blob) : blob(std::move(blob))
{
    length = static_cast<std::int64_t>(this->blob["size"].as<double>());
}

int BrowserFile::readAt(std::int64_t offset, std::uint8_t* destination, int count)
{
    if (offset < 0 || count < 0)
        return -1;
    if (offset >= length || count == 0)
        return 0;
    if (sliceAt < 0 || offset < sliceAt || offset >= sliceAt + static_cast<std::int64_t>(slice.size())) {
        const std::int64_t end = std::min(length, offset + kSliceBytes);
        const val part = blob.call<val>("slice", static_cast<double>(offset), static_cast<double>(end));
        // A file changed or removed since it was chosen cannot be read: the
        // browser throws, which reaches here as a failed read.
        const val bytes = val::module_property("readSlice")(part);
        if (bytes.isNull() || bytes.isUndefined())
            return -1;
        slice.resize(bytes["length"].as<std::size_t>());
        val(emscripten::typed_memory_view(slice.size(), slice.data())).call<void>("set", bytes);
        sliceAt = offset;
        if (slice.empty())
            return -1;
    }
    const std::size_t from = static_cast<std::size_t>(offset - sliceAt);
    const std::size_t n = std::min(static_cast<std::size_t>(count), slice.size() - from);
    std::memcpy(destination, slice.data() + from, n);
    return static_cast<int>(n);
}

}  // namespace korvel
