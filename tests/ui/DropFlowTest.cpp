#include "ui/DropFlow.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <set>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>
#ifdef KORVEL_HAVE_SNDFILE
#include <sndfile.h>
#endif

#include "job/SoundCheck.h"
#include "job/SoundInput.h"
#include "ui/DesktopWindow.h"
#ifdef _WIN32
#include "system/Win32Platform.h"
#else
#include "system/PosixPlatform.h"
#endif
#include "tests/support/FileContents.h"
#include "tests/support/ImageBuilder.h"
#include "tests/support/VectorSource.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;
using Calls = std::vector<std::string>;

// Records every call as a line of text and answers the dialogs with fixed values.
class RecordingHost : public DesktopWindow {
public:
    void setAcceptDrops(bool on) override { calls.push_back(on ? "drops on" : "drops off"); }
    void collapseAt(std::optional<ScreenPoint> p) override
    {
        calls.push_back(p ? "collapse " + std::to_string(p->x) + "," + std::to_string(p->y) : "collapse");
    }
    void restoreAt(ScreenPoint p, bool redraw) override
    {
        calls.push_back("restore " + std::to_string(p.x) + "," + std::to_string(p.y) + (redraw ? " redraw" : ""));
    }
    DialogAnswer askSettings(const SoundCheck& sound) override
    {
        calls.push_back("settings " + sound.defaultTitle + " " + std::to_string(sound.sampleRate));
        if (duringSettings)
            duringSettings();
        return answer;
    }
    ScreenPoint showMessage(MessageKind kind, const std::string& text) override
    {
        calls.push_back((kind == MessageKind::error ? "error " : "success ") + text);
        return {300, 400};
    }
    void waitCursor(WaitCursor state) override
    {
        calls.push_back(state == WaitCursor::begin ? "wait" : state == WaitCursor::restore ? "wait again" : "wait end");
    }

    DialogAnswer answer{true, "Title", "(c) Korvel", 8000, 0, {10, 20, 220, 120}};
    // What another program does while the dialog is open.
    std::function<void()> duringSettings;
    Calls calls;
};

#ifdef _WIN32
using NativePlatform = Win32Platform;
#else
using NativePlatform = PosixPlatform;
#endif

// The real file services, with the free space and single failures chosen by the test.
class TestPlatform : public NativePlatform {
public:
    FileResult openFile(const std::string& path, std::unique_ptr<InputFile>& file) override
    {
        if (outOfMemory)
            throw std::bad_alloc();
        if (readResult != FileResult::ok)
            return readResult;
        return NativePlatform::openFile(path, file);
    }
    double queryFreeSpace(const PathParts& path) override
    {
        lastVolume = path.drive + path.directory;
        return freeSpace;
    }
    bool japaneseInterface() override { return japanese; }
    // The texts of the message list in UTF-8, in the language chosen above.
    std::string messageText(int number) override { return Platform::messageText(number); }

    FileResult readResult = FileResult::ok;
    bool outOfMemory = false;
    double freeSpace = 1e12;
    bool japanese = false;
    std::string lastVolume;
};

class DropFlowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("korvel-job-" + std::to_string(std::random_device()()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string write(const std::string& name, const test::Bytes& bytes)
    {
        const fs::path path = dir / name;
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                     static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }
    // Half a second of a tone at 8000 Hz, mono 16-bit.
    std::string writeTone(const std::string& name)
    {
        return write(name, test::wavImage({}, test::samplesLE(test::sine(4000, 440, 8000, 10000))));
    }
    static std::vector<std::uint8_t> readBack(const std::string& path) { return test::readFile(path); }
    Calls convert(const std::string& path)
    {
        host.calls.clear();
        outcome = DropFlow(host, platform).drop(path);
        return host.calls;
    }
    static Calls refusal(const std::string& text)
    {
        return {"wait", "drops off", "collapse", "error " + text, "restore 300,400", "drops on", "wait end"};
    }

    fs::path dir;
    RecordingHost host;
    TestPlatform platform;
    std::optional<ConversionOutcome> outcome;
};

TEST_F(DropFlowTest, WrittenFileIsReportedWithItsSize)
{
    const std::string wav = writeTone("tone.wav");
    const Calls calls = convert(wav);
    const std::vector<std::uint8_t> file = readBack((dir / "tone.mmf").string());
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(calls, (Calls{"wait", "drops off", "collapse", "settings tone 8000", "restore 10,20 redraw", "wait again",
                            "collapse 115,70", "success Tessal File Size : " + ConversionJob::sizeText(file.size()),
                            "restore 300,400 redraw", "drops on", "wait end"}));
    EXPECT_EQ(platform.lastVolume, (dir / "").string());
}

// What the host was shown is also returned, for callers without a window.
TEST_F(DropFlowTest, TheOutcomeIsReturnedAsWellAsShown)
{
    using Kind = ConversionOutcome::Kind;
    const std::string wav = writeTone("tone.wav");
    convert(wav);
    EXPECT_EQ(outcome->kind, Kind::written);
    EXPECT_EQ(outcome->bytes, fs::file_size(dir / "tone.mmf"));
    convert((dir / "song.mp3").string());
    EXPECT_EQ(outcome->kind, Kind::refused);
    EXPECT_EQ(outcome->message(), 2);
    // A rate no file has: the core refuses the plan, which the dialog
    // cannot make; nothing is shown.
    host.answer.outRate = 11025;
    convert(wav);
    EXPECT_EQ(outcome->refusal, Refusal::rateNotAllowed);
    host.answer.accepted = false;
    convert(wav);
    EXPECT_FALSE(outcome);
}

TEST_F(DropFlowTest, RefusalsBeforeTheDialog)
{
    const std::string tone = writeTone("tone.wav");
    struct Row {
        const char* what;
        std::string path;
        std::string message;
    };
    const Row rows[] = {
        {"a path of 260 characters", "/" + std::string(255, 'a') + ".wav", "Filename length exceeds limit"},
        {"a path of 259 characters: opened, and missing", "/" + std::string(254, 'a') + ".wav",
         "Cannot open WAV/AIFF file"},
        {"song.aiff", (dir / "song.aiff").string(), "Extension is not .wav/.aif"},
        {"song.wave", (dir / "song.wave").string(), "Extension is not .wav/.aif"},
        {"no extension", (dir / "song").string(), "Extension is not .wav/.aif"},
        {"a dot in the directory only", (dir / "a.b" / "song").string(), "Extension is not .wav/.aif"},
        {"a missing file", (dir / "missing.wav").string(), "Cannot open WAV/AIFF file"},
        {"not a WAV image", write("text.wav", {'h', 'e', 'l', 'l', 'o'}), "Audio format not supported"},
        {"an AIFF image named .wav", write("aiff.wav", test::aiffImage({.frames = 400}, test::Bytes(800))),
         "Audio format not supported"},
        {"3999 Hz", write("slow.wav", test::wavImage({.sampleRate = 3999}, test::Bytes(800))),
         "Sampling Frequency not supported"},
        {"24 bits", write("wide.aif", test::aiffImage({.frames = 400, .sampleSize = 24}, test::Bytes(1200))),
         "Bits per sample not supported"},
        {"3 channels", write("three.wav", test::wavImage({.channels = 3}, test::Bytes(2400))),
         "Channel count not supported"},
        {"167 frames at 8000 Hz", write("short.wav", test::wavImage({}, test::Bytes(334))), "Inadequate playtime"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(convert(row.path), refusal(row.message)) << row.what;
    EXPECT_TRUE(fs::exists(tone));
}

TEST_F(DropFlowTest, UnreadableInputIsReported)
{
    fs::create_directory(dir / "folder.wav");
    EXPECT_EQ(convert((dir / "folder.wav").string()), refusal("Cannot open WAV/AIFF file"));
    const std::string tone = writeTone("tone.wav");
    platform.readResult = FileResult::cannotRead;
    EXPECT_EQ(convert(tone), refusal("Cannot open WAV/AIFF file"));
    // A sound too large for memory.
    platform.outOfMemory = true;
    EXPECT_EQ(convert(tone), refusal("Audio format not supported"));
}

TEST_F(DropFlowTest, ExtensionsAreComparedWithoutCase)
{
    for (const char* name : {"SONG.WAV", "Song.Aif", "my.song.wav"}) {
        const bool aiff = std::string(name).ends_with("Aif");
        const std::string path =
            aiff ? write(name, test::aiffImage({.frames = 4000}, test::Bytes(8000))) : writeTone(name);
        const Calls calls = convert(path);
        ASSERT_GE(calls.size(), 4u) << name;
        const std::string base = std::string(name).substr(0, std::string(name).rfind('.'));
        EXPECT_EQ(calls[3], "settings " + base + " 8000") << name;
        EXPECT_TRUE(fs::exists(dir / (base + ".mmf"))) << name;
    }
}

TEST_F(DropFlowTest, CancelEndsWithoutFileOrMessage)
{
    const std::string wav = writeTone("tone.wav");
    host.answer.accepted = false;
    EXPECT_EQ(convert(wav), (Calls{"wait", "drops off", "collapse", "settings tone 8000", "restore 10,20 redraw",
                                   "drops on", "wait end"}));
    EXPECT_FALSE(fs::exists(dir / "tone.mmf"));
}

TEST_F(DropFlowTest, FailingStagesEndSilently)
{
    const Calls silent{"wait", "drops off", "collapse", "settings tone 8000", "restore 10,20 redraw", "wait again",
                       "drops on", "wait end"};
    const std::string wav = writeTone("tone.wav");
    // A rate the converter refuses.
    host.answer.outRate = 0;
    EXPECT_EQ(convert(wav), silent);
    // A rate the file cannot describe.
    host.answer.outRate = 11025;
    EXPECT_EQ(convert(wav), silent);
    EXPECT_FALSE(fs::exists(dir / "tone.mmf"));

    // 21 ms of 8-bit sound at 4000 Hz: the file would be larger than the sound file.
    host.answer.outRate = 4000;
    const std::string tiny = write("tiny.wav", test::wavImage({.sampleRate = 4000, .bitsPerSample = 8}, test::Bytes(84, 0x80)));
    EXPECT_EQ(convert(tiny), (Calls{"wait", "drops off", "collapse", "settings tiny 4000", "restore 10,20 redraw",
                                    "wait again", "drops on", "wait end"}));
    EXPECT_FALSE(fs::exists(dir / "tiny.mmf"));
}

TEST_F(DropFlowTest, FreeSpaceMustExceedTheFileSize)
{
    const std::string wav = writeTone("tone.wav");
    convert(wav);
    const auto size = static_cast<double>(fs::file_size(dir / "tone.mmf"));
    fs::remove(dir / "tone.mmf");
    const Calls noSpace{"wait", "drops off", "collapse", "settings tone 8000", "restore 10,20 redraw", "wait again",
                        "collapse", "error Disk space not enough", "restore 300,400", "drops on", "wait end"};
    for (double space : {size, size - 1, 0.0, -1.0}) {
        platform.freeSpace = space;
        EXPECT_EQ(convert(wav), noSpace) << space;
        EXPECT_FALSE(fs::exists(dir / "tone.mmf"));
    }
    platform.freeSpace = size + 1;
    EXPECT_EQ(convert(wav).back(), "wait end");
    EXPECT_EQ(fs::file_size(dir / "tone.mmf"), size);
}

TEST_F(DropFlowTest, ExistingFileIsReplacedAndAFailedWriteKeepsIt)
{
    const std::string wav = writeTone("tone.wav");
    write("tone.mmf", {'o', 'l', 'd'});
    convert(wav);
    EXPECT_GT(fs::file_size(dir / "tone.mmf"), 100u);

    // A target that cannot be replaced: a folder of that name.
    const std::string other = writeTone("other.wav");
    fs::create_directory(dir / "other.mmf");
    fs::path marker = dir / "other.mmf" / "keep";
    std::ofstream(marker) << "kept";
    const Calls calls = convert(other);
    EXPECT_EQ(Calls(calls.end() - 5, calls.end()),
              (Calls{"collapse", "error Cannot save Tessal file", "restore 300,400", "drops on", "wait end"}));
    EXPECT_TRUE(fs::exists(marker));
    // No temporary file is left behind.
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"tone.wav", "tone.mmf", "other.wav", "other.mmf"}));
}

