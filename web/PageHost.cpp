#include "web/PageHost.h"

namespace korvel {

ConversionSettings PageHost::askSettings(const std::string& name, int rate)
{
    askedName = name;
    askedRate = rate;
    return settings.value_or(ConversionSettings{});
}

ScreenPoint PageHost::showMessage(MessageKind shown, const std::string& message)
{
    kind = shown;
    text = message;
    return {};
}

}  // namespace korvel
