#pragma once

namespace korvel {

// What a service of the system's files came to.
enum class FileResult {
    ok,
    cannotOpen,   // the name cannot be opened or made at all
    cannotRead,   // opened, but not a regular file, or its size cannot be had
    cannotWrite,  // a write, a sync or the commit failed
    readOnly,     // a regular file that may not be replaced
    // Not a failure: standard input is a pipe or a terminal, read with
    // Platform::readStandardInput.
    isStream,
    // Not a failure: the file is written whole and waits for the commit of
    // its batch (WriteBatch).
    waiting,
};

}  // namespace korvel
