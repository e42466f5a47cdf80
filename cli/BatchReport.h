#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <string>

namespace korvel {

// What korvel-cli says of each file it converts: success lines on standard
// output (unless quiet), refusals on standard error, each naming its file.
//
// A batch of several files that takes longer than a second shows which
// file it is at on a line of its own on standard error, when that is a
// terminal; every other line there first clears it.
class BatchReport {
public:
    BatchReport(std::size_t files, bool quiet, std::FILE* out, std::FILE* err);

    // Names the file of the next conversion in the lines; `written` starts
    // its success line when the batch has several files (empty: none).
    void beginFile(const std::string& file, const std::string& written);
    // Names the file of the next lines as beginFile does, without moving
    // the progress on: for files reported after their conversion.
    void nameFile(const std::string& file, const std::string& written);
    // Clears the progress line before a line of the caller's own.
    void clearProgress();

    void success(const std::string& text);
    // "korvel-cli: FILE: text".
    void error(const std::string& text);

private:
    std::size_t total;
    bool quiet;
    std::FILE* out;
    std::FILE* err;
    std::string file;
    std::string successPrefix;
    bool errIsTerminal;
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
    std::size_t begun = 0;
    bool progressShown = false;
};

}  // namespace korvel
