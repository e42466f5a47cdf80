// Writes the seed corpora of the fuzz targets into a folder, one file per
// seed, made by the project's own image builder and writers: WAV, RF64 and
// AIFF images of every accepted layout and some refused ones, and Tessal
// files of all three writers. (tools/fuzz adds compressed files made by
// Debian's encoders.)
//
//     korvel_fuzz_seeds OUTPUT_FOLDER

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "reference/AudioClip.h"
#include "tessal/ContentInfo.h"
#include "tests/support/ImageBuilder.h"

namespace {

using korvel::test::Bytes;

std::vector<std::int16_t> tone(int count)
{
    std::vector<std::int16_t> out(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        out[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(12000 * std::sin(i * 0.07) + 3000 * std::sin(i * 1.3));
    return out;
}

Bytes bytesOf(const std::vector<std::int16_t>& values, bool bigEndian, int width)
{
    Bytes out;
    for (std::int16_t v : values) {
        const auto u = static_cast<std::uint16_t>(v);
        if (width == 1)
            out.push_back(static_cast<std::uint8_t>(bigEndian ? u >> 8 : (u >> 8) ^ 0x80));
        else if (bigEndian)
            out.insert(out.end(), {static_cast<std::uint8_t>(u >> 8), static_cast<std::uint8_t>(u)});
        else
            out.insert(out.end(), {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8)});
    }
    return out;
}

// An RF64 image: its sizes in a "ds64" chunk, those of "RF64" and "data"
// 0xFFFFFFFF; the data's size as dataSize states it.
Bytes rf64Image(const Bytes& samples, std::uint64_t dataSize)
{
    const std::uint64_t riffSize = 4 + 8 + 28 + 8 + 16 + 8 + samples.size();
    return korvel::test::ImageBuilder()
        .text("RF64").le32(0xFFFFFFFF).text("WAVE")
        .text("ds64").le32(28)
        .le32(static_cast<std::uint32_t>(riffSize)).le32(static_cast<std::uint32_t>(riffSize >> 32))
        .le32(static_cast<std::uint32_t>(dataSize)).le32(static_cast<std::uint32_t>(dataSize >> 32))
        .le32(static_cast<std::uint32_t>(samples.size() / 2)).le32(0).le32(0)
        .riffChunk("fmt ", korvel::test::wavFormatBody({}))
        .text("data").le32(0xFFFFFFFF).bytes(samples)
        .image();
}

void save(const std::filesystem::path& folder, const std::string& name, const Bytes& prefix, const Bytes& image)
{
    std::filesystem::create_directories(folder);
    std::ofstream out(folder / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(prefix.data()), static_cast<std::streamsize>(prefix.size()));
    out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: korvel_fuzz_seeds OUTPUT_FOLDER\n");
        return 2;
    }
    const std::filesystem::path root = argv[1];
    int n = 0;
    std::vector<Bytes> tessal;
    for (std::uint16_t channels : {1, 2}) {
        for (int width : {1, 2}) {
            for (std::uint32_t rate : {4000u, 8000u, 11025u, 22050u, 44100u, 48000u}) {
                const int frames = 400;
                const std::vector<std::int16_t> values = tone(frames * channels);
                const Bytes wav = korvel::test::wavImage(
                    {.channels = channels, .sampleRate = rate, .bitsPerSample = static_cast<std::uint16_t>(8 * width)},
                    bytesOf(values, false, width));
                const Bytes aiff = korvel::test::aiffImage({.channels = channels, .frames = frames,
                                                            .sampleSize = static_cast<std::uint16_t>(8 * width),
                                                            .sampleRate = static_cast<double>(rate)},
                                                           bytesOf(values, true, width));
                const std::string name = "seed" + std::to_string(n++);
                save(root / "wav", name, {}, wav);
                save(root / "aiff", name, {}, aiff);
                for (std::uint8_t mode : {0, 2})
                    save(root / "conversion", name + "-" + std::to_string(mode), {mode}, wav);
                for (std::uint8_t mode : {1, 3})
                    save(root / "conversion", name + "-" + std::to_string(mode), {mode}, aiff);
                // korvel-cli's way in: WAV and AIFF by name, as another kind,
                // with an excerpt and with a loudness measure, and a WAV
                // written to a pipe (its sizes 0).
                for (std::uint8_t mode : {0, 2, 8, 16})
                    save(root / "any", name + "-wav-" + std::to_string(mode), {mode}, wav);
                for (std::uint8_t mode : {1, 2, 9})
                    save(root / "any", name + "-aiff-" + std::to_string(mode), {mode}, aiff);
                Bytes streamed = wav;
                for (std::size_t at : {std::size_t{4}, std::size_t{40}})
                    std::fill_n(streamed.begin() + static_cast<std::ptrdiff_t>(at), 4, 0);
                save(root / "any", name + "-streamed", {2}, streamed);

                korvel::AudioClip clip;
                if (clip.load(false, wav) != 0 || clip.mixDown(0) != 0)
                    continue;
                const int outRate = rate < 8000 ? 4000 : 8000;
                if (clip.resample(outRate, 256) != 0)
                    continue;
                korvel::ContentInfo info;
                info.codeType = korvel::ContentInfo::kCodeUtf8;
                std::strcpy(info.slots[korvel::ContentInfo::kSlotTitle], "Seed");
                std::strcpy(info.slots[korvel::ContentInfo::kSlotDate], "20261208");
                for (int writer : {0, 1, 2}) {
                    Bytes file(1 << 16);
                    const int length = clip.encode(writer, 0, &info, file.data(), static_cast<int>(file.size()));
                    if (length > 0) {
                        file.resize(static_cast<std::size_t>(length));
                        tessal.push_back(file);
                    }
                }
            }
        }
    }
    // Odd but accepted layouts: chunks before "fmt ", an extended format, a
    // pad byte, "SSND" before "COMM", a sound-data offset.
    const Bytes samples = bytesOf(tone(600), false, 2);
    save(root / "wav", "chunks", {},
         korvel::test::ImageBuilder()
             .text("RIFF").le32(4 + 8 + 3 + 1 + 8 + 18 + 8 + static_cast<std::uint32_t>(samples.size()))
             .text("WAVE")
             .riffChunk("LIST", {'a', 'b', 'c'})
             .riffChunk("fmt ", korvel::test::wavFormatBody({.extension = {0, 0}}))
             .riffChunk("data", samples)
             .image());
    const Bytes common = korvel::test::aiffCommonBody({.channels = 1, .frames = 600});
    const Bytes sound = korvel::test::aiffSoundBody(bytesOf(tone(600), true, 2), 4);
    save(root / "aiff", "ssnd-first", {}, korvel::test::iffForm("AIFF", korvel::test::ImageBuilder()
                                                                              .iffChunk("SSND", sound)
                                                                              .iffChunk("COMM", common)
                                                                              .image()));
    // RF64, honest and with a data size past any offset (2^63 - 1).
    const Bytes rf64Samples = bytesOf(tone(800), false, 2);
    for (const std::uint64_t dataSize : {std::uint64_t{rf64Samples.size()}, (std::uint64_t{1} << 63) - 1})
        for (std::uint8_t mode : {2, 10})
            save(root / "any", "rf64-" + std::to_string(dataSize) + "-" + std::to_string(mode), {mode},
                 rf64Image(rf64Samples, dataSize));
    for (std::size_t i = 0; i < tessal.size(); ++i)
        save(root / "tessal", "file" + std::to_string(i), {}, tessal[i]);
    std::printf("%d sound images and %zu Tessal files written to %s\n", n, tessal.size(), root.c_str());
    return 0;
}
