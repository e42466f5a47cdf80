#include "tessal/OutputWriter.h"

namespace korvel {

OutputWriter::~OutputWriter() = default;

}  // namespace korvel
