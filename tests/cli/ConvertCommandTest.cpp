// korvel-cli run as a process on files that sox makes, and the files it
// writes checked chunk by chunk.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "dsp/AdpcmDecoder.h"
#include "tessal/ByteVector.h"
#include "tests/cli/CommandTest.h"

namespace korvel {
namespace {

using test::Finished;
using test::shellWord;
using test::readFile;
using ConvertCommand = test::CommandTest;
namespace fs = std::filesystem;

std::uint32_t be32(const std::vector<std::uint8_t>& v, std::size_t at)
{
    return (std::uint32_t{v[at]} << 24) | (std::uint32_t{v[at + 1]} << 16) | (std::uint32_t{v[at + 2]} << 8) | v[at + 3];
}

// What a written audio file holds, found by walking its chunks.
struct AudioFile {
    std::string tags;  // the contents entries after "R5:" up to the check entries
    int copyStatus = -1;
    int waveType = -1;
    int ticks = -1;
    std::vector<std::uint8_t> adpcm;
};

// Walks the file and checks every size, the CRC and both check-character
// pairs; fails the test at the first fault.
AudioFile checkAudioFile(const std::vector<std::uint8_t>& f)
{
    AudioFile result;
    EXPECT_GE(f.size(), 60u);
    if (f.size() < 60)
        return result;
    EXPECT_EQ(std::string(f.begin(), f.begin() + 4), "MMMD");
    EXPECT_EQ(be32(f, 4), f.size() - 8);
    EXPECT_EQ(crc16(ByteVector(f.begin(), f.end() - 2)), f[f.size() - 2] * 256 + f[f.size() - 1]);

    EXPECT_EQ(std::string(f.begin() + 8, f.begin() + 12), "CNTI");
    const std::size_t contentsEnd = 16 + be32(f, 12);
    ByteVector contents(f.begin() + 8, f.begin() + static_cast<std::ptrdiff_t>(contentsEnd));
    result.copyStatus = contents[11];
    const std::string text(contents.begin(), contents.end());
    const std::size_t a0 = text.find("A0:QK20");
    const std::size_t a2 = text.find("A2:QK20");
    EXPECT_NE(a0, std::string::npos);
    EXPECT_EQ(a2, a0 + 10);
    result.tags = text.substr(18, a0 - 18);

    const std::size_t track = contentsEnd;
    EXPECT_EQ(std::string(f.begin() + static_cast<std::ptrdiff_t>(track), f.begin() + static_cast<std::ptrdiff_t>(track) + 4),
              std::string("ATR\0", 4));
    const std::size_t trackEnd = track + 8 + be32(f, track + 4);
    EXPECT_EQ(trackEnd + 2, f.size());
    result.waveType = f[track + 10];
    const ByteVector trackBytes(f.begin() + static_cast<std::ptrdiff_t>(track), f.begin() + static_cast<std::ptrdiff_t>(trackEnd));

    // Both pairs are checkDigits: of the track, and of the contents with both pairs "00".
    std::uint8_t pair[2];
    putBE16(pair, checkDigits(trackBytes));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(pair), 2), text.substr(a0 + 7, 2));
    ByteVector zeroed = contents;
    zeroed[a0 + 7] = zeroed[a0 + 8] = zeroed[a2 + 7] = zeroed[a2 + 8] = '0';
    putBE16(pair, checkDigits(zeroed));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(pair), 2), text.substr(a2 + 7, 2));

    const std::size_t sequence = track + 14 + 24;
    EXPECT_EQ(std::string(f.begin() + static_cast<std::ptrdiff_t>(sequence), f.begin() + static_cast<std::ptrdiff_t>(sequence) + 4), "Atsq");
    const int b0 = f[sequence + 14];
    result.ticks = b0 < 128 ? b0 : 128 + ((b0 & 0x7F) << 7) + f[sequence + 15];
    const std::size_t wave = sequence + 8 + be32(f, sequence + 4);
    EXPECT_EQ(std::string(f.begin() + static_cast<std::ptrdiff_t>(wave), f.begin() + static_cast<std::ptrdiff_t>(wave) + 4), "Awa\x01");
    const std::uint32_t length = be32(f, wave + 4);
    EXPECT_EQ(wave + 8 + length, trackEnd);
    result.adpcm.assign(f.begin() + static_cast<std::ptrdiff_t>(wave) + 8, f.begin() + static_cast<std::ptrdiff_t>(trackEnd));
    return result;
}

