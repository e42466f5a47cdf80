#pragma once

#include <string>
#include <string_view>

namespace korvel {

// The Windows build carries every name and text as UTF-8 and speaks UTF-16
// to the system: these convert at that edge. A sequence that cannot be
// converted becomes U+FFFD, as the system's own conversion makes it.
std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view wide);

}  // namespace korvel
