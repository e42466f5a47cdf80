// korvel-cli on the files people bring: compressed music, WAV files of
// every width and rate, many channels, streamed headers. Made with sox and
// Debian's encoders from one source, converted, decoded again, and compared
// with the source.

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <ebur128.h>

#include <gtest/gtest.h>

#include "tests/cli/CommandTest.h"

namespace korvel {
namespace {

using test::Finished;
using test::rawSamples;
using test::readFile;
using MusicInput = test::CommandTest;
namespace fs = std::filesystem;

// The best correlation of b against a over shifts of up to maxLag samples
// either way: an encoder's delay moves the sound a little.
double bestCorrelation(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b, int maxLag)
{
    double best = -1;
    const int n = static_cast<int>(std::min(a.size(), b.size()));
    for (int lag = -maxLag; lag <= maxLag; ++lag) {
        double ab = 0, aa = 0, bb = 0;
        for (int i = n / 10; i < n - n / 10; ++i) {
            const int j = i + lag;
            if (j < 0 || j >= static_cast<int>(b.size()))
                continue;
            ab += double(a[static_cast<std::size_t>(i)]) * b[static_cast<std::size_t>(j)];
            aa += double(a[static_cast<std::size_t>(i)]) * a[static_cast<std::size_t>(i)];
            bb += double(b[static_cast<std::size_t>(j)]) * b[static_cast<std::size_t>(j)];
        }
        if (aa > 0 && bb > 0)
            best = std::max(best, ab / std::sqrt(aa * bb));
    }
    return best;
}

// Writes the size fields of a WAV file as a program writing to a pipe
// leaves them: RIFF and data both value.
void streamHeader(const fs::path& path, std::uint32_t value)
{
    std::vector<std::uint8_t> bytes = readFile(path);
    const std::string text(bytes.begin(), bytes.end());
    const std::size_t data = text.find("data");
    ASSERT_NE(data, std::string::npos);
    for (std::size_t at : {std::size_t{4}, data + 4})
        for (int k = 0; k < 4; ++k)
            bytes[at + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(value >> (8 * k));
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
}

TEST_F(MusicInput, EveryKindConvertsAndSoundsLikeItsSource)
{
    for (const char* tool : {"lame", "flac", "oggenc", "opusenc"})
        ASSERT_EQ(std::system(("command -v " + std::string(tool) + " >/dev/null").c_str()), 0)
            << tool << " is needed for this test; the README's test command installs it";
    // Three seconds of chords that move, in two channels.
    const fs::path source = sox("source.wav", "-r 44100 -c 2 -b 16", "synth 3 sine 220-660 sine 330-990 vol 0.6");
    const std::string s = "'" + source.string() + "'";
    const auto in = [&](const char* name) { return "'" + (dir / name).string() + "'"; };
    struct Row {
        const char* name;
        std::string make;  // the command that makes it from the source
    };
    const Row rows[] = {
        {"song.mp3", "lame --quiet -b 128 " + s + " " + in("song.mp3")},
        // Smaller than the Tessal file it makes: compared with its decoded
        // size. At 16 kHz libsndfile keeps the encoder's padding, so its
        // length is not checked.
        {"thin.mp3", "lame --quiet -b 24 -m m " + s + " " + in("thin.mp3")},
        {"song.flac", "flac --silent -o " + in("song.flac") + " " + s},
        {"song.ogg", "oggenc --quiet -o " + in("song.ogg") + " " + s},
        {"song.opus", "opusenc --quiet " + s + " " + in("song.opus")},
        // sox writes WAVE_FORMAT_EXTENSIBLE for these two.
        {"wide24.wav", "sox " + s + " -b 24 " + in("wide24.wav")},
        {"float.wav", "sox " + s + " -e floating-point -b 32 " + in("float.wav")},
        {"hi96.wav", "sox " + s + " -r 96000 " + in("hi96.wav")},
        {"six.wav", "sox " + s + " -c 6 " + in("six.wav")},
        {"song.aiff", "sox " + s + " " + in("song.aiff")},
        {"pipe-ff.wav", "cp " + s + " " + in("pipe-ff.wav")},
        {"pipe-7f.wav", "cp " + s + " " + in("pipe-7f.wav")},
        {"pipe-0.wav", "cp " + s + " " + in("pipe-0.wav")},
    };
    const fs::path reference = dir / "reference.raw";
    ASSERT_EQ(std::system(("sox " + s + " -t raw -e signed-integer -b 16 -L -c 1 -r 8000 '" + reference.string() + "'").c_str()), 0);
    const std::vector<std::int16_t> expected = rawSamples(reference);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_EQ(std::system((row.make + " 2>/dev/null").c_str()), 0) << row.make;
        if (std::string(row.name) == "pipe-ff.wav")
            streamHeader(dir / row.name, 0xFFFFFFFF);
        if (std::string(row.name) == "pipe-7f.wav")
            streamHeader(dir / row.name, 0x7FFFF000);
        if (std::string(row.name) == "pipe-0.wav")
            streamHeader(dir / row.name, 0);
        const fs::path output = dir / "out.mmf";
        const Finished run = cli("convert -o '" + output.string() + "' " + in(row.name));
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
        const Finished info = cli("info '" + output.string() + "'");
        if (std::string(row.name) != "thin.mp3") {
            EXPECT_NE(info.out.find("8000 Hz, mono, 750 ticks"), std::string::npos) << info.out;
        }
        const fs::path back = dir / "back.wav";
        fs::remove(back);
        ASSERT_EQ(cli("decode '" + output.string() + "' -o '" + back.string() + "'").status, 0);
        const fs::path backRaw = dir / "back.raw";
        ASSERT_EQ(std::system(("sox '" + back.string() + "' -t raw '" + backRaw.string() + "'").c_str()), 0);
        EXPECT_GT(bestCorrelation(expected, rawSamples(backRaw), 1200), 0.9);
    }
}

TEST_F(MusicInput, OutputsGoWhereTheyAreToldAndNeverOverTheInput)
{
    const fs::path a = sox("a.wav", "-r 8000 -c 1 -b 16", "synth 0.5 sine 440");
    const fs::path b = sox("b.aif", "-r 8000 -c 1 -b 16", "synth 0.5 sine 550");
    fs::create_directories(dir / "out");
    Finished run = cli("convert -o '" + (dir / "named.mmf").string() + "' '" + a.string() + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::exists(dir / "named.mmf"));
    EXPECT_FALSE(fs::exists(dir / "a.mmf"));
    // The same bytes as beside the input, and as the desktop program's rules give.
    ASSERT_EQ(cli("convert '" + a.string() + "'").status, 0);
    EXPECT_EQ(readFile(dir / "named.mmf"), readFile(dir / "a.mmf"));
    ASSERT_EQ(cli("convert --strict '" + b.string() + "'").status, 0);
    const std::vector<std::uint8_t> strict = readFile(dir / "b.mmf");
    ASSERT_EQ(cli("convert '" + b.string() + "'").status, 0);
    EXPECT_EQ(readFile(dir / "b.mmf"), strict);

    run = cli("convert --output-dir '" + (dir / "out").string() + "' '" + a.string() + "' '" + b.string() + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::exists(dir / "out/a.mmf"));
    EXPECT_TRUE(fs::exists(dir / "out/b.mmf"));

    // Never over the input.
    const std::vector<std::uint8_t> before = readFile(a);
    run = cli("convert -o '" + a.string() + "' '" + a.string() + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(readFile(a), before);
    run = cli("convert --output-dir '" + (dir / "missing").string() + "' '" + a.string() + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("no such folder"), std::string::npos) << run.err;
    run = cli("convert --output-dir '" + a.string() + "' '" + b.string() + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(a.string() + ": not a folder"), std::string::npos) << run.err;

    // The desktop program's limit on a path's length holds under --strict only.
    const fs::path deep = dir / std::string(200, 'd');
    fs::create_directories(deep);
    const fs::path longName = sox((deep / (std::string(60, 'n') + ".wav")).string(), "-r 8000 -c 1 -b 16", "synth 0.5 sine 440");
    ASSERT_GE(longName.string().size(), 260u);
    EXPECT_EQ(cli("convert --strict '" + longName.string() + "'").status, 1);
    EXPECT_EQ(cli("convert '" + longName.string() + "'").status, 0);

    struct Usage {
        std::string arguments;
    };
    for (const Usage& u : {Usage{"convert -o x.mmf a.wav b.wav"}, Usage{"convert -o x.mmf --output-dir d a.wav"},
                           Usage{"convert --strict -o x.mmf a.wav"}, Usage{"convert -o"},
                           Usage{"convert -o '' '" + a.string() + "'"}, Usage{"convert --output-dir '' '" + a.string() + "'"}}) {
        run = cli(u.arguments);
        EXPECT_EQ(run.status, 2) << u.arguments;
    }
}

// The part asked for, in every notation, and the warning exactly when
// something is cut.
TEST_F(MusicInput, TheExcerptIsWhatWasAskedAndTheCutIsSaid)
{
    const fs::path song = sox("song90.flac", "-r 44100 -c 2", "synth 90 sine 440 vol 0.5");
    const fs::path minute = sox("minute.wav", "-r 8000 -c 1 -b 16", "synth 60 sine 440 vol 0.5");
    struct Row {
        std::string options;
        std::string input;
        const char* ticks;  // in the info line
        bool warned;
    };
    const Row rows[] = {
        {"--start 45 --length 30", song.string(), "7500 ticks (30.000 s)", false},
        {"--start 0:45 --length 0:30.000", song.string(), "7500 ticks (30.000 s)", false},
        {"--start 80", song.string(), "2500 ticks (10.000 s)", false},
        {"", song.string(), "16510 ticks (66.040 s)", true},
        {"--length 70", song.string(), "16510 ticks (66.040 s)", true},
        {"", minute.string(), "15000 ticks (60.000 s)", false},
        {"--fade-in 1 --fade-out 2 --gain -3", minute.string(), "15000 ticks (60.000 s)", false},
        // Times past any sound: a length to the end, a fade over the whole part.
        {"--start 80 --length 9223372036854775807", song.string(), "2500 ticks (10.000 s)", false},
        {"--fade-out 9223372036854775807", minute.string(), "15000 ticks (60.000 s)", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.options + " " + row.input);
        const fs::path output = dir / "part.mmf";
        const Finished run = cli("convert " + row.options + " -o '" + output.string() + "' '" + row.input + "'");
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err.find("only the first 66.04 s fit; choose with --start/--length") != std::string::npos,
                  row.warned)
            << run.err;
        EXPECT_NE(cli("info '" + output.string() + "'").out.find(row.ticks), std::string::npos);
    }
    // Past the end, or too short to play.
    EXPECT_EQ(cli("convert --start 95 '" + song.string() + "'").status, 1);
    EXPECT_NE(cli("convert --start 209146758205324 '" + song.string() + "'").err.find("Inadequate playtime"),
              std::string::npos);
    EXPECT_EQ(cli("convert --start 10 --length 0.01 '" + song.string() + "'").status, 1);
    for (const char* bad : {"--start x", "--start 1:5", "--start 1:60", "--length 0", "--gain 99", "--fade-in -1"})
        EXPECT_EQ(cli(std::string("convert ") + bad + " '" + song.string() + "'").status, 2) << bad;
}

// Sets the 36-bit sample count of a FLAC file's STREAMINFO.
void setFlacLength(const fs::path& path, std::uint64_t frames)
{
    std::vector<std::uint8_t> bytes = readFile(path);
    bytes[21] = static_cast<std::uint8_t>((bytes[21] & 0xF0) | ((frames >> 32) & 0x0F));
    for (int k = 0; k < 4; ++k)
        bytes[22 + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(frames >> (24 - 8 * k));
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
}

// Sets the granule position of an Ogg file's last page, with the page's
// checksum that the reader checks.
void setLastGranule(const fs::path& path, std::uint64_t granule)
{
    std::vector<std::uint8_t> bytes = readFile(path);
    const std::string text(bytes.begin(), bytes.end());
    const std::size_t page = text.rfind("OggS");
    ASSERT_NE(page, std::string::npos);
    for (int k = 0; k < 8; ++k)
        bytes[page + 6 + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(granule >> (8 * k));
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(page + 22), 4, 0);
    std::uint32_t crc = 0;
    for (std::size_t i = page; i < bytes.size(); ++i) {
        crc ^= std::uint32_t{bytes[i]} << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    for (int k = 0; k < 4; ++k)
        bytes[page + 22 + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(crc >> (8 * k));
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
}

// A file whose header claims more sound than it holds (cut short, a wrong
// count, a count left unknown, a placeholder of a pipe) gives the sound it
// holds: the file its honest twin gives where the data is whole, and a
// warning where it ended before its stated length. Only a part really
// shorter than 21 ms is too short.
TEST_F(MusicInput, FilesThatClaimMoreSoundGiveTheSoundTheyHold)
{
    const fs::path source = sox("source.wav", "-r 44100 -c 2 -b 16", "synth 3 sine 220-660 sine 330-990 vol 0.6");
    const std::string s = "'" + source.string() + "'";
    const auto in = [&](const std::string& name) { return "'" + (dir / name).string() + "'"; };
    const auto cut = [&](const std::string& from, const std::string& to, int permille) {
        return "head -c $(( $(stat -c%s " + in(from) + ") * " + std::to_string(permille) + " / 1000 )) " + in(from) +
               " > " + in(to);
    };
    ASSERT_EQ(std::system(("flac --silent -o " + in("x.flac") + " " + s + " && oggenc --quiet -o " + in("x.ogg") + " " +
                           s + " && opusenc --quiet " + s + " " + in("x.opus") + " && lame --quiet -b 96 " + s + " " +
                           in("x.mp3") + " && sox " + s + " " + in("x.aif") + " 2>/dev/null")
                              .c_str()),
              0);
    struct Row {
        std::string name, make;  // made from the x files of the same kind
        std::uint64_t flacLength = 0, granule = 0;
        std::string options;
        bool sameAsWhole;  // the bytes of the honest file's conversion
        const char* warning;  // in the warning, or nullptr for none
    };
    const Row rows[] = {
        {"half.mp3", cut("x.mp3", "half.mp3", 500), 0, 0, "", false, "the file ends early: 1."},
        {"cut.flac", cut("x.flac", "cut.flac", 600), 0, 0, "", false, "the file ends early: 1."},
        // Cut short, their length is unknown: nothing was claimed.
        {"short.ogg", cut("x.ogg", "short.ogg", 999), 0, 0, "", false, nullptr},
        {"short.opus", cut("x.opus", "short.opus", 999), 0, 0, "", false, nullptr},
        {"minute.flac", "cp " + in("x.flac") + " " + in("minute.flac"), 60 * 44100, 0, "", true,
         "the file ends early: 3.00 s"},
        {"hour.flac", "cp " + in("x.flac") + " " + in("hour.flac"), 3600 * 44100, 0, "--fade-out 1", true,
         "the file ends early: 3.00 s"},
        {"huge.flac", "cp " + in("x.flac") + " " + in("huge.flac"), std::uint64_t{1} << 30, 0, "--start 1", true,
         "the file ends early: 3.00 s"},
        {"unknown.flac", "cp " + in("x.flac") + " " + in("unknown.flac"), 0, 0, "--fade-in 9", true, nullptr},
        // The last granule also trims the last block: the decoder yields a
        // few more samples than the honest file's.
        {"granule.ogg", "cp " + in("x.ogg") + " " + in("granule.ogg"), 0, 60 * 44100, "", false,
         "the file ends early: 3.00 s"},
        {"pipe.aif", "sox " + s + " -t aiff - | cat > " + in("pipe.aif"), 0, 0, "--length 2 --fade-out 1", true, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name + " " + row.options);
        ASSERT_EQ(std::system((row.make + " 2>/dev/null").c_str()), 0) << row.make;
        if (row.flacLength != 0 || row.name == "unknown.flac")
            setFlacLength(dir / row.name, row.flacLength);
        if (row.granule != 0)
            setLastGranule(dir / row.name, row.granule);
        const std::string whole = "x" + row.name.substr(row.name.find('.'));
        const Finished run = cli("convert --title T " + row.options + " -o " + in("out.mmf") + " " + in(row.name));
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err.find("66.04"), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("Warning"), std::string::npos) << run.err;
        if (row.warning != nullptr)
            EXPECT_NE(run.err.find(row.name + ": " + row.warning), std::string::npos) << run.err;
        else
            EXPECT_EQ(run.err, "");
        if (row.sameAsWhole) {
            ASSERT_EQ(cli("convert --title T " + row.options + " -o " + in("whole.mmf") + " " + in(whole)).status, 0);
            EXPECT_EQ(readFile(dir / "out.mmf"), readFile(dir / "whole.mmf"));
        }
    }
    // The desktop program's way keeps its outcome: silence up to the stated
    // length.
    ASSERT_EQ(cli("convert --strict " + in("pipe.aif")).status, 0);
    EXPECT_NE(cli("info " + in("pipe.mmf")).out.find("16510 ticks"), std::string::npos);
    // Only a part shorter than 21 ms is too short, wherever the sound ends.
    const Finished tooLate = cli("convert --start 2.99 -o " + in("out.mmf") + " " + in("minute.flac"));
    EXPECT_EQ(tooLate.status, 1);
    EXPECT_NE(tooLate.err.find("Inadequate playtime"), std::string::npos) << tooLate.err;
}

// "-" reads standard input: a WAV file from a pipe gives the bytes the same
// file gives by name, a compressed file works too, and the title is the
// output's base name.
TEST_F(MusicInput, StandardInputIsReadLikeAFile)
{
    const fs::path wav = sox("tone.wav", "-r 22050 -c 2 -b 16", "synth 1 sine 440");
    const fs::path flac = sox("tone.flac", "-r 44100 -c 1", "synth 1 sine 440");
    ASSERT_EQ(cli("convert --title T -o '" + (dir / "named.mmf").string() + "' '" + wav.string() + "'").status, 0);
    Finished run = cli("convert --title T -o '" + (dir / "piped.mmf").string() + "' - < '" + wav.string() + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(readFile(dir / "piped.mmf"), readFile(dir / "named.mmf"));
    run = cli("convert -o '" + (dir / "through.mmf").string() + "' - ", "cat '" + wav.string() + "' | LANG=C");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(cli("info '" + (dir / "through.mmf").string() + "'").out.find("ST: through"), std::string::npos);
    run = cli("convert -o '" + (dir / "flac.mmf").string() + "' - ", "cat '" + flac.string() + "' | LANG=C");
    EXPECT_EQ(run.status, 0) << run.err;
    // A title in the file's own tags comes before the output's name.
    ASSERT_EQ(std::system(("flac --silent -f -T TITLE=Tagged -o '" + (dir / "tagged.flac").string() + "' '" +
                           wav.string() + "'").c_str()),
              0);
    run = cli("convert -o '" + (dir / "tagged.mmf").string() + "' - < '" + (dir / "tagged.flac").string() + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(cli("info '" + (dir / "tagged.mmf").string() + "'").out.find("ST: Tagged\n"), std::string::npos);
    EXPECT_EQ(cli("convert - < '" + wav.string() + "'").status, 2);
    EXPECT_EQ(cli("convert --strict -o x.mmf - < '" + wav.string() + "'").status, 2);

    // A part of a WAV file from a pipe: only what the part needs is kept,
    // and the file is the one the named file gives.
    ASSERT_EQ(cli("convert --title T --start 0.9 -o '" + (dir / "named.mmf").string() + "' '" + wav.string() + "'").status, 0);
    run = cli("convert --title T --start 0.9 -o '" + (dir / "piped.mmf").string() + "' - ", "cat '" + wav.string() + "' | LANG=C");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(readFile(dir / "piped.mmf"), readFile(dir / "named.mmf"));
    // Refused at once: what no reader knows, and a target that is the
    // file standard input reads; the temporary file goes where TMPDIR says.
    const std::vector<std::uint8_t> before = readFile(wav);
    const struct {
        std::string arguments, environment, message;
    } refusals[] = {
        {"convert -o '" + (dir / "z.mmf").string() + "' - < /dev/zero", "LANG=C timeout 20", "-: Audio format not supported"},
        {"convert -o '" + wav.string() + "' - < '" + wav.string() + "'", "LANG=C", "are the same file"},
        {"convert -o '" + (dir / "t.mmf").string() + "' -", "cat '" + wav.string() + "' | TMPDIR=/nonexistent LANG=C",
         "standard input cannot be read"},
    };
    for (const auto& refusal : refusals) {
        run = cli(refusal.arguments, refusal.environment);
        EXPECT_EQ(run.status, 1) << refusal.arguments;
        EXPECT_NE(run.err.find(refusal.message), std::string::npos) << run.err;
    }
    EXPECT_EQ(readFile(wav), before);
}

// A compressed file's own title is the default title; --title still wins.
TEST_F(MusicInput, TheFilesOwnTitleIsTheDefault)
{
    const fs::path source = sox("source.wav", "-r 44100 -c 1 -b 16", "synth 1 sine 440");
    const std::string s = "'" + source.string() + "'";
    struct Row {
        const char* name;
        std::string make;
        const char* title;
    };
    const Row rows[] = {
        {"t.mp3", "lame --quiet --tt 'Sunny Chorus' " + s + " '" + (dir / "t.mp3").string() + "'", "Sunny Chorus"},
        {"t.flac", "flac --silent -T 'TITLE=Flac, Tune' -o '" + (dir / "t.flac").string() + "' " + s, "Flac, Tune"},
        {"t.ogg", "oggenc --quiet -t 'Grüße' -o '" + (dir / "t.ogg").string() + "' " + s, "Grüße"},
        {"t.opus", "opusenc --quiet " + s + " '" + (dir / "t.opus").string() + "'", "t"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_EQ(std::system((row.make + " 2>/dev/null").c_str()), 0);
        const fs::path output = dir / "t.mmf";
        ASSERT_EQ(cli("convert '" + (dir / row.name).string() + "'", "LANG=C.UTF-8").status, 0);
        EXPECT_NE(cli("info '" + output.string() + "'", "LANG=C.UTF-8").out.find(std::string("ST: ") + row.title + "\n"),
                  std::string::npos);
        ASSERT_EQ(cli("convert --title Mine '" + (dir / row.name).string() + "'").status, 0);
        EXPECT_NE(cli("info '" + output.string() + "'").out.find("ST: Mine\n"), std::string::npos);
    }
}

// --normalize brings a sound to the loudness asked, as a handset plays the
// file, and never past the true-peak ceiling of -1 dBTP: both measured by
// libebur128 (4x oversampling) on the decoded file, for sounds the coder
// treats differently (DC, a square wave, noise, speech, music), at both
// rates, for a target the ceiling stops and two it allows.
TEST_F(MusicInput, NormalizeLandsOnItsTargetUnderTheCeiling)
{
    ASSERT_EQ(std::system("command -v espeak-ng >/dev/null"), 0) << "espeak-ng speaks the test sentence";
    const fs::path speech = dir / "speech.wav";
    ASSERT_EQ(std::system(("espeak-ng -w '" + speech.string() +
                           "' 'Your phone is ringing. Somebody wants to talk to you, so please pick it up.'")
                              .c_str()),
              0);
    const fs::path sounds[] = {
        sox("dc.wav", "-r 44100 -c 1 -b 16", "synth 3 sine 0 dcshift 0.99"),
        sox("square.wav", "-r 44100 -c 2 -b 16", "synth 3 square 440 vol 0.9"),
        sox("noise.wav", "-r 48000 -c 2 -b 16", "synth 3 pinknoise vol 0.5"),
        speech,
        sox("music.flac", "-r 44100 -c 2", "synth 8 pluck C3 pluck E3 pluck G3 vol 0.2"),
    };
    // Loudness and true peak by libebur128, of what a handset plays of a file.
    const auto measure = [&](const fs::path& output, int rate) {
        const fs::path back = dir / "loud.wav";
        fs::remove(back);
        EXPECT_EQ(cli("decode '" + output.string() + "' -o '" + back.string() + "'").status, 0);
        const fs::path raw = dir / "loud.raw";
        EXPECT_EQ(std::system(("sox '" + back.string() + "' -t raw '" + raw.string() + "'").c_str()), 0);
        const std::vector<std::int16_t> decoded = rawSamples(raw);
        ebur128_state* state = ebur128_init(1, static_cast<unsigned long>(rate), EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
        ebur128_add_frames_short(state, decoded.data(), decoded.size());
        double loudness = 0, peak = 0;
        ebur128_loudness_global(state, &loudness);
        ebur128_true_peak(state, 0, &peak);
        ebur128_destroy(&state);
        return std::pair(loudness, 20 * std::log10(peak));
    };
    const fs::path output = dir / "loud.mmf";
    for (const fs::path& input : sounds) {
        for (const int rate : {8000, 4000}) {
            const std::string options = "--rate " + std::to_string(rate) + " -o '" + output.string() + "' '" + input.string() + "'";
            ASSERT_EQ(cli("convert " + options).status, 0);
            const auto [plainLoudness, plainPeak] = measure(output, rate);
            for (const double target : {-5.0, -16.0, -30.0}) {
                SCOPED_TRACE(input.filename().string() + " at " + std::to_string(rate) + " Hz to " + std::to_string(target));
                const Finished run = cli("convert --normalize=" + std::to_string(target) + " " + options);
                ASSERT_EQ(run.status, 0) << run.err;
                const auto [loudness, truePeak] = measure(output, rate);
                EXPECT_LE(truePeak, -1.0);
                // On the target where the ceiling leaves room for it (DC has
                // no loudness at all); never above it.
                if (std::isfinite(loudness)) {
                    EXPECT_LT(loudness, target + 0.1);
                }
                if (std::isfinite(plainLoudness) && target - plainLoudness < -1.0 - plainPeak - 1.0) {
                    EXPECT_NEAR(loudness, target, 0.1);
                }
            }
        }
    }
    EXPECT_EQ(cli("convert --normalize --gain 3 a.wav").status, 2);
    EXPECT_EQ(cli("convert --normalize=-2 a.wav").status, 2);
}

}  // namespace
}  // namespace korvel
