#pragma once

// korvel-cli run as a process, in a folder of its own, on files that sox
// makes.

#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/FileContents.h"

namespace korvel::test {

// The samples of a raw file of signed 16-bit little-endian values.
inline std::vector<std::int16_t> rawSamples(const std::filesystem::path& path)
{
    const std::vector<std::uint8_t> raw = readFile(path);
    std::vector<std::int16_t> out(raw.size() / 2);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<std::int16_t>(raw[2 * i] | (raw[2 * i + 1] << 8));
    return out;
}

// A word for the shell, whatever it holds.
inline std::string shellWord(const std::filesystem::path& path)
{
    std::string out = "'";
    for (char c : path.string())
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

struct Finished {
    int status;
    std::string out;
    std::string err;
};

class CommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(std::system("sox --version >/dev/null 2>&1"), 0)
            << "sox is needed for this test; the README's test command installs it";
        dir = std::filesystem::temp_directory_path() / ("korvel-cli-" + std::to_string(std::random_device()()));
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // Runs korvel-cli with the arguments (quoted by the caller) in the
    // environment given; standard output and standard error are caught,
    // unless the arguments redirect them themselves.
    Finished cli(const std::string& arguments, const std::string& environment = "LANG=C")
    {
        return shell(environment + " " + program() + " " + arguments);
    }
    // The converter under test: this build's, or the command that
    // KORVEL_CLI_COMMAND names (the WebAssembly build under Node).
    static std::string program()
    {
        const char* command = std::getenv("KORVEL_CLI_COMMAND");
        return command != nullptr ? command : "'" KORVEL_CLI_PATH "'";
    }
    // Runs a shell command with its output caught.
    Finished shell(const std::string& command)
    {
        const std::filesystem::path out = dir / "stdout", err = dir / "stderr";
        const int raw = std::system((command + " >'" + out.string() + "' 2>'" + err.string() + "'").c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readText(out), readText(err)};
    }
    std::filesystem::path sox(const std::string& name, const std::string& format, const std::string& synth)
    {
        const std::filesystem::path path = dir / name;
        const std::string command = "sox -D -n " + format + " '" + path.string() + "' " + synth + " 2>/dev/null";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return path;
    }

    std::filesystem::path dir;
};

}  // namespace korvel::test
