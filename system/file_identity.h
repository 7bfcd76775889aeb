#pragma once

#include <compare>
#include <cstdint>
#include <filesystem>
#include <optional>

// Declared once here, defined in posix/file_identity.cpp or windows/file_identity.cpp,
// whichever the build picks.
namespace quillet::system {

// What tells one file from every other while it exists, however a path reaches it: its device
// or volume, and its number there.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;

    auto operator<=>(const FileIdentity&) const = default;
};

// The identity of the file at path, its links followed; nothing where no file is.
std::optional<FileIdentity> identityOf(const std::filesystem::path& path);

}  // namespace quillet::system
