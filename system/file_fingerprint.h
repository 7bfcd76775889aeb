#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// What tells one content of a file from another, to know whether something made from the file
// was made from the bytes it holds now.
namespace quillet::system {

struct FileFingerprint {
    std::uint64_t size = 0;
    // The last write time in the file clock's ticks.
    std::int64_t writeTime = 0;
    std::uint64_t hash = 0;

    bool operator==(const FileFingerprint&) const = default;
};

// The fingerprint of the file at path, its bytes read once; nothing where it cannot be read.
std::optional<FileFingerprint> fingerprintOf(const std::filesystem::path& path);

// A fingerprint as one line of text, and back; nothing for text that holds none.
std::string fingerprintText(const FileFingerprint& fingerprint);
std::optional<FileFingerprint> fingerprintFromText(std::string_view text);

// The fingerprint kept in the file at path; nothing where none is.
std::optional<FileFingerprint> storedFingerprint(const std::filesystem::path& path);
// Removes the fingerprint kept at path, where there is one.
void discardFingerprint(const std::filesystem::path& path);
// Keeps the fingerprint in the file at path, replaced whole.
void storeFingerprint(const std::filesystem::path& path, const FileFingerprint& fingerprint);

}  // namespace quillet::system
