#pragma once

#include <cstdint>

namespace korvel::tessal {

// Chunk identifiers of a Tessal file, exactly as they stand in it: mixed
// case, and in "ATR", "Awa", "MTR", "Mwa", "Pro" and "Dch" a number as the
// fourth byte. Every chunk is the identifier, a big-endian size of the bytes
// after the size field, and the body.
inline constexpr char kFileId[] = "MMMD";
inline constexpr char kContentsId[] = "CNTI";
inline constexpr char kOptionDataId[] = "OPDA";
inline constexpr std::uint8_t kAudioTrackId[4] = {'A', 'T', 'R', 0x00};  // track 0
inline constexpr char kSeekPhraseId[] = "AspI";
inline constexpr char kAudioSequenceId[] = "Atsq";
inline constexpr std::uint8_t kAudioWaveId[4] = {'A', 'w', 'a', 0x01};
inline constexpr char kMusicTrackId[] = "MTR";  // followed by the track number
inline constexpr char kSetupId[] = "Mtsu";
inline constexpr char kMusicSequenceId[] = "Mtsq";
inline constexpr char kStreamId[] = "Mtsp";
inline constexpr std::uint8_t kMusicWaveId[4] = {'M', 'w', 'a', 0x01};
inline constexpr std::uint8_t kProId[4] = {'P', 'r', 'o', 0x05};
inline constexpr std::uint8_t kDataChunkId[4] = {'D', 'c', 'h', 0xFF};

static_assert(sizeof(kFileId) == 5 && sizeof(kContentsId) == 5 && sizeof(kSeekPhraseId) == 5);

// The file ends with the CRC-16 of every byte before it, big-endian.
inline constexpr int kCrcBytes = 2;
static_assert(kCrcBytes * 8 == 16);

// Timebase codes: ticks of 4, 5, 10 and 20 ms. The audio track uses 4 ms.
inline constexpr int kTimebase4ms = 0x02;
inline constexpr int kTimebase5ms = 0x03;
inline constexpr int kTimebase10ms = 0x10;
inline constexpr int kTimebase20ms = 0x11;

// At most 16510 ticks of 4 ms, 66.04 s, of sound go into one file; longer
// input is cut to (rate x 66040 / 1000) / 2 ADPCM bytes.
inline constexpr int kMaxTicks = 16510;
inline constexpr int kMaxPlayMs = 66040;
static_assert((kMaxPlayMs + 3) / 4 == kMaxTicks);

// The wave-type bytes of the audio track: 4-bit ADPCM, mono, at each rate.
inline constexpr std::uint8_t kWaveType4000 = 0x10;
inline constexpr std::uint8_t kWaveType8000 = 0x11;

// The "R5:" entry that opens the contents information: its value is a zero byte.
inline constexpr std::uint8_t kVersionEntry[5] = {'R', '5', ':', 0x00, ','};

// The head of "CNTI": contents class 0, the contents type (1 for the audio
// track), then for the audio track the code type, the copy status and a
// copy count of 0. A music track's head has no more than these five bytes.
inline constexpr std::uint8_t kContentsClass = 0x00;
inline constexpr std::uint8_t kContentsTypeAudio = 0x01;
inline constexpr int kContentsHeadBytes = 5;

// The music-track files: the contents type in "CNTI" and the number of the
// "MTR" track tell the two variants apart; the second has a "Pro" chunk.
inline constexpr std::uint8_t kContentsTypeMusic = 0x32;
inline constexpr std::uint8_t kContentsTypeMusicPro = 0x34;
inline constexpr std::uint8_t kTrackNumberMusic = 5;
inline constexpr std::uint8_t kTrackNumberMusicPro = 6;
static_assert(kContentsTypeMusicPro - kContentsTypeMusic == 2 && kTrackNumberMusicPro - kTrackNumberMusic == 1);

// What opens the audio track's sequence, before the play length in ticks
// (one or two bytes) and that length plus one.
inline constexpr std::uint8_t kAudioSequenceStart[] = {0x01, 0x00, 0x37, 0x7F, 0x01, 0x01};
static_assert(sizeof(kAudioSequenceStart) == 6);

// The music track: a head of four bytes and sixteen zero bytes, then the
// setup, then the sequence: these events, the play length twice as
// variable-length quantities, and the end of the track.
inline constexpr std::uint8_t kMusicTrackHead[] = {0x02, 0x00, 0x02, 0x02};
inline constexpr int kMusicTrackHeadBytes = 20;
inline constexpr std::uint8_t kMusicSequenceStart[] = {0x00, 0xF0, 0x07, 0x43, 0x79, 0x06, 0x7F, 0x00, 0x64,
                                                       0xF7, 0x00, 0xB0, 0x00, 0x7D, 0x00, 0xB0, 0x20, 0x00,
                                                       0x00, 0xC0, 0x00, 0x00, 0x90, 0x00, 0x7F};
static_assert(sizeof(kMusicTrackHead) + 16 == kMusicTrackHeadBytes && sizeof(kMusicSequenceStart) == 25);

// The audio track's sequence ends with this: the end of the track, then the
// four zero bytes at which the stop point of "AspI" points.
inline constexpr std::uint8_t kAudioSequenceEnd[] = {0xFF, 0x00, 0x00, 0x00, 0x00, 0x00};
// "AspI" holds the start and the stop point after these marks, 16 bytes in all.
inline constexpr char kStartPointMark[] = "st:";
inline constexpr char kStopPointMark[] = "sp:";
inline constexpr std::uint32_t kSeekPhraseBytes = 16;
static_assert(kSeekPhraseBytes == 2 * (sizeof(kStartPointMark) - 1 + 4 + 1));

// The music tracks' contents information: contents class 0, the contents
// type, then these three bytes (no tags follow).
inline constexpr std::uint8_t kMusicContentsTail[] = {0x01, 0xF8, 0x00};
static_assert(2 + sizeof(kMusicContentsTail) == kContentsHeadBytes);
// Their option data: a "Dch" block of one entry "ES" of two bytes, then the
// two check entries; the block's length counts all three.
inline constexpr std::uint8_t kMusicOptionEntry[] = {'E', 'S', 0x00, 0x01, 0xF8};
inline constexpr std::uint32_t kMusicOptionBytes = sizeof(kMusicOptionEntry) + 2 * (2 + 2 + 6);
static_assert(kMusicOptionBytes == 25);
// The setup of the music track: two system-exclusive messages.
inline constexpr std::uint8_t kMusicSetup[] = {0xF0, 0x06, 0x43, 0x79, 0x06, 0x7F, 0x7F, 0xF7,
                                               0xF0, 0x07, 0x43, 0x79, 0x06, 0x7F, 0x07, 0x01, 0xF7};
static_assert(sizeof(kMusicSetup) == 17);
// The end of the music track's sequence.
inline constexpr std::uint8_t kMusicSequenceEnd[] = {0xFF, 0x2F, 0x00};

// The format byte of a stream wave: 4-bit ADPCM, bit 7 set for stereo.
inline constexpr std::uint8_t kStreamFormatMono = 0x20;
inline constexpr std::uint8_t kStreamFormatStereo = 0xA0;
static_assert(kStreamFormatStereo == (kStreamFormatMono | 0x80));

}  // namespace korvel::tessal