#ifndef _WIN32
// The system calls of the file services fail where a test says: the input
// cannot be read halfway, the temporary file cannot be made, the disk is
// full halfway through the write, the replace fails.
class FaultyPlatform : public TestPlatform {
public:
    ssize_t readSome(int fd, void* buffer, std::size_t size, off_t offset) override
    {
        const std::size_t n = allowed(size, readFailsAfter, bytesRead, EIO);
        const ssize_t got = n == 0 && size > 0 ? -1 : TestPlatform::readSome(fd, buffer, n, offset);
        bytesRead += got > 0 ? got : 0;
        return got;
    }
    ssize_t writeSome(int fd, const void* data, std::size_t size) override
    {
        const std::size_t n = allowed(size, writeFailsAfter, bytesWritten, ENOSPC);
        const ssize_t put = n == 0 && size > 0 ? -1 : TestPlatform::writeSome(fd, data, n);
        bytesWritten += put > 0 ? put : 0;
        return put;
    }
    // How much of size may pass before the limit (-1: no limit); at the
    // limit errno is set for the failure that follows.
    static std::size_t allowed(std::size_t size, ssize_t limit, ssize_t done, int error)
    {
        if (limit < 0)
            return size;
        if (done >= limit) {
            errno = error;
            return 0;
        }
        return std::min(size, static_cast<std::size_t>(limit - done));
    }
    int openUnnamed(const char* directory) override
    {
        if (createFails || unnamedRefused) {
            errno = unnamedRefused ? EOPNOTSUPP : EACCES;
            return -1;
        }
        return TestPlatform::openUnnamed(directory);
    }
    int makeTemporary(char* pattern) override
    {
        if (createFails) {
            errno = EACCES;
            return -1;
        }
        return TestPlatform::makeTemporary(pattern);
    }
    int renameFile(const char* from, const char* to) override
    {
        if (renameFails) {
            errno = EXDEV;
            return -1;
        }
        return TestPlatform::renameFile(from, to);
    }

