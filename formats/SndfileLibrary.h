#pragma once

#include <sndfile.h>

namespace korvel {

// The functions of libsndfile that the reader uses, loaded the first time a
// file needs them. The library brings a codec library for every format it
// reads, and loading them all costs a conversion of a WAV or AIFF file that
// the program's own readers take more time than it spends on its first
// tenth of the sound; such a conversion never loads them.
struct SndfileLibrary {
    decltype(&sf_open_virtual) openVirtual;
    decltype(&sf_close) close;
    decltype(&sf_get_string) getString;
    decltype(&sf_readf_int) readInt;
    decltype(&sf_readf_float) readFloat;
    decltype(&sf_error) error;
    decltype(&sf_seek) seek;

    // The library, loaded once for the process; nullptr when the system
    // has none (every file then is one that libsndfile cannot read).
    static const SndfileLibrary* get();
};

}  // namespace korvel
