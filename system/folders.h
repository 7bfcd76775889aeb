#pragma once

#include <filesystem>
#include <string>
#include <vector>

// Folders the programs make and list.
namespace quillet::system {

// Whether the path, its links followed, names a folder.
bool isFolder(const std::filesystem::path& path);

enum class EntryKind {
    File,
    Folder,
    // A link that leads to nothing.
    Missing,
    // A pipe, a socket or a device.
    Other,
};

struct FolderEntry {
    std::filesystem::path path;
    // Its name as UTF-8 text.
    std::string name;
    // What its links lead to.
    EntryKind kind;
};

// The entries directly in the folder, in no order; fails as a bad file name with the system's
// reason where the folder cannot be read.
std::vector<FolderEntry> folderEntries(const std::filesystem::path& folder);

// Makes the folder, and those above it that are missing; fails as a bad file name with the
// system's reason.
void createFolders(const std::filesystem::path& folder);

}  // namespace quillet::system