double correlation(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b, std::size_t from, std::size_t to)
{
    double ab = 0, aa = 0, bb = 0;
    for (std::size_t i = from; i < to; ++i) {
        ab += double(a[i]) * b[i];
        aa += double(a[i]) * a[i];
        bb += double(b[i]) * b[i];
    }
    return ab / std::sqrt(aa * bb);
}

TEST_F(ConvertCommand, WrittenFilesAreSoundAndSoundLikeTheirInput)
{
    struct Row {
        const char* name;
        const char* format;  // sox's options for the file it makes
        int rate;            // of the written file
    };
    const Row rows[] = {
        {"m8-6000.wav", "-r 6000 -c 1 -b 8 -e unsigned-integer", 4000},
        {"s16-8000.wav", "-r 8000 -c 2 -b 16 -e signed-integer", 8000},
        {"m16-22050.aif", "-r 22050 -c 1 -b 16 -e signed-integer", 8000},
        {"s8-44100.aif", "-r 44100 -c 2 -b 8 -e signed-integer", 8000},
        {"s16-44100.wav", "-r 44100 -c 2 -b 16 -e signed-integer", 8000},
        {"m16-48000.wav", "-r 48000 -c 1 -b 16 -e signed-integer", 8000},
        {"s16-48000.aif", "-r 48000 -c 2 -b 16 -e signed-integer", 8000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // A sweep in both channels, so that every part of the band is heard.
        const fs::path input = sox(row.name, row.format, "synth 1.5 sine 200-1800 sine 300-1500 vol 0.7");
        const Finished run = cli("convert --title Sweep --copyright 'K 2026' '" + input.string() + "'");
        ASSERT_EQ(run.status, 0) << run.err;
        fs::path output = input;
        output.replace_extension(".mmf");
        const std::vector<std::uint8_t> file = readFile(output);
        EXPECT_EQ(run.out, "Tessal File Size : " + [&] {
            char text[32];
            const unsigned long long h = (file.size() * 100ull + 512) / 1024;
            std::snprintf(text, sizeof text, "%llu.%02lluKB", h / 100, h % 100);
            return std::string(text);
        }() + "\n");

        const AudioFile audio = checkAudioFile(file);
        EXPECT_EQ(audio.waveType, row.rate == 8000 ? 0x11 : 0x10);
        EXPECT_EQ(audio.ticks, 375);  // 1.5 s in ticks of 4 ms
        EXPECT_EQ(audio.copyStatus, 0);
        EXPECT_EQ(audio.tags.substr(0, 21), "ST:Sweep,CR:K 2026,CD");
        ASSERT_EQ(audio.adpcm.size(), static_cast<std::size_t>(row.rate * 3 / 4));

        // The same sound, mixed and resampled by sox, against the decoded file.
        const fs::path reference = dir / "reference.raw";
        ASSERT_EQ(std::system(("sox -D '" + input.string() + "' -t raw -e signed-integer -b 16 -L -c 1 -r " +
                               std::to_string(row.rate) + " '" + reference.string() + "' 2>/dev/null")
                                  .c_str()),
                  0);
        const std::vector<std::int16_t> expected = test::rawSamples(reference);
        std::vector<std::int16_t> decoded(2 * audio.adpcm.size());
        AdpcmDecoder decoder;
        decoder.reset();
        decoder.decode(audio.adpcm.data(), decoded.data(), static_cast<int>(decoded.size()));
        const std::size_t n = std::min(expected.size(), decoded.size());
        EXPECT_GT(correlation(expected, decoded, n / 10, n - n / 10), 0.95);

        // info finds the file sound, also as JSON that a JSON parser takes.
        Finished info = cli("info '" + output.string() + "'");
        EXPECT_EQ(info.status, 0) << info.err;
        EXPECT_NE(info.out.find("ST: Sweep"), std::string::npos);
        EXPECT_NE(info.out.find("checks: size, CRC, A0 and A2 all correct"), std::string::npos);
        EXPECT_EQ(std::system((program() + " info --json '" + output.string() +
                               "' | /usr/bin/python3 -m json.tool >/dev/null")
                                  .c_str()),
                  0);
        // decode gives what the decoder gives, in a WAV file that sox reads.
        const fs::path back = dir / "back.wav";
        ASSERT_EQ(cli("decode '" + output.string() + "' -o '" + back.string() + "'").status, 0);
        const fs::path backRaw = dir / "back.raw";
        ASSERT_EQ(std::system(("sox '" + back.string() + "' -t raw -e signed-integer -b 16 -L '" + backRaw.string() + "'").c_str()), 0);
        const std::vector<std::uint8_t> backBytes = readFile(backRaw);
        ASSERT_EQ(backBytes.size(), 2 * decoded.size());
        for (std::size_t i = 0; i < decoded.size(); ++i)
            ASSERT_EQ(static_cast<std::int16_t>(backBytes[2 * i] | (backBytes[2 * i + 1] << 8)), decoded[i]) << i;
        Finished rate = cli("info --json '" + output.string() + "'");
        EXPECT_NE(rate.out.find("\"rate\":" + std::to_string(row.rate)), std::string::npos);
        fs::remove(back);
    }
}

TEST_F(ConvertCommand, InfoNamesTheFirstFaultAndDecodeKeepsExistingFiles)
{
    const fs::path input = sox("tone.wav", "-r 8000 -c 1 -b 16 -e signed-integer", "synth 0.5 sine 440");
    ASSERT_EQ(cli("convert '" + input.string() + "'").status, 0);
    std::vector<std::uint8_t> file = readFile(dir / "tone.mmf");
    file[file.size() / 2] ^= 0x10;
    std::ofstream(dir / "bad.mmf", std::ios::binary).write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    Finished info = cli("info '" + (dir / "bad.mmf").string() + "'");
    EXPECT_EQ(info.status, 1);
    EXPECT_NE(info.err.find("offset "), std::string::npos);
    EXPECT_NE(info.err.find("A0 check characters"), std::string::npos);
    EXPECT_NE(info.out.find("damaged"), std::string::npos);
    EXPECT_EQ(cli("info '" + input.string() + "'").status, 1);

    // The default output would be tone.wav, the sound the file was made from.
    const auto before = readFile(input);
    Finished decode = cli("decode '" + (dir / "tone.mmf").string() + "'");
    EXPECT_EQ(decode.status, 1);
    EXPECT_EQ(readFile(input), before);
    fs::copy_file(dir / "tone.mmf", dir / "other.mmf");
    EXPECT_EQ(cli("decode '" + (dir / "other.mmf").string() + "'").status, 0);
    EXPECT_TRUE(fs::exists(dir / "other.wav"));
    EXPECT_EQ(cli("decode '" + (dir / "other.mmf").string() + "' -o '" + (dir / "other.mmf").string() + "'").status, 1);
    EXPECT_EQ(cli("decode").status, 2);
}

TEST_F(ConvertCommand, SeventySecondsAreCutTo66Point04)
{
    const fs::path input = sox("long.wav", "-r 8000 -c 1 -b 16 -e signed-integer", "synth 70 sine 440 vol 0.5");
    const Finished run = cli("convert '" + input.string() + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("long.wav: only the first 66.04 s fit"), std::string::npos) << run.err;
    const AudioFile audio = checkAudioFile(readFile(dir / "long.mmf"));
    EXPECT_EQ(audio.ticks, 16510);
    EXPECT_EQ(audio.adpcm.size(), 264160u);
    EXPECT_EQ(audio.tags.substr(0, 8), "ST:long,");
}

TEST_F(ConvertCommand, OptionsReachTheFile)
{
    const fs::path input = sox("six.aif", "-r 6000 -c 1 -b 16", "synth 0.5 sine 440");
    struct Row {
        std::string options;
        int copyStatus;
    };
    for (const Row& row : {Row{"--no-save", 3}, Row{"--no-transfer", 1}, Row{"--no-save --no-transfer", 3}, Row{"", 0}}) {
        const Finished run = cli("convert " + row.options + " --title '' '" + input.string() + "'");
        ASSERT_EQ(run.status, 0) << run.err;
        const AudioFile audio = checkAudioFile(readFile(dir / "six.mmf"));
        EXPECT_EQ(audio.copyStatus, row.copyStatus) << row.options;
        EXPECT_EQ(audio.waveType, 0x10);
        EXPECT_EQ(audio.tags.substr(0, 3), "CD:");
    }
    const fs::path fast = sox("fast.wav", "-r 44100 -c 1 -b 16", "synth 0.5 sine 440");
    ASSERT_EQ(cli("convert --rate 4000 '" + fast.string() + "'").status, 0);
    EXPECT_EQ(checkAudioFile(readFile(dir / "fast.mmf")).waveType, 0x10);
}

TEST_F(ConvertCommand, ExitStatusesAndMessages)
{
    const fs::path six = sox("six.wav", "-r 6000 -c 1 -b 16", "synth 0.5 sine 440");
    const fs::path good = sox("good.wav", "-r 8000 -c 1 -b 16", "synth 0.5 sine 440");
    const fs::path tiny = sox("tiny.wav", "-r 4000 -c 1 -b 8 -e unsigned-integer", "synth 0.021 sine 440");

    // With --strict, only what the desktop program reads.
    Finished run = cli("convert --strict '" + (dir / "song.mp3").string() + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Extension is not .wav/.aif"), std::string::npos);
    EXPECT_EQ(run.out, "");

    run = cli("convert --strict '" + (dir / "song.mp3").string() + "'", "LANG=ja_JP.UTF-8");
    EXPECT_NE(run.err.find("拡張子が.wav/.aifではありません"), std::string::npos);
    // A name whose Tessal file would be itself gets the same message.
    fs::copy_file(good, dir / "clip.mmf");
    run = cli("convert --strict '" + (dir / "clip.mmf").string() + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("clip.mmf: Extension is not .wav/.aif"), std::string::npos) << run.err;

    run = cli("convert '" + tiny.string() + "'");
    EXPECT_EQ(run.status, 3);
    EXPECT_FALSE(fs::exists(dir / "tiny.mmf"));
    EXPECT_NE(run.err.find("no file written"), std::string::npos);

    run = cli("convert --rate 8000 '" + six.string() + "'");
    EXPECT_EQ(run.status, 2);
    EXPECT_FALSE(fs::exists(dir / "six.mmf"));
    EXPECT_NE(run.err.find("Try 'korvel-cli --help'.\n"), std::string::npos);
    EXPECT_EQ(run.err.find("usage:"), std::string::npos);

    // Each file is its own job; the first that failed decides the status.
    run = cli("convert '" + good.string() + "' '" + tiny.string() + "' '" + (dir / "x.txt").string() + "'");
    EXPECT_EQ(run.status, 3);
    EXPECT_TRUE(fs::exists(dir / "good.mmf"));
    EXPECT_EQ(run.out.rfind((dir / "good.mmf").string() + ": Tessal File Size : ", 0), 0u);
    EXPECT_NE(run.err.find("\n1 written, 2 refused\n"), std::string::npos);

    EXPECT_EQ(cli("").status, 2);
    EXPECT_EQ(cli("convert").status, 2);
    run = cli("--help");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("usage: korvel-cli convert"), std::string::npos);
    run = cli("--version");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind("korvel-cli ", 0), 0u);
}

