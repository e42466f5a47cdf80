#include "pipeline/Platform.h"

namespace korvel {

Platform::~Platform() = default;

}  // namespace korvel
