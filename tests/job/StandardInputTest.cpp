// Standard input as a pipe: what is kept of it, and what is refused before
// anything is kept.

#include "job/StandardInput.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "system/Platform.h"
#include "tests/support/ImageBuilder.h"

namespace korvel {
namespace {

// A pipe that brings its bytes and then, if asked, one byte after another
// without end; a temporary file in memory that counts what it holds.
class PipePlatform : public Platform {
public:
    class MemorySpool : public SpoolFile {
    public:
        explicit MemorySpool(double free) : free(free) {}
        std::int64_t size() const override { return length; }
        int readAt(std::int64_t offset, std::uint8_t* destination, int count) override
        {
            const std::int64_t n = std::clamp<std::int64_t>(static_cast<std::int64_t>(kept.size()) - offset, 0, count);
            std::memcpy(destination, kept.data() + offset, static_cast<std::size_t>(n));
            return static_cast<int>(n);
        }
        FileResult append(const std::uint8_t* data, std::size_t size) override
        {
            // Bytes past the first mebibytes are counted, not held.
            if (kept.size() < (1u << 24)) {
                kept.resize(static_cast<std::size_t>(length));
                kept.insert(kept.end(), data, data + size);
            }
            length += static_cast<std::int64_t>(size);
            appended += size;
            return FileResult::ok;
        }
        FileResult extendTo(std::int64_t offset) override
        {
            length = offset;
            return FileResult::ok;
        }
        double freeSpace() const override { return free; }

        std::vector<std::uint8_t> kept;
        std::int64_t length = 0;
        std::size_t appended = 0;
        double free;
    };

    FileResult openFile(const std::string&, std::unique_ptr<InputFile>&) override { return FileResult::cannotOpen; }
    FileResult openStandardInput(std::unique_ptr<InputFile>&) override { return FileResult::isStream; }
    std::int64_t readStandardInput(std::uint8_t* buffer, std::size_t size) override
    {
        if (at < bytes.size()) {
            const std::size_t n = std::min(size, bytes.size() - at);
            std::memcpy(buffer, bytes.data() + at, n);
            at += n;
            read += n;
            return static_cast<std::int64_t>(n);
        }
        if (!endless)
            return 0;
        std::fill_n(buffer, size, std::uint8_t{'x'});
        read += size;
        return static_cast<std::int64_t>(size);
    }
    FileResult createSpool(std::unique_ptr<SpoolFile>& spool) override
    {
        auto made = std::make_unique<MemorySpool>(free);
        last = made.get();
        spool = std::move(made);
        return FileResult::ok;
    }
    FileResult createFile(const std::string&, std::unique_ptr<OutputFile>&) override { return FileResult::cannotOpen; }
    double queryFreeSpace(const PathParts&) override { return 1e12; }
    void useUserLocale() override {}
    bool japaneseInterface() override { return false; }

    std::vector<std::uint8_t> bytes;
    bool endless = false;
    double free = 1e12;
    std::size_t at = 0;
    std::uint64_t read = 0;
    MemorySpool* last = nullptr;
};

TEST(StandardInput, KeepsWhatTheConversionNeedsAndRefusesWhatNoReaderKnows)
{
    // A minute of 8000 Hz 16-bit mono: 44 bytes of header, 16 000 bytes a second.
    test::Bytes samples(16000 * 60);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::uint8_t>(i * 7);
    const test::Bytes minute = test::wavImage({}, samples);
    using Result = StandardInput::Result;
    struct Row {
        const char* what;
        std::vector<std::uint8_t> bytes;
        bool endless;
        SoundPart part;
        double free;
        Result result;
        std::uint64_t mostRead;  // of the pipe
        std::int64_t kept;       // the temporary file's length, -1: none made
    };
    const std::vector<std::uint8_t> ogg = {'O', 'g', 'g', 'S', 0, 2};
    const Row rows[] = {
        {"zeros", std::vector<std::uint8_t>(1 << 20, 0), true, {}, 1e12, Result::notSound, 64 * 1024, -1},
        {"a text", std::vector<std::uint8_t>(100, 'a'), false, {}, 1e12, Result::notSound, 100, -1},
        {"a whole WAV file", minute, false, {}, 1e12, Result::ok, minute.size(), static_cast<std::int64_t>(minute.size())},
        // A part from 50 s: the header, a hole, then the 10 s to the end.
        {"a part of a WAV file", minute, false, {.start = 50}, 1e12, Result::ok, minute.size(),
         static_cast<std::int64_t>(minute.size())},
        // The first 2 s: the pipe is read no further than they and the
        // filter's reach.
        {"the start of a WAV file", minute, true, {.length = 2}, 1e12, Result::ok, 64 * 1024 + 44 + 32000, -2},
        {"a kind kept whole, without end", ogg, true, {}, 1e12, Result::tooLong, ~0ull, -2},
        {"no room", minute, false, {}, StandardInput::kSpoolMargin, Result::noRoom, ~0ull, -2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        PipePlatform platform;
        platform.bytes = row.bytes;
        platform.endless = row.endless;
        platform.free = row.free;
        std::unique_ptr<InputFile> file;
        EXPECT_EQ(StandardInput::open(platform, row.part, file), row.result);
        EXPECT_LE(platform.read, row.mostRead);
        EXPECT_EQ(file != nullptr, row.result == Result::ok);
        if (row.kept == -1) {
            EXPECT_EQ(platform.last, nullptr);
        } else if (row.kept >= 0 && file) {
            EXPECT_EQ(file->size(), row.kept);
        }
    }

    // What is kept of a part reads as the file does where the part lies.
    PipePlatform platform;
    platform.bytes = minute;
    std::unique_ptr<InputFile> file;
    ASSERT_EQ(StandardInput::open(platform, {.start = 50}, file), Result::ok);
    std::vector<std::uint8_t> tail(160000);
    ASSERT_EQ(file->readAt(44 + 16000 * 50, tail.data(), 160000), 160000);
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), minute.end() - 160000));
    EXPECT_LT(platform.last->appended, minute.size() / 2);
}

}  // namespace
}  // namespace korvel
