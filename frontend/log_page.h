#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "conversion/run_reporting.h"
#include "page/page_output.h"

// "Show log page", the file manager's second action on a log: the log's HTML page, kept in the
// user's cache folder and opened in the default browser, with no window of the program's own.
namespace quillet::frontend {

// The folder of the user's cache folder that holds the pages.
std::filesystem::path pageCacheFolder(const std::filesystem::path& userCacheFolder);

// The file in cacheFolder that holds the page of the logs: the first log's file name without
// ".pdb", "+N" for the N logs beside it, a hash of the logs' absolute paths, so that logs of one
// name in different folders keep pages of their own, and ".html". Windows and POSIX systems both
// take the name: what a Windows file name cannot hold (control characters and <>:"/\|?*) and
// bytes that are not UTF-8 become "_", and a long file name is cut short.
std::filesystem::path cachedPagePath(const std::filesystem::path& cacheFolder,
                                     std::span<const std::string> logPaths);

struct CachedPage {
    // Nothing when no page of the log could be written.
    std::optional<std::filesystem::path> path;
    // Converted when the page holds the whole log.
    ConversionOutcome outcome;
};

// Makes the page of the logs (one, or up to kMostPageRuns compared, the first the reference) in
// cacheFolder, which is created when missing, as `quillet-convert --html` (or `--compare --html`)
// writes it without options. A page is taken as it is while the fingerprints kept beside it (each
// log's size, last write time and a hash of its bytes) are the logs': a log replaced by an older
// copy, which keeps its time, gets its own page. The page's writing shows its failures through
// services, logBegins telling which log it reads; other failures (no log named, too many, a cache
// folder that cannot be made) are thrown. A damaged log's page holds the samples before the
// damage and gets no fingerprints: the next showing reads the log again and reports its damage
// again, rather than opening the page as a whole log's.
CachedPage cachePage(std::span<const std::string> logPaths,
                     const std::filesystem::path& cacheFolder, ReportingServices& services,
                     const PageLogBegins& logBegins = {});

// Where "Show log page" shows its messages: boxes of its own, since it has no window.
class PageMessages {
  public:
    virtual ~PageMessages() = default;
    // Lines of the text end in CR LF.
    virtual void show(const std::string& text, MessageIcon icon) = 0;
};

// Shows the page of the logs: made in the user's cache folder and opened in the default browser;
// a damaged log's page is opened too. Every failure is shown as a message that names the file it
// concerns (a log, the page, the cache folder). Returns the program's exit status: 0 when the
// page of the whole logs was opened, 1 otherwise.
int showLogPage(std::span<const std::string> logPaths, PageMessages& messages);

}  // namespace quillet::frontend
