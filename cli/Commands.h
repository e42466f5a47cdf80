#pragma once

#include <string>
#include <vector>

namespace korvel {

class Platform;

// Runs korvel-cli's command line (the arguments after the program's name,
// as the program carries its texts) on the platform's services; returns
// the exit status. Running out of memory ends the command, and what was
// printed must have arrived.
int runCommandLine(const std::vector<std::string>& arguments, Platform& platform);

}  // namespace korvel
