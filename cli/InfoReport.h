#pragma once

#include <string>

#include "tessal/TessalReader.h"

namespace korvel {

// What "korvel-cli info" prints of a read file: a few lines for a person,
// or one JSON object in UTF-8.
std::string infoText(const std::string& name, const TessalFile& file);
std::string infoJson(const std::string& name, const TessalFile& file);

}  // namespace korvel
