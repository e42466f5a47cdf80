#include "pipeline/ConversionHost.h"

namespace korvel {

ConversionHost::~ConversionHost() = default;

}  // namespace korvel
