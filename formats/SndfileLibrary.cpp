#include "formats/SndfileLibrary.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <mutex>

namespace korvel {

namespace {

// The name of the library with the interface the header describes.
constexpr char kLibraryName[] = "libsndfile.so.1";

template <class Function>
bool find(void* library, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(::dlsym(library, name));
    return function != nullptr;
}

}  // namespace

const SndfileLibrary* SndfileLibrary::get()
{
    static SndfileLibrary functions{};
    static bool loaded = false;
    static std::once_flag once;
    std::call_once(once, [] {
        // Kept for the life of the process, like a library linked in.
        void* library = ::dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr)
            return;
        loaded = find(library, "sf_open_virtual", functions.openVirtual) && find(library, "sf_close", functions.close) &&
                 find(library, "sf_get_string", functions.getString) &&
                 find(library, "sf_readf_int", functions.readInt) &&
                 find(library, "sf_readf_float", functions.readFloat) && find(library, "sf_error", functions.error) &&
                 find(library, "sf_seek", functions.seek);
    });
    return loaded ? &functions : nullptr;
}

SndfileLibrary::Quiet::Quiet()
{
    const int nowhere = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (nowhere < 0)
        return;
    saved = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    if (saved >= 0 && ::dup2(nowhere, STDERR_FILENO) < 0) {
        ::close(saved);
        saved = -1;
    }
    ::close(nowhere);
}

SndfileLibrary::Quiet::~Quiet()
{
    if (saved < 0)
        return;
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
}

}  // namespace korvel
