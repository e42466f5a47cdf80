#pragma once

#include <string>

#include "ui/ShapeRuns.h"

namespace korvel::test {

// The pixels of a 24-bit BMP file (rows bottom-up, padded to four bytes),
// or an empty grid when the file is not one.
PixelGrid readBmp(const std::string& path);

}  // namespace korvel::test