    ssize_t readFailsAfter = -1;
    ssize_t writeFailsAfter = -1;
    bool createFails = false;
    // The file system makes no unnamed files: a hidden named one is used.
    bool unnamedRefused = false;
    bool renameFails = false;
    ssize_t bytesRead = 0;
    ssize_t bytesWritten = 0;
};

TEST_F(DropFlowTest, FailingFileServicesKeepTheOldFileAndLeaveNothingBehind)
{
    struct Row {
        const char* what;
        void (*fault)(FaultyPlatform&);
        std::string message;
    };
    const Row rows[] = {
        {"a read error halfway", [](FaultyPlatform& p) { p.readFailsAfter = 3000; }, "error Cannot open WAV/AIFF file"},
        {"a read error at once", [](FaultyPlatform& p) { p.readFailsAfter = 0; }, "error Cannot open WAV/AIFF file"},
        {"no temporary file", [](FaultyPlatform& p) { p.createFails = true; }, "error Cannot save Tessal file"},
        {"a full disk halfway", [](FaultyPlatform& p) { p.writeFailsAfter = 700; }, "error Cannot save Tessal file"},
        {"a full disk at once", [](FaultyPlatform& p) { p.writeFailsAfter = 0; }, "error Cannot save Tessal file"},
        {"the replace fails", [](FaultyPlatform& p) { p.renameFails = true; }, "error Cannot save Tessal file"},
    };
    const std::string wav = writeTone("tone.wav");
    for (bool unnamed : {true, false}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(unnamed ? "unnamed new file" : "hidden named new file");
            write("tone.mmf", {'o', 'l', 'd'});
            FaultyPlatform faulty;
            faulty.unnamedRefused = !unnamed;
            row.fault(faulty);
            host.calls.clear();
            DropFlow(host, faulty).drop(wav);
            ASSERT_GE(host.calls.size(), 4u) << row.what;
            EXPECT_EQ(host.calls[host.calls.size() - 4], row.message) << row.what;
            EXPECT_EQ(readBack((dir / "tone.mmf").string()), (std::vector<std::uint8_t>{'o', 'l', 'd'})) << row.what;
            std::set<std::string> names;
            for (const auto& entry : fs::directory_iterator(dir))
                names.insert(entry.path().filename().string());
            EXPECT_EQ(names, (std::set<std::string>{"tone.wav", "tone.mmf"})) << row.what;
        }
    }
    // A real file of 2 GiB (sparse, so it costs no disk) is refused before
    // anything is read or allocated.
    const fs::path big = dir / "big.wav";
    std::ofstream(big).put('R');
    fs::resize_file(big, std::uintmax_t{1} << 31);
    FaultyPlatform plain;
    host.calls.clear();
    DropFlow(host, plain).drop(big.string());
    EXPECT_EQ(host.calls, refusal("Audio format not supported"));
    EXPECT_EQ(plain.bytesRead, 0);
    fs::remove(big);

    // Without a fault the same platform writes the file, either way.
    for (bool unnamed : {true, false}) {
        fs::remove(dir / "tone.mmf");
        FaultyPlatform sound;
        sound.unnamedRefused = !unnamed;
        DropFlow(host, sound).drop(wav);
        EXPECT_GT(fs::file_size(dir / "tone.mmf"), 100u);
        DropFlow(host, sound).drop(wav);
        EXPECT_GT(fs::file_size(dir / "tone.mmf"), 100u);
    }
}

