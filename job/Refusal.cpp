#include "job/Refusal.h"

#include "system/Messages.h"

namespace korvel {

int messageNumber(Refusal refusal)
{
    switch (refusal) {
    case Refusal::pathTooLong:
        return kMsgPathTooLong;
    case Refusal::badExtension:
        return kMsgBadExtension;
    case Refusal::cannotOpen:
        return kMsgCannotOpen;
    case Refusal::formatNotSupported:
        return kMsgFormatNotSupported;
    case Refusal::rateNotSupported:
        return kMsgRateNotSupported;
    case Refusal::widthNotSupported:
        return kMsgWidthNotSupported;
    case Refusal::channelsNotSupported:
        return kMsgChannelsNotSupported;
    case Refusal::playTimeTooShort:
        return kMsgPlayTimeTooShort;
    case Refusal::diskSpace:
        return kMsgDiskSpace;
    case Refusal::cannotSave:
        return kMsgCannotSave;
    default:
        return 0;
    }
}

}  // namespace korvel
