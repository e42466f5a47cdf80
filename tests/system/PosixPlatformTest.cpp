// The POSIX file services on real files, links, devices and pipes.

#include "system/PosixPlatform.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <random>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "system/WriteBatch.h"
#include "tests/support/FileContents.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;

// The platform of a file system that cannot make unnamed files.
class NamedOnly : public PosixPlatform {
protected:
    int openUnnamed(const char*) override
    {
        errno = EOPNOTSUPP;
        return -1;
    }
};

class PosixPlatformTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("korvel-posix-" + std::to_string(std::random_device()()));
        fs::create_directories(dir);
    }
    void TearDown() override
    {
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir);
    }

    std::string path(const std::string& name) const { return (dir / name).string(); }
    static std::string contents(const std::string& name) { return test::readText(name); }
    static void put(const std::string& name, const std::string& text) { std::ofstream(name, std::ios::binary) << text; }
    FileResult replace(const std::string& name, const std::string& text)
    {
        return platform.replaceFile(name, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    }
    static mode_t modeOf(const std::string& name)
    {
        struct stat info {};
        ::lstat(name.c_str(), &info);
        return info.st_mode;
    }
    std::size_t entries() const { return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator())); }

    fs::path dir;
    PosixPlatform platform;
};

TEST_F(PosixPlatformTest, AReplacedFileKeepsItsPermissionsAndAReadOnlyOneIsKept)
{
    for (mode_t mode : {0600, 0640, 0755, 0664}) {
        put(path("song.mmf"), "old");
        ::chmod(path("song.mmf").c_str(), mode);
        ASSERT_EQ(replace(path("song.mmf"), "new"), FileResult::ok) << std::oct << mode;
        EXPECT_EQ(contents(path("song.mmf")), "new");
        EXPECT_EQ(modeOf(path("song.mmf")) & 07777, mode) << std::oct << mode;
    }
    // A new file gets the usual permissions as the process's mask narrows
    // them, unnamed or under a hidden name while it is written.
    NamedOnly named;
    const mode_t mask = ::umask(022);
    ASSERT_EQ(replace(path("fresh.mmf"), "new"), FileResult::ok);
    EXPECT_EQ(modeOf(path("fresh.mmf")) & 07777, 0644u);
    ASSERT_EQ(named.replaceFile(path("fresh-named.mmf"), reinterpret_cast<const std::uint8_t*>("new"), 3), FileResult::ok);
    EXPECT_EQ(modeOf(path("fresh-named.mmf")) & 07777, 0644u);
    ::umask(077);
    ASSERT_EQ(named.replaceFile(path("private.mmf"), reinterpret_cast<const std::uint8_t*>("new"), 3), FileResult::ok);
    EXPECT_EQ(modeOf(path("private.mmf")) & 07777, 0600u);
    ::umask(mask);

    // Read-only for everybody, the superuser included.
    for (mode_t mode : {0444, 0400, 0555}) {
        put(path("kept.mmf"), "old");
        ::chmod(path("kept.mmf").c_str(), mode);
        EXPECT_EQ(replace(path("kept.mmf"), "new"), FileResult::readOnly) << std::oct << mode;
        EXPECT_EQ(contents(path("kept.mmf")), "old");
        EXPECT_EQ(modeOf(path("kept.mmf")) & 07777, mode);
        ::chmod(path("kept.mmf").c_str(), 0644);
    }
    EXPECT_EQ(entries(), 5u);
}

TEST_F(PosixPlatformTest, LinksDevicesAndPipesAreWrittenThroughNotReplaced)
{
    // A link to a regular file: the file is replaced, the link stays a link.
    put(path("real.wav"), "old");
    fs::create_symlink("real.wav", dir / "link.wav");
    ASSERT_EQ(replace(path("link.wav"), "new"), FileResult::ok);
    EXPECT_TRUE(fs::is_symlink(dir / "link.wav"));
    EXPECT_EQ(contents(path("real.wav")), "new");

    // A link to a device.
    fs::create_symlink("/dev/null", dir / "null");
    EXPECT_EQ(replace(path("null"), "bytes"), FileResult::ok);
    EXPECT_TRUE(fs::is_symlink(dir / "null"));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));

    // A link that leads nowhere is not followed and not replaced.
    fs::create_symlink("missing.wav", dir / "dangling.wav");
    EXPECT_EQ(replace(path("dangling.wav"), "new"), FileResult::cannotOpen);
    EXPECT_TRUE(fs::is_symlink(dir / "dangling.wav"));
    EXPECT_FALSE(fs::exists(dir / "missing.wav"));

    // A pipe: what is written arrives at its reader, and the pipe stays.
    ASSERT_EQ(::mkfifo(path("pipe.wav").c_str(), 0600), 0);
    std::future<std::string> read = std::async(std::launch::async, [&] { return contents(path("pipe.wav")); });
    EXPECT_EQ(replace(path("pipe.wav"), "through the pipe"), FileResult::ok);
    EXPECT_EQ(read.get(), "through the pipe");
    EXPECT_TRUE(fs::is_fifo(dir / "pipe.wav"));

    // A folder cannot be written.
    fs::create_directory(dir / "folder.mmf");
    EXPECT_EQ(replace(path("folder.mmf"), "new"), FileResult::cannotOpen);
    EXPECT_EQ(entries(), 6u);
}