// info --json of names and texts of any script, parsed back by Python.
TEST_F(ConvertCommand, InfoJsonCarriesEveryNameAndTextWhole)
{
    struct Row {
        std::string name, title;
        std::string expectedName;  // as the parser gives it back; empty: the name itself
    };
    const Row rows[] = {
        {"\xE6\xAD\x8C \xF0\x9F\x98\x80 \"q\" \\ x.wav", "T\xC3\xADtulo \xF0\x9F\x8E\xB5 \"q\", \\ end", ""},
        {"caf\xC3\xA9.wav", "tab\there", ""},
        // Not UTF-8: the bytes the parser cannot read become U+FFFD.
        {"bad\xFF.wav", "plain", "bad\xEF\xBF\xBD.wav"},
    };
    for (const Row& row : rows) {
        // Node hands a program its arguments as UTF-8 text: a name of other
        // bytes cannot reach the WebAssembly build.
        if (!row.expectedName.empty() && std::getenv("KORVEL_CLI_COMMAND") != nullptr)
            continue;
        const fs::path wav = sox(row.name, "-r 8000 -c 1 -b 16", "synth 0.3 sine 440");
        const fs::path mmf = fs::path(wav).replace_extension(".mmf");
        ASSERT_EQ(cli("convert --title " + shellWord(row.title) + " " + shellWord(wav), "LANG=C.UTF-8").status, 0) << row.name;
        const fs::path json = dir / "info.json";
        const Finished info = cli("info --json " + shellWord(mmf));
        ASSERT_EQ(info.status, 0) << info.err;
        std::ofstream(json, std::ios::binary) << info.out;
        const Finished parsed = shell("/usr/bin/python3 -c 'import json,sys; d = json.load(open(sys.argv[1], encoding=\"utf-8\")); "
                                      "sys.stdout.buffer.write((d[\"file\"] + \"|\" + d[\"tags\"][\"ST\"]).encode())' " +
                                      shellWord(json));
        ASSERT_EQ(parsed.status, 0) << parsed.err;
        const std::string name = row.expectedName.empty() ? mmf.string() : (dir / row.expectedName).replace_extension(".mmf").string();
        EXPECT_EQ(parsed.out, name + "|" + row.title) << row.name;
    }
}

