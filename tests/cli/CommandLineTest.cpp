#include "cli/CommandLine.h"

#include <gtest/gtest.h>

#include "tessal/ContentInfo.h"

namespace korvel {
namespace {

using Action = CommandLine::Action;

TEST(CommandLine, ConvertWithEveryOption)
{
    const CommandLine line = parseCommandLine({"convert", "--title", "T", "--copyright=C", "--rate", "4000",
                                               "--no-save", "--no-transfer", "a.wav", "--", "--b.aif"});
    ASSERT_EQ(line.action, Action::convert);
    EXPECT_EQ(line.options.plan.title, "T");
    EXPECT_EQ(line.options.plan.copyright, "C");
    EXPECT_EQ(line.options.plan.rate, 4000);
    EXPECT_EQ(line.options.plan.permissions, ContentInfo::kNoSave | ContentInfo::kNoTransfer);
    EXPECT_EQ(line.options.plan.policy, ReadPolicy::everyReader);
    EXPECT_EQ(parseCommandLine({"convert", "--no-transfer", "a.wav"}).options.plan.permissions, ContentInfo::kNoTransfer);
    EXPECT_EQ(line.options.files, (std::vector<std::string>{"a.wav", "--b.aif"}));
}

TEST(CommandLine, DefaultsLeaveTheChoicesToTheJob)
{
    const CommandLine line = parseCommandLine({"convert", "x.wav", "y.aif"});
    ASSERT_EQ(line.action, Action::convert);
    EXPECT_FALSE(line.options.plan.title.has_value());
    EXPECT_EQ(line.options.plan.copyright, "");
    EXPECT_FALSE(line.options.plan.rate.has_value());
    EXPECT_EQ(line.options.plan.permissions, 0);
    EXPECT_EQ(line.options.files.size(), 2u);
    // An empty title is a title: it leaves the tag out of the file.
    EXPECT_EQ(parseCommandLine({"convert", "--title", "", "x.wav"}).options.plan.title, "");
}

TEST(CommandLine, HelpVersionAndUsageErrors)
{
    EXPECT_EQ(parseCommandLine({"--help"}).action, Action::help);
    EXPECT_EQ(parseCommandLine({"convert", "--help"}).action, Action::help);
    EXPECT_EQ(parseCommandLine({"--version"}).action, Action::version);
    const std::vector<std::vector<std::string>> refused = {
        {},
        {"encode", "x.wav"},
        {"convert"},
        {"convert", "--rate", "11025", "x.wav"},
        {"convert", "--rate"},
        {"convert", "--title", std::string(257, 't'), "x.wav"},
        {"convert", "--copyright", std::string(300, 'c'), "x.wav"},
        {"convert", "--loud", "x.wav"},
        {"convert", "--no-save=yes", "x.wav"},
    };
    for (const auto& arguments : refused) {
        const CommandLine line = parseCommandLine(arguments);
        EXPECT_EQ(line.action, Action::usageError) << (arguments.size() > 1 ? arguments[1] : "");
        EXPECT_FALSE(line.error.empty());
    }
    EXPECT_EQ(parseCommandLine({"convert", "--title", std::string(256, 't'), "x.wav"}).action, Action::convert);
}

// GNU conventions: options anywhere until "--", "--opt=VALUE", clustered
// letters, unambiguous abbreviations, and -h only where an option may stand.
TEST(CommandLine, OptionsAsGetoptReadsThem)
{
    CommandLine line = parseCommandLine({"convert", "a.wav", "--output-dir=out", "-q", "--normalize", "--", "-b.wav"});
    ASSERT_EQ(line.action, Action::convert) << line.error;
    EXPECT_EQ(line.options.outputDirectory, "out");
    EXPECT_TRUE(line.options.quiet);
    EXPECT_EQ(line.options.plan.loudness, ConversionPlan::kStandardLoudness);
    EXPECT_EQ(line.options.files, (std::vector<std::string>{"a.wav", "-b.wav"}));

    line = parseCommandLine({"convert", "-qo", "x.mmf", "--norm=-14", "--tit", "-h", "a.wav"});
    ASSERT_EQ(line.action, Action::convert) << line.error;
    EXPECT_EQ(line.options.output, "x.mmf");
    EXPECT_EQ(line.options.plan.loudness, -14.0);
    EXPECT_EQ(line.options.plan.title, "-h");

    EXPECT_EQ(parseCommandLine({"convert", "a.wav", "-h"}).action, Action::help);
    EXPECT_EQ(parseCommandLine({"convert", "--", "-h"}).options.files, (std::vector<std::string>{"-h"}));
    EXPECT_EQ(parseCommandLine({"decode", "--", "-x.mmf"}).inspect.files, (std::vector<std::string>{"-x.mmf"}));
    EXPECT_EQ(parseCommandLine({"decode", "-qo-", "a.mmf"}).inspect.output, "-");

    struct Row {
        std::vector<std::string> arguments;
        std::string error;
    };
    const Row refused[] = {
        {{"convert", "--loud", "a.wav"}, "unknown option: --loud"},
        {{"convert", "-x", "a.wav"}, "unknown option: -x"},
        {{"convert", "a.wav", "--title"}, "--title needs a value"},
        {{"convert", "a.wav", "-o"}, "-o needs a value"},
        {{"convert", "--strict=1", "a.wav"}, "--strict takes no value"},
        {{"convert", "--no", "a.wav"}, "unknown option: --no"},  // ambiguous
        {{"info", "--json=yes", "a.mmf"}, "--json takes no value"},
        {{"-x"}, "unknown option: -x"},
        {{"convert", "-o", "", "a.wav"}, "-o needs a name, not an empty one"},
        {{"convert", "--output-dir=", "a.wav"}, "--output-dir needs a name, not an empty one"},
        {{"decode", "-o", "", "a.mmf"}, "-o needs a name, not an empty one"},
    };
    for (const Row& row : refused) {
        line = parseCommandLine(row.arguments);
        EXPECT_EQ(line.action, Action::usageError) << row.error;
        EXPECT_EQ(line.error, row.error);
    }
}

}  // namespace
}  // namespace korvel

namespace korvel {
namespace {

TEST(CommandLine, InfoAndDecode)
{
    CommandLine line = parseCommandLine({"info", "--json", "a.mmf", "b.mmf"});
    ASSERT_EQ(line.action, CommandLine::Action::info);
    EXPECT_TRUE(line.inspect.json);
    EXPECT_EQ(line.inspect.files.size(), 2u);
    line = parseCommandLine({"decode", "a.mmf", "-o", "out.wav"});
    ASSERT_EQ(line.action, CommandLine::Action::decode);
    EXPECT_EQ(line.inspect.output, "out.wav");
    for (const std::vector<std::string>& refused : std::vector<std::vector<std::string>>{
             {"info"}, {"decode"}, {"decode", "a.mmf", "b.mmf"}, {"decode", "a.mmf", "-o"}, {"info", "-o", "x", "a.mmf"}})
        EXPECT_EQ(parseCommandLine(refused).action, CommandLine::Action::usageError) << refused[0];
}

}  // namespace
}  // namespace korvel