// Where a child has raised a signal: a sanitizer's runtime may hand it to
// its handler only at the next safe point, so the child waits for it to
// take effect instead of ending first. SIGALRM ends a child whose signal
// never came, with a status the test reports.
[[noreturn]] void waitToBeEnded()
{
    ::alarm(30);
    for (;;)
        ::pause();
}

// On a file system without unnamed files the new file has a hidden name
// while it is written; an interruption then removes it, and the program
// still ends by the signal.
TEST_F(PosixPlatformTest, AnInterruptionRemovesAHiddenNewFile)
{
    put(path("song.mmf"), "old");
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            NamedOnly platform;
            std::unique_ptr<OutputFile> file;
            if (platform.createFile(path("song.mmf"), file) != FileResult::ok || file->write(
                reinterpret_cast<const std::uint8_t*>("new"), 3) != FileResult::ok)
                ::_exit(1);
            ::raise(signal);
            waitToBeEnded();
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << signal << ": status " << status;
        EXPECT_EQ(contents(path("song.mmf")), "old");
        EXPECT_EQ(entries(), 1u) << signal;
    }
}

// A hidden new file left by a run that was killed is removed by the next
// run that writes into its folder; one whose writer still holds it is not.
TEST_F(PosixPlatformTest, HiddenFilesOfKilledRunsAreRemoved)
{
    put(path(".korvel-Stale1"), "left by a killed run");
    put(path(".korvel-Alive1"), "being written");
    put(path(".korvel-longer-name"), "not one of ours");
    const int writer = ::open(path(".korvel-Alive1").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(writer, LOCK_EX), 0);
    ASSERT_EQ(replace(path("song.mmf"), "new"), FileResult::ok);
    EXPECT_FALSE(fs::exists(dir / ".korvel-Stale1"));
    EXPECT_TRUE(fs::exists(dir / ".korvel-Alive1"));
    EXPECT_TRUE(fs::exists(dir / ".korvel-longer-name"));
    ::close(writer);
}

// Opening a pipe with no writer answers at once instead of waiting for one.
TEST_F(PosixPlatformTest, APipeIsRefusedWithoutWaitingForAWriter)
{
    ASSERT_EQ(::mkfifo(path("song.wav").c_str(), 0600), 0);
    std::promise<FileResult> opened;
    std::future<FileResult> result = opened.get_future();
    std::thread([&, promise = std::move(opened)]() mutable {
        std::unique_ptr<InputFile> file;
        promise.set_value(platform.openFile(path("song.wav"), file));
    }).detach();
    if (result.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // Lets the waiting open go, so that the test can end.
        const int release = ::open(path("song.wav").c_str(), O_RDWR);
        result.wait();
        ::close(release);
        FAIL() << "openFile waited for a writer";
    }
    EXPECT_EQ(result.get(), FileResult::cannotRead);
}

// A batch's files wait unnamed: until the commit every target is as it was
// and nothing else is in the folder, also when the run is killed then; after
// it every target is new. Where the system cannot make unnamed files, each
// file is put in place as soon as it is written.
TEST_F(PosixPlatformTest, ABatchsFilesWaitWithoutATraceAndThenAllTakeTheirPlace)
{
    const auto bytes = [](const char* text) { return reinterpret_cast<const std::uint8_t*>(text); };
    put(path("old.mmf"), "old");
    for (const bool killed : {true, false}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            PosixPlatform platform;
            WriteBatch batch(platform);
            if (batch.add(path("old.mmf"), bytes("new 1"), 5) != FileResult::waiting ||
                batch.add(path("fresh.mmf"), bytes("new 2"), 5) != FileResult::waiting)
                ::_exit(1);
            if (killed) {
                ::raise(SIGKILL);
                waitToBeEnded();
            }
            const std::vector<FileResult> results = batch.commit();
            ::_exit(results == std::vector<FileResult>{FileResult::ok, FileResult::ok} ? 0 : 2);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        if (killed) {
            EXPECT_TRUE(WIFSIGNALED(status)) << status;
            EXPECT_EQ(contents(path("old.mmf")), "old");
            EXPECT_EQ(entries(), 1u);
        } else {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
            EXPECT_EQ(contents(path("old.mmf")), "new 1");
            EXPECT_EQ(contents(path("fresh.mmf")), "new 2");
            EXPECT_EQ(entries(), 2u);
        }
    }

    NamedOnly named;
    WriteBatch batch(named);
    EXPECT_EQ(batch.add(path("old.mmf"), bytes("new 3"), 5), FileResult::ok);
    EXPECT_EQ(contents(path("old.mmf")), "new 3");
    EXPECT_EQ(batch.waiting(), 0u);
    EXPECT_EQ(entries(), 2u);
}

// The free space is what the caller may take, not what the superuser may.
TEST_F(PosixPlatformTest, FreeSpaceIsWhatTheCallerMayTake)
{
    PathParts parts;
    parts.directory = (dir / "").string();
    const double free = platform.queryFreeSpace(parts);
    struct statvfs info {};
    ASSERT_EQ(::statvfs(dir.c_str(), &info), 0);
    const double available = static_cast<double>(info.f_bavail) * static_cast<double>(info.f_frsize);
    const double reserved = static_cast<double>(info.f_bfree - info.f_bavail) * static_cast<double>(info.f_frsize);
    // Other programs may write meanwhile; the reserve is usually far larger.
    EXPECT_NEAR(free, available, 64.0 * 1024 * 1024 + reserved / 2);
    EXPECT_EQ(platform.queryFreeSpace(PathParts{.directory = (dir / "missing" / "").string()}), -1);
}

}  // namespace
}  // namespace korvel
