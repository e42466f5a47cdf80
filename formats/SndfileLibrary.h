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

    // While one lives, what the library's codecs write to standard error
    // of their own accord goes nowhere: libmpg123 warns there about the
    // sizes and tags of a damaged MP3 file, in words that are not the
    // program's. What matters (a sound that ends early) the program says
    // itself. No other thread of the program writes to standard error
    // while the library is called.
    class Quiet {
    public:
        Quiet();
        ~Quiet();
        Quiet(const Quiet&) = delete;
        Quiet& operator=(const Quiet&) = delete;

    private:
        int saved = -1;
    };
};

}  // namespace korvel
