#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace korvel::console {

// What korvel-cli asks of the system beyond the conversion's own services
// (Platform): names of files and folders, and what standard input and
// output are. Names are the system's bytes on POSIX systems and UTF-8 on
// Windows; this is the one place of korvel-cli that tells the two apart.

enum class Stream { input, output };

// Makes the stream pass bytes as they are (on Windows, no line ends
// changed); nothing to do elsewhere.
void writeBytesAsTheyAre(std::FILE* stream);

// True when the path leads to what standard input or output is (a file
// redirected to it, a link such as /dev/stdout, the terminal or pipe it is).
bool namesStandardStream(const std::string& path, Stream stream);

// The last part of a name ("b.wav" of "a/b.wav"), and that without its
// extension ("b").
std::string fileName(const std::string& path);
std::string stem(const std::string& path);
// The folder of a name ("a" of "a/b.wav"; empty for "b.wav").
std::string folderOf(const std::string& path);
// The name of a file in a folder.
std::string inFolder(const std::string& folder, const std::string& name);
// The name with another extension (".wav").
std::string withExtension(const std::string& path, const char* extension);

bool isFolder(const std::string& path);
// True when anything has the name, a link that leads nowhere among them.
bool exists(const std::string& path);
bool nameTaken(const std::string& path);
// True when both names lead to one file.
bool sameFile(const std::string& a, const std::string& b);
// One spelling of every name of a file, as far as it can be had.
std::string canonicalName(const std::string& path);

}  // namespace korvel::console