// The habits of sox, lame and flac users.
TEST_F(ConvertCommand, CommandLineConventions)
{
    const fs::path tone = sox("tone.wav", "-r 8000 -c 1 -b 16", "synth 0.5 sine 440");
    const std::string in = "'" + tone.string() + "'";
    const fs::path mmf = dir / "tone.mmf";

    // A usage error: one line and where to look, no help text.
    Finished run = cli("convert --loud " + in);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "korvel-cli: unknown option: --loud\nTry 'korvel-cli --help'.\n");
    EXPECT_EQ(cli("convert --title").err, "korvel-cli: --title needs a value\nTry 'korvel-cli --help'.\n");
    EXPECT_EQ(cli("convert --no-save=yes " + in).err, "korvel-cli: --no-save takes no value\nTry 'korvel-cli --help'.\n");

    // "--opt=VALUE" as well as "--opt VALUE"; -q silences the success line.
    run = cli("convert -q --output='" + (dir / "eq.mmf").string() + "' " + in);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(fs::exists(dir / "eq.mmf"));

    // -h where a value is expected is the value.
    run = cli("convert --title -h " + in);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("Tessal File Size : ", 0), 0u);
    EXPECT_NE(test::readText(mmf).find("ST:-h,"), std::string::npos);

    // "--" ends the options of every command.
    fs::copy_file(mmf, dir / "-x.mmf");
    run = cli("info -- -x.mmf", "cd '" + dir.string() + "' && LANG=C");
    EXPECT_EQ(run.status, 0) << run.err;
    run = cli("decode -q -o - -- -x.mmf", "cd '" + dir.string() + "' && LANG=C");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("RIFF", 0), 0u);
    EXPECT_EQ(run.err, "");
    EXPECT_FALSE(fs::exists(dir / "-"));

    // A batch: each line names its file, and a count closes it.
    const fs::path other = sox("other.wav", "-r 8000 -c 1 -b 16", "synth 0.5 sine 440");
    run = cli("convert " + in + " '" + other.string() + "' '" + (dir / "none.wav").string() + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out.rfind(mmf.string() + ": Tessal File Size : ", 0), 0u);
    EXPECT_NE(run.out.find("\n" + (dir / "other.mmf").string() + ": Tessal File Size : "), std::string::npos);
    EXPECT_EQ(run.err.substr(run.err.rfind('\n', run.err.size() - 2) + 1), "2 written, 1 refused\n");

    // The files of a batch are put in place together at its end; a second
    // input for a target the batch holds already is not converted.
    fs::create_directories(dir / "again");
    fs::create_directories(dir / "out");
    fs::copy_file(tone, dir / "again" / "tone.wav");
    const fs::path target = dir / "out" / "tone.mmf";
    run = cli("convert --output-dir '" + (dir / "out").string() + "' " + in + " '" +
              (dir / "again" / "tone.wav").string() + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(": will not replace " + target.string() + ", just written from " + tone.string()),
              std::string::npos)
        << run.err;
    EXPECT_TRUE(fs::exists(target));
    EXPECT_EQ(run.err.substr(run.err.rfind('\n', run.err.size() - 2) + 1), "1 written, 1 refused\n");
}

