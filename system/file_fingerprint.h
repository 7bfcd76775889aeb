#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// Fingerprints as lines of text, one each, and back; nothing for text that holds none.
std::string fingerprintsText(const std::vector<FileFingerprint>& fingerprints);
std::optional<std::vector<FileFingerprint>> fingerprintsFromText(std::string_view text);

// The fingerprints kept in the file at path; nothing where none are.
std::optional<std::vector<FileFingerprint>> storedFingerprints(const std::filesystem::path& path);
// Removes the fingerprints kept at path, where there are.
void discardFingerprints(const std::filesystem::path& path);
// Keeps the fingerprints in the file at path, replaced whole.
void storeFingerprints(const std::filesystem::path& path,
                       const std::vector<FileFingerprint>& fingerprints);

}  // namespace quillet::system
