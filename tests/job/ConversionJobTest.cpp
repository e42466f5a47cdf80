#include "job/ConversionJob.h"

#include <filesystem>
#include <fstream>
#include <random>

#include <gtest/gtest.h>

#include "job/SoundInput.h"
#include "system/Platform.h"
#include "tests/support/FileContents.h"
#include "tests/support/ImageBuilder.h"
#include "tests/support/VectorSource.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;

// The two calls without a window: what inspect tells of a sound, and a plan
// that breaks a rule for it, which is refused and writes nothing.
TEST(ConversionJob, InspectTellsTheChoicesAndConvertHoldsThem)
{
    const fs::path dir = fs::temp_directory_path() / ("korvel-calls-" + std::to_string(std::random_device()()));
    fs::create_directories(dir);
    const fs::path wav = dir / "slow.wav";
    const test::Bytes image = test::wavImage({.sampleRate = 4000}, test::samplesLE(test::sine(8000, 440, 4000, 10000)));
    std::ofstream(wav, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
    ConversionJob job(nativePlatform());
    {
        SoundInput input(wav.string());
        const SoundCheck sound = job.inspect(input, ReadPolicy::desktop);
        ASSERT_TRUE(sound.accepted());
        EXPECT_EQ(sound.kind, SoundKind::wav);
        EXPECT_EQ(sound.channels, 1);
        EXPECT_EQ(sound.sampleRate, 4000);
        EXPECT_EQ(sound.seconds, 2.0);
        EXPECT_EQ(sound.defaultTitle, "slow");
        EXPECT_EQ(sound.rates, (std::vector<int>{4000}));

        ConversionPlan plan;
        plan.rate = 8000;
        ConversionOutcome outcome = job.convert(input, plan);
        EXPECT_EQ(outcome.kind, ConversionOutcome::Kind::refused);
        EXPECT_EQ(outcome.refusal, Refusal::rateNotAllowed);
        EXPECT_EQ(outcome.message(), 0);
        EXPECT_FALSE(fs::exists(dir / "slow.mmf"));

        plan.rate.reset();
        plan.date = "20261209";
        SoundInput again(wav.string());
        outcome = job.convert(again, plan);
        ASSERT_EQ(outcome.kind, ConversionOutcome::Kind::written);
        const std::vector<std::uint8_t> file = test::readFile((dir / "slow.mmf").string());
        EXPECT_EQ(outcome.bytes, file.size());
        EXPECT_NE(std::string(file.begin(), file.end()).find("ST:slow,CD:20261209,"), std::string::npos);
        EXPECT_EQ(ConversionJob::expected(sound, plan).bytes, outcome.bytes);
        EXPECT_EQ(ConversionJob::expected(sound, plan).seconds, 2.0);

        // What a plan is expected to make is what it makes, part and texts included.
        plan.part = {.start = 0.5, .length = 1.2345, .fadeOut = 0.5};
        plan.title = "A longer title";
        plan.copyright = "(c) 2026";
        SoundInput part(wav.string());
        outcome = job.convert(part, plan);
        ASSERT_EQ(outcome.kind, ConversionOutcome::Kind::written);
        EXPECT_EQ(ConversionJob::expected(sound, plan).bytes, outcome.bytes);
        EXPECT_NEAR(ConversionJob::expected(sound, plan).seconds, 1.2345, 0.001);
    }
    // The inputs are closed: Windows removes no open file.
    fs::remove_all(dir);
}

TEST(ConversionJob, SizeTextRoundsHalvesUpward)
{
    struct Row {
        std::size_t bytes;
        const char* text;
    };
    const Row rows[] = {{12345, "12.06KB"}, {128, "0.13KB"}, {640, "0.63KB"}, {0, "0.00KB"},
                        {1024, "1.00KB"},   {5, "0.00KB"},   {6, "0.01KB"},   {264294, "258.10KB"}};
    for (const Row& row : rows)
        EXPECT_EQ(ConversionJob::sizeText(row.bytes), row.text) << row.bytes;
}

TEST(ConversionJob, DateStampIsEightDigits)
{
    char date[9] = {};
    ASSERT_EQ(ConversionJob::dateStamp(date, 9), 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(date[i] >= '0' && date[i] <= '9');
    EXPECT_EQ(date[8], '\0');
    char small[8];
    EXPECT_EQ(ConversionJob::dateStamp(small, 8), -1);
    EXPECT_EQ(ConversionJob::dateStamp(nullptr, 9), -1);
    EXPECT_EQ(ConversionJob::dateStamp(date, -1), -1);
}

}  // namespace
}  // namespace korvel