// A batch longer than a second shows on a terminal which file it is at;
// the line is cleared before the next line and at the end.
TEST_F(ConvertCommand, LongBatchesShowTheirProgressOnATerminal)
{
    ASSERT_EQ(std::system("script --version >/dev/null 2>&1"), 0) << "script (util-linux) runs a command on a terminal";
    const fs::path long_ = sox("long.wav", "-r 96000 -c 2 -b 16", "synth 60 sine 440");
    std::string files;
    for (int i = 0; i < 50; ++i) {
        fs::create_symlink(long_, dir / ("take" + std::to_string(i) + ".wav"));
        files += " '" + (dir / ("take" + std::to_string(i) + ".wav")).string() + "'";
    }
    // script puts the command on a terminal and copies what it shows.
    const Finished run = shell("LANG=C script -qec \"'" KORVEL_CLI_PATH "' convert -q" + files + "\" /dev/null");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("\rkorvel-cli: 50/50 " + (dir / "take49.wav").string() + "\033[K"), std::string::npos);
    EXPECT_NE(run.out.find("\r\033[K50 written, 0 refused"), std::string::npos);
    // Not on a pipe.
    EXPECT_EQ(cli("convert -q" + files).err, "50 written, 0 refused\n");
}

}  // namespace
}  // namespace korvel
