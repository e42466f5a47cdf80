#include "job/ConversionHost.h"

namespace korvel {

ConversionHost::~ConversionHost() = default;

}  // namespace korvel
