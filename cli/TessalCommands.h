#pragma once

#include "cli/CommandLine.h"

namespace korvel {

class Platform;

// "korvel-cli info": prints what each Tessal file holds; 0 when every file
// is sound, else 1.
int infoCommand(const InspectOptions& options, Platform& platform);

// "korvel-cli decode": writes the sound of a Tessal file as a WAV file,
// never over the file itself; "-" as the output writes it to standard
// output.
int decodeCommand(const InspectOptions& options, Platform& platform);

}  // namespace korvel
