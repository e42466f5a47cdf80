#include "system/WriteBatch.h"

#include <map>
#include <set>

#include "system/Platform.h"

namespace korvel {

WriteBatch::WriteBatch(Platform& platform) : platform(platform) {}

// Files still waiting are dropped, unnamed: their targets stay as they were.
WriteBatch::~WriteBatch() = default;

FileResult WriteBatch::add(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    std::unique_ptr<OutputFile> file;
    const FileResult result = platform.writeFile(path, data, size, file);
    if (result != FileResult::ok)
        return result;
    if (!file->canWait())
        return file->commit();
    files.push_back(std::move(file));
    return FileResult::waiting;
}

std::vector<FileResult> WriteBatch::commit()
{
    // One sync for each volume, through the first of its files.
    std::map<std::uint64_t, FileResult> volumes;
    std::vector<FileResult> results;
    results.reserve(files.size());
    for (const std::unique_ptr<OutputFile>& file : files) {
        const auto [at, first] = volumes.emplace(file->volume(), FileResult::ok);
        if (first)
            at->second = file->syncVolume();
        results.push_back(at->second);
    }
    std::set<std::string> folders;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (results[i] == FileResult::ok)
            results[i] = files[i]->place();
        if (results[i] == FileResult::ok)
            folders.insert(files[i]->folder());
    }
    // The names are on the disk once their folders are. A file whose folder
    // cannot be synced is still in place and its bytes are on the disk; only
    // its name waits for the system's own writing, the old file standing
    // until then.
    for (const std::string& folder : folders)
        platform.syncFolder(folder);
    files.clear();
    return results;
}

}  // namespace korvel
