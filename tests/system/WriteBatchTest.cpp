// The order in which a batch makes its files durable and puts them in
// place, and what a failure of one volume's sync does, on a platform that
// notes every step.

#include "system/WriteBatch.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "system/Platform.h"

namespace korvel {
namespace {

struct Steps {
    std::vector<std::string> done;
    std::uint64_t failingVolume = 99;
};

// A file on volume "a" or "b" by the first letter of its name, in folder
// "a" or "b"; one named "x..." cannot wait.
class NotedFile : public OutputFile {
public:
    NotedFile(Steps& steps, std::string name) : steps(steps), name(std::move(name)) {}
    FileResult write(const std::uint8_t*, std::size_t) override { return note("write"); }
    FileResult commit() override { return note("commit"); }
    bool canWait() const override { return name[0] != 'x'; }
    std::uint64_t volume() const override { return static_cast<std::uint64_t>(name[0]); }
    std::string folder() const override { return name.substr(0, 1); }
    FileResult syncVolume() override
    {
        note("sync");
        return volume() == steps.failingVolume ? FileResult::cannotWrite : FileResult::ok;
    }
    FileResult place() override { return note("place"); }

private:
    FileResult note(const char* what)
    {
        steps.done.push_back(std::string(what) + " " + name);
        return FileResult::ok;
    }
    Steps& steps;
    std::string name;
};

class NotingPlatform : public Platform {
public:
    explicit NotingPlatform(Steps& steps) : steps(steps) {}
    FileResult openFile(const std::string&, std::unique_ptr<InputFile>&) override { return FileResult::cannotOpen; }
    FileResult openStandardInput(std::unique_ptr<InputFile>&) override { return FileResult::cannotRead; }
    FileResult createFile(const std::string& path, std::unique_ptr<OutputFile>& file) override
    {
        if (path == "refused")
            return FileResult::cannotOpen;
        file = std::make_unique<NotedFile>(steps, path);
        return FileResult::ok;
    }
    double queryFreeSpace(const PathParts&) override { return 1e9; }
    void useUserLocale() override {}
    bool japaneseInterface() override { return false; }
    FileResult syncFolder(const std::string& folder) override
    {
        steps.done.push_back("sync folder " + folder);
        return FileResult::ok;
    }

private:
    Steps& steps;
};

TEST(WriteBatch, EachVolumeIsSyncedOnceBeforeAnyFileTakesItsNameAndEachFolderOnceAfter)
{
    const std::uint8_t byte = 0;
    for (const bool failing : {false, true}) {
        Steps steps;
        if (failing)
            steps.failingVolume = 'b';
        NotingPlatform platform(steps);
        WriteBatch batch(platform);
        EXPECT_EQ(batch.add("a1", &byte, 1), FileResult::waiting);
        EXPECT_EQ(batch.add("b1", &byte, 1), FileResult::waiting);
        EXPECT_EQ(batch.add("x1", &byte, 1), FileResult::ok);
        EXPECT_EQ(batch.add("refused", &byte, 1), FileResult::cannotOpen);
        EXPECT_EQ(batch.add("a2", &byte, 1), FileResult::waiting);
        EXPECT_EQ(batch.waiting(), 3u);
        const std::vector<FileResult> results = batch.commit();
        EXPECT_EQ(batch.waiting(), 0u);
        if (!failing) {
            EXPECT_EQ(results, (std::vector<FileResult>{FileResult::ok, FileResult::ok, FileResult::ok}));
            EXPECT_EQ(steps.done, (std::vector<std::string>{"write a1", "write b1", "write x1", "commit x1", "write a2",
                                                            "sync a1", "sync b1", "place a1", "place b1", "place a2",
                                                            "sync folder a", "sync folder b"}));
        } else {
            // The files of the volume that could not be synced keep no name.
            EXPECT_EQ(results,
                      (std::vector<FileResult>{FileResult::ok, FileResult::cannotWrite, FileResult::ok}));
            EXPECT_EQ(steps.done, (std::vector<std::string>{"write a1", "write b1", "write x1", "commit x1", "write a2",
                                                            "sync a1", "sync b1", "place a1", "place a2",
                                                            "sync folder a"}));
        }
    }
}

}  // namespace
}  // namespace korvel
