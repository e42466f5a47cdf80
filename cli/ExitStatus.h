#pragma once

namespace korvel {

// korvel-cli's exit statuses.
inline constexpr int kExitWritten = 0;
inline constexpr int kExitRefused = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitStopped = 3;

// What follows the one line of a usage error.
inline constexpr const char* kTryHelp = "Try 'korvel-cli --help'.\n";

}  // namespace korvel
