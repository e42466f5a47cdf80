// korvel-cli as it is, but on a platform that puts written files in place
// without waiting for the disk: tools/compare-speed measures the conversion
// beside the whole command with it. Nothing else changes.

#include <clocale>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "system/PosixPlatform.h"

namespace {

class NoSyncPlatform : public korvel::PosixPlatform {
protected:
    bool waitsForTheDisk() const override { return false; }
};

}  // namespace

int main(int argc, char** argv)
{
    std::setlocale(LC_CTYPE, "");
    static NoSyncPlatform platform;
    return korvel::runCommandLine(std::vector<std::string>(argv + 1, argv + argc), platform);
}
