#include "frontend/log_page.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "conversion/failure.h"
#include "conversion/log_naming.h"
#include "conversion/utf8_text.h"
#include "page/html_page.h"
#include "page/page_output.h"
#include "system/desktop.h"
#include "system/file_fingerprint.h"
#include "system/file_identity.h"
#include "system/folders.h"
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

fs::path cachedPagePath(const fs::path& cacheFolder, std::span<const std::string> logPaths) {
    std::string absolutePaths;
    for (const std::string& logPath : logPaths) {
        if (!absolutePaths.empty()) absolutePaths += '\n';
        absolutePaths +=
            system::utf8FromPath(fs::absolute(system::pathFromUtf8(logPath)).lexically_normal());
    }
    const std::string others = logPaths.size() > 1 ? "+" + std::to_string(logPaths.size() - 1) : "";
    const std::string name = pageNameStart(system::fileNameOf(logPaths.front())) + others + "-" +
                             hexDigits(pathHash(absolutePaths)) + ".html";
    return cacheFolder / system::pathFromUtf8(name);
}

namespace {

// The logs' fingerprints, where every log can be read.
std::optional<std::vector<system::FileFingerprint>> fingerprintsOf(
    std::span<const std::string> logPaths) {
    std::vector<system::FileFingerprint> fingerprints;
    for (const std::string& logPath : logPaths) {
        const auto fingerprint = system::fingerprintOf(system::pathFromUtf8(logPath));
        if (!fingerprint) return std::nullopt;
        fingerprints.push_back(*fingerprint);
    }
    return fingerprints;
}

void checkLogsNamed(std::span<const std::string> logPaths) {
    if (logPaths.empty() || std::any_of(logPaths.begin(), logPaths.end(), [](const auto& path) {
            return system::withoutSurroundingQuotes(path).empty();
        })) {
        throw Failure(FailureNumber::PathFileAccessError, "No log was named");
    }
    if (logPaths.size() > kMostPageRuns) {
        throw Failure(FailureNumber::PathFileAccessError,
                      "A page compares at most " + std::to_string(kMostPageRuns) + " logs");
    }
}

}  // namespace

CachedPage cachePage(std::span<const std::string> logPaths, const fs::path& cacheFolder,
                     ReportingServices& services, const PageLogBegins& logBegins) {
    checkLogsNamed(logPaths);
    const fs::path page = cachedPagePath(cacheFolder, logPaths);
    const fs::path fingerprintFile = fs::path(page).replace_extension(".fingerprint");
    const auto before = fingerprintsOf(logPaths);
    if (before && system::storedFingerprints(fingerprintFile) == before &&
        system::identityOf(page)) {
        return {page, ConversionOutcome::Converted};
    }
    try {
        system::createFolders(cacheFolder);
    } catch (const Failure& failure) {
        throw Failure(failure.number(), "The page cannot be kept in the cache folder " +
                                            displayName(system::utf8FromPath(cacheFolder)) + " (" +
                                            failure.systemReason() + ")");
    }
    // Until the new page is written whole, the fingerprints of earlier logs must not vouch for
    // whatever page is in place.
    system::discardFingerprints(fingerprintFile);
    const std::optional<system::FileIdentity> earlierPage = system::identityOf(page);
    std::vector<std::unique_ptr<LogInput>> logs;
    for (const std::string& logPath : logPaths) {
        logs.push_back(std::make_unique<system::FileLogInput>(logPath));
    }
    system::FileOutputTarget output(system::utf8FromPath(page), logPaths.front(),
                                    system::InPlaceOutputs::Refused);
    const ConversionOutcome outcome = pageLogs(logs, output, services, {}, logBegins);
    const std::optional<system::FileIdentity> writtenPage = system::identityOf(page);
    // Of the runs that fail, only a damaged log's leaves a page.
    if (!writtenPage || writtenPage == earlierPage) return {std::nullopt, outcome};
    // Logs that changed while their page was written are read again next time.
    if (outcome == ConversionOutcome::Converted && before && fingerprintsOf(logPaths) == before) {
        system::storeFingerprints(fingerprintFile, *before);
    }
    return {page, outcome};
}

namespace {

// What a page's writing reports through: nothing of its progress, since the browser opening
// ends the run, and each failure as a message naming the file it concerns.
class PageReporting : public ReportingServices {
  public:
    explicit PageReporting(PageMessages& messages) : m_messages(messages) {}

    void setBusyPointer(bool) override {}
    void setProgressMin(float) override {}
    void setProgressMax(float) override {}
    void setProgressValue(float) override {}
    void beep() override {}
    void showMessage(const std::string& text, MessageIcon icon) override {
        m_messages.show(text, icon);
    }
    void showFailure(const Failure& failure) override {
        const std::string& file = failure.outputPath().empty() ? m_logPath : failure.outputPath();
        showMessage(displayName(file) + ":\r\n" + detailedFailureText(failure),
                    failureMessage(failure).icon);
    }
    // The log whose reading the messages that follow are about.
    void readingLog(const std::string& logPath) { m_logPath = logPath; }

  private:
    PageMessages& m_messages;
    std::string m_logPath;
};

}  // namespace

int showLogPage(std::span<const std::string> logPaths, PageMessages& messages) {
    PageReporting services(messages);
    std::optional<fs::path> shown;
    try {
        const CachedPage page =
            cachePage(logPaths, pageCacheFolder(system::userCacheFolder()), services,
                      [&](std::size_t log) { services.readingLog(logPaths[log]); });
        if (!page.path) return 1;
        shown = page.path;
        system::openInBrowser(*page.path);
        return page.outcome == ConversionOutcome::Converted ? 0 : 1;
    } catch (...) {
        const Failure failure = failureFromCurrentException();
        std::string text = failure.description() + ".";
        // The page is whole: only the browser failed, and the page can be opened by hand.
        if (shown) text += "\r\nThe page is " + displayName(system::utf8FromPath(*shown)) + ".";
        messages.show(text, MessageIcon::Exclamation);
        return 1;
    }
}

}  // namespace quillet::frontend
