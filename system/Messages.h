#pragma once

namespace korvel {

// The string-table numbers of the messages. 3, 7, 8 and 9 are not used.
inline constexpr int kMsgCannotOpen = 1;
inline constexpr int kMsgBadExtension = 2;
inline constexpr int kMsgFormatNotSupported = 4;
inline constexpr int kMsgCannotSave = 5;
inline constexpr int kMsgFileSize = 6;
inline constexpr int kMsgPathTooLong = 10;
inline constexpr int kMsgPlayTimeTooShort = 11;
inline constexpr int kMsgDiskSpace = 12;
inline constexpr int kMsgRateNotSupported = 13;
inline constexpr int kMsgWidthNotSupported = 14;
inline constexpr int kMsgChannelsNotSupported = 15;

// The text of a message in English or Japanese (UTF-8); nullptr for a
// number that has no message.
const char* messageText(int number, bool japanese);

}  // namespace korvel
