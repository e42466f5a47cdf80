#include "pipeline/Platform.h"

#include "pipeline/Messages.h"

namespace korvel {

Platform::~Platform() = default;

std::string Platform::messageText(int number)
{
    const char* text = korvel::messageText(number, japaneseInterface());
    return text != nullptr ? text : "";
}

}  // namespace korvel
