#include "system/folders.h"

#include <system_error>

#include "conversion/failure.h"
#include "system/paths.h"

namespace quillet::system {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void failFolder(const fs::path& folder, const std::error_code& error) {
    throw Failure(FailureNumber::PathFileAccessError)
        .withSystemReason(utf8FromPath(folder), error.message());
}

EntryKind kindOf(const fs::directory_entry& entry) {
    std::error_code error;
    const fs::file_status status = entry.status(error);
    if (fs::is_regular_file(status)) return EntryKind::File;
    if (fs::is_directory(status)) return EntryKind::Folder;
    if (!fs::exists(status)) return EntryKind::Missing;
    return EntryKind::Other;
}

}  // namespace

bool isFolder(const fs::path& path) {
    std::error_code notAFolder;
    return fs::is_directory(path, notAFolder);
}

std::vector<FolderEntry> folderEntries(const fs::path& folder) {
    std::vector<FolderEntry> entries;
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        entries.push_back({entry->path(), utf8FromPath(entry->path().filename()), kindOf(*entry)});
    }
    if (error) failFolder(folder, error);
    return entries;
}

void createFolders(const fs::path& folder) {
    std::error_code error;
    // Made absolute first, so that a folder relative to a drive's own folder ("D:csv") is made
    // where Windows writes into it.
    const fs::path absolute = fs::absolute(folder, error);
    if (!error) fs::create_directories(absolute, error);
    if (error) failFolder(folder, error);
}

}  // namespace quillet::system
