#include "system/file_fingerprint.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>

#include "conversion/failure.h"
#include "system/file_access.h"
#include "system/paths.h"
#include "system/replacement_file.h"

namespace quillet::system {
namespace {

namespace fs = std::filesystem;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// A hash of eight bytes at a time, as fast as the disk reads: it tells apart the logs a user
// copies over one another, not bytes made to collide.
class ContentHash {
  public:
    void add(const std::uint8_t* bytes, std::size_t count) {
        for (; count >= 8; bytes += 8, count -= 8) {
            std::uint64_t word = 0;
            std::memcpy(&word, bytes, 8);
            mix(word);
        }
        if (count == 0) return;
        std::uint64_t rest = 0;
        std::memcpy(&rest, bytes, count);
        mix(rest);
    }
    std::uint64_t value() const { return m_hash; }

  private:
    void mix(std::uint64_t word) {
        m_hash = (m_hash ^ word) * 0x9E3779B97F4A7C15ULL;
        m_hash ^= m_hash >> 29;
    }
    std::uint64_t m_hash = 0xCBF29CE484222325ULL;
};

template <typename Number>
bool takeNumber(std::string_view& text, Number& number, int base) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number, base);
    if (error != std::errc() || end == text.data()) return false;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return true;
}

}  // namespace

std::optional<FileFingerprint> fingerprintOf(const fs::path& path) {
    std::error_code error;
    const auto writeTime = fs::last_write_time(path, error);
    if (error) return std::nullopt;
    const std::unique_ptr<std::FILE, FileCloser> file(openForReadingByPosition(path));
    if (!file) return std::nullopt;
    FileFingerprint fingerprint;
    fingerprint.writeTime = static_cast<std::int64_t>(writeTime.time_since_epoch().count());
    ContentHash hash;
    // A whole number of words, so that only the last block has bytes beyond them.
    std::array<std::uint8_t, 64 * 1024> block;
    std::size_t count = 0;
    while ((count = std::fread(block.data(), 1, block.size(), file.get())) > 0) {
        hash.add(block.data(), count);
        fingerprint.size += count;
        if (count < block.size()) break;
    }
    if (std::ferror(file.get())) return std::nullopt;
    fingerprint.hash = hash.value();
    return fingerprint;
}

std::string fingerprintsText(const std::vector<FileFingerprint>& fingerprints) {
    std::string text;
    for (const FileFingerprint& fingerprint : fingerprints) {
        char hash[16];
        const auto end = std::to_chars(hash, hash + sizeof hash, fingerprint.hash, 16).ptr;
        text += std::to_string(fingerprint.size) + " " + std::to_string(fingerprint.writeTime) +
                " " + std::string(hash, end) + "\n";
    }
    return text;
}

std::optional<std::vector<FileFingerprint>> fingerprintsFromText(std::string_view text) {
    std::vector<FileFingerprint> fingerprints;
    auto skip = [&](char c) {
        if (text.empty() || text.front() != c) return false;
        text.remove_prefix(1);
        return true;
    };
    while (!text.empty()) {
        FileFingerprint& fingerprint = fingerprints.emplace_back();
        if (!(takeNumber(text, fingerprint.size, 10) && skip(' ') &&
              takeNumber(text, fingerprint.writeTime, 10) && skip(' ') &&
              takeNumber(text, fingerprint.hash, 16) && skip('\n'))) {
            return std::nullopt;
        }
    }
    return fingerprints;
}

std::optional<std::vector<FileFingerprint>> storedFingerprints(const fs::path& path) {
    const std::unique_ptr<std::FILE, FileCloser> file(openForReadingByPosition(path));
    if (!file) return std::nullopt;
    // Longer than the fingerprints of the most logs a page holds, so that a longer file reads as
    // none.
    char text[4096];
    const std::size_t count = std::fread(text, 1, sizeof text, file.get());
    if (count == sizeof text) return std::nullopt;
    return fingerprintsFromText(std::string_view(text, count));
}

void discardFingerprints(const fs::path& path) {
    std::error_code error;
    if (!fs::remove(path, error) && error) {
        throw Failure(FailureNumber::PathFileAccessError)
            .withSystemReason(utf8FromPath(path), error.message());
    }
}

void storeFingerprints(const fs::path& path, const std::vector<FileFingerprint>& fingerprints) {
    const std::string text = fingerprintsText(fingerprints);
    ReplacementFile file(path);
    file.write(text);
    file.close();
    file.keep();
    file.settle();
}

}  // namespace quillet::system
