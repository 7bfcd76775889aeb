#pragma once

#include <filesystem>

// Folders the programs make.
namespace quillet::system {

// Makes the folder, and those above it that are missing; fails as a bad file name with the
// system's reason.
void createFolders(const std::filesystem::path& folder);

}  // namespace quillet::system