// A recording longer than a file can hold is read only as far as the file
// needs it, at the rate and through the converter alike.
TEST_F(DropFlowTest, ALongRecordingIsReadOnlyAsFarAsTheFileNeedsIt)
{
    // 200 s at 8000 Hz, mono 16-bit: 3.2 MB, of which 66.04 s go into the file.
    const std::string wav = write("long.wav", test::wavImage({}, test::samplesLE(test::sine(1600000, 440, 8000, 10000))));
    const std::int64_t kept = 2 * 528320;
    for (int outRate : {8000, 4000}) {
        host.answer.outRate = outRate;
        FaultyPlatform counted;
        host.calls.clear();
        DropFlow(host, counted).drop(wav);
        EXPECT_EQ(host.calls[7].rfind("success", 0), 0u) << outRate;
        EXPECT_GT(counted.bytesRead, kept) << outRate;
        EXPECT_LT(counted.bytesRead, kept + 300000) << outRate;
    }
#ifdef KORVEL_HAVE_SNDFILE
    // Compressed, the same sound is decoded only as far as the file needs
    // it: a little more than the first third of the file is read.
    const std::string flac = (dir / "long.flac").string();
    SF_INFO format{};
    format.samplerate = 8000;
    format.channels = 1;
    format.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    SNDFILE* encoder = sf_open(flac.c_str(), SFM_WRITE, &format);
    ASSERT_NE(encoder, nullptr);
    std::vector<short> noise(1600000);
    unsigned seed = 1;
    for (short& x : noise) {
        seed = seed * 1103515245u + 12345u;
        x = static_cast<short>((seed >> 16) % 20001) - 10000;
    }
    ASSERT_EQ(sf_write_short(encoder, noise.data(), static_cast<sf_count_t>(noise.size())), 1600000);
    sf_close(encoder);
    ConversionPlan library;
    library.policy = ReadPolicy::everyReader;
    FaultyPlatform counted;
    SoundInput input(flac);
    EXPECT_EQ(ConversionJob(counted).convert(input, library).kind, ConversionOutcome::Kind::written);
    const auto size = static_cast<ssize_t>(fs::file_size(flac));
    EXPECT_GT(counted.bytesRead, size / 3);
    EXPECT_LT(counted.bytesRead, size / 3 + size / 10);
#endif
}
#endif

