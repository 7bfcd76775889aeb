#include "frontend/log_page.h"

#include <algorithm>
#include <cstdint>

#include "conversion/failure.h"
#include "conversion/log_naming.h"
#include "conversion/utf8_text.h"
#include "page/page_output.h"
#include "system/desktop.h"
#include "system/file_times.h"
#include "system/log_files.h"
#include "system/paths.h"

namespace quillet::frontend {
namespace {

namespace fs = std::filesystem;

// Long enough to tell logs apart by, short enough that with the hash and ".html" the page's name
// stays far within the 255 characters that file systems allow a name.
constexpr std::size_t kLongestPageNameStart = 64;

// FNV-1a: enough to tell apart the folders a user keeps logs in, and the same in every version.
std::uint64_t pathHash(std::string_view text) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : text) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
    return hash;
}

std::string hexDigits(std::uint64_t value) {
    std::string digits(16, '0');
    for (auto digit = digits.rbegin(); digit != digits.rend(); ++digit, value >>= 4) {
        *digit = "0123456789abcdef"[value & 0xF];
    }
    return digits;
}

// Whether a character, a well-formed UTF-8 sequence, may stand in a Windows file name.
bool fitsWindowsFileName(std::string_view character) {
    if (character.size() > 1) return true;
    const char c = character.front();
    return static_cast<unsigned char>(c) >= 0x20 && c != 0x7F &&
           std::string_view("<>:\"/\\|?*").find(c) == std::string_view::npos;
}

// The log's file name as the start of its page's name.
std::string pageNameStart(std::string_view logFileName) {
    logFileName = withoutDatabaseExtension(logFileName);
    std::string start;
    while (!logFileName.empty()) {
        const std::size_t length = utf8SequenceLength(logFileName);
        const std::string_view character = logFileName.substr(0, std::max<std::size_t>(length, 1));
        const std::string_view kept =
            length > 0 && fitsWindowsFileName(character) ? character : "_";
        if (start.size() + kept.size() > kLongestPageNameStart) break;
        start += kept;
        logFileName.remove_prefix(character.size());
    }
    return start;
}

}  // namespace

fs::path pageCacheFolder(const fs::path& userCacheFolder) {
    return userCacheFolder / "quillet" / "pages";
}

fs::path cachedPagePath(const fs::path& cacheFolder, std::string_view logPath) {
    const fs::path absolute = fs::absolute(pathFromUtf8(logPath)).lexically_normal();
    const std::string name = pageNameStart(fileNameOf(logPath)) + "-" +
                             hexDigits(pathHash(utf8FromPath(absolute))) + ".html";
    return cacheFolder / pathFromUtf8(name);
}

CachedPage cachePage(std::string_view logPath, const fs::path& cacheFolder,
                     ReportingServices& services) {
    // As in the window, a path that names nothing is a bad file name.
    if (logPath.empty()) throw Failure(FailureNumber::PathFileAccessError);
    const fs::path page = cachedPagePath(cacheFolder, logPath);
    const fs::path log = pathFromUtf8(logPath);
    if (system::writtenAfter(page, log)) return {page, ConversionOutcome::Converted};
    fs::create_directories(cacheFolder);
    // An out-of-date page is of no use; without it, a page in its place is one this run wrote.
    fs::remove(page);
    FileLogInput input{std::string(logPath)};
    FileOutputTarget output(utf8FromPath(page), std::string(logPath), InPlaceOutputs::Refused);
    if (pageLog(input, output, services) == ConversionOutcome::Converted) {
        return {page, ConversionOutcome::Converted};
    }
    // Of the runs that fail, only a damaged log's leaves a page.
    if (!fs::exists(page)) return {std::nullopt, ConversionOutcome::Failed};
    fs::last_write_time(page, fs::last_write_time(log));
    return {page, ConversionOutcome::Failed};
}

int showLogPage(std::string_view logPath, ReportingServices& services) {
    try {
        const CachedPage page =
            cachePage(logPath, pageCacheFolder(system::userCacheFolder()), services);
        if (page.path) system::openInBrowser(*page.path);
        return page.outcome == ConversionOutcome::Converted ? 0 : 1;
    } catch (...) {
        services.showFailure(failureFromCurrentException());
        return 1;
    }
}

}  // namespace quillet::frontend