namespace korvel::tessal {

// The contents-information tags in the order they are written, with the
// record slot each one takes its text from. Slots 9 and 10 are not written.
struct ContentTag {
    int slot;
    char tag[3];
};
inline constexpr ContentTag kContentTags[] = {
    {0, "VN"}, {1, "CN"}, {2, "CA"}, {3, "ST"}, {4, "AN"}, {5, "WW"},
    {6, "SW"}, {7, "AW"}, {8, "CR"}, {11, "CD"}, {12, "UD"},
};
static_assert(sizeof(kContentTags) / sizeof(kContentTags[0]) == 11);

// The check entries: the two characters follow each prefix and come from
// checkDigits of the track ("A0") and of the contents chunk itself ("A2").
// In the option data of the music tracks each is a tagged entry of six
// bytes, "Qk20" and the two characters ("00" until they are filled).
inline constexpr char kTrackCheckTag[] = "A0";
inline constexpr char kContentsCheckTag[] = "A2";
inline constexpr char kCheckMark[] = "QK20";
inline constexpr char kTrackCheckEntry[] = "A0:QK20";
inline constexpr char kContentsCheckEntry[] = "A2:QK20";
inline constexpr char kOptionCheckValue[] = "Qk2000";
static_assert(sizeof(kTrackCheckEntry) == sizeof(kTrackCheckTag) + 1 + sizeof(kCheckMark) - 1 && sizeof(kOptionCheckValue) == 7);

}  // namespace korvel::tessal