// The sound file stays open until it is decoded, after the dialog; other
// programs may still rename or delete it meanwhile, and it is converted as
// it was when it was dropped.
TEST_F(DropFlowTest, TheSoundMayBeRenamedOrDeletedWhileTheDialogIsOpen)
{
    const std::string wav = writeTone("tone.wav");
    convert(wav);
    const std::vector<std::uint8_t> expected = readBack((dir / "tone.mmf").string());
    fs::remove(dir / "tone.mmf");
    ASSERT_FALSE(expected.empty());
    const std::function<void()> moves[] = {
        [&] { fs::rename(wav, dir / "moved.wav"); },
        [&] { fs::remove(wav); },
    };
    for (const auto& move : moves) {
        writeTone("tone.wav");
        host.duringSettings = move;
        const Calls calls = convert(wav);
        host.duringSettings = nullptr;
        ASSERT_EQ(calls.size(), 11u);
        EXPECT_EQ(calls[7].rfind("success", 0), 0u);
        EXPECT_EQ(readBack((dir / "tone.mmf").string()), expected);
        EXPECT_FALSE(fs::exists(wav));
        fs::remove(dir / "tone.mmf");
        fs::remove(dir / "moved.wav");
    }
}

// Another program cuts the sound file short while the dialog is open: what
// is gone cannot be converted, and is never taken for silence.
TEST_F(DropFlowTest, ASoundCutShortWhileTheDialogIsOpenIsNotConverted)
{
    const std::string wav = writeTone("tone.wav");
    write("tone.mmf", {'o', 'l', 'd'});
    for (std::uintmax_t length : {std::uintmax_t{4000}, std::uintmax_t{44}, std::uintmax_t{0}}) {
        writeTone("tone.wav");
        host.duringSettings = [&] { fs::resize_file(wav, length); };
        const Calls calls = convert(wav);
        host.duringSettings = nullptr;
        ASSERT_GE(calls.size(), 4u) << length;
        EXPECT_EQ(calls[calls.size() - 4], "error Cannot open WAV/AIFF file") << length;
        EXPECT_EQ(readBack((dir / "tone.mmf").string()), (std::vector<std::uint8_t>{'o', 'l', 'd'})) << length;
    }
}

TEST_F(DropFlowTest, TextsAndDateGoIntoTheFile)
{
    const std::string wav = writeTone("tone.wav");
    host.answer.title = "My Title";
    host.answer.copyright = "(c) 2026 Korvel";
    host.answer.permissions = 3;
    convert(wav);
    const std::vector<std::uint8_t> file = readBack((dir / "tone.mmf").string());
    const std::string text(file.begin(), file.end());
    char date[9] = {};
    ASSERT_EQ(ConversionJob::dateStamp(date, 9), 8);
    EXPECT_NE(text.find("ST:My Title,CR:(c) 2026 Korvel,CD:" + std::string(date) + ",A0:QK20"), std::string::npos);
    EXPECT_EQ(file[19], 3);  // the copy status
    EXPECT_EQ(file[18], 0x23);

    // An empty title is left out; a title longer than a slot is cut at 256 bytes.
    host.answer.title.clear();
    convert(wav);
    const std::vector<std::uint8_t> untitled = readBack((dir / "tone.mmf").string());
    EXPECT_EQ(std::string(untitled.begin() + 26, untitled.begin() + 29), "CR:");
    host.answer.title = std::string(300, 't');
    convert(wav);
    const std::vector<std::uint8_t> cut = readBack((dir / "tone.mmf").string());
    EXPECT_NE(std::string(cut.begin(), cut.end()).find("ST:" + std::string(256, 't') + ",CR:"), std::string::npos);
}

TEST_F(DropFlowTest, JapaneseInterfaceShowsJapaneseTexts)
{
    platform.japanese = true;
    EXPECT_EQ(convert((dir / "song.mp3").string()), refusal("拡張子が.wav/.aifではありません"));
    const std::string wav = writeTone("tone.wav");
    const Calls calls = convert(wav);
    EXPECT_EQ(calls[7].rfind("success Tessalファイルサイズ : ", 0), 0u);
}

}  // namespace
}  // namespace korvel
