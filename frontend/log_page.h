#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "conversion/run_reporting.h"

// "Show log page", the file manager's second action on a log: the log's HTML page, kept in the
// user's cache folder and opened in the default browser, with no window of the program's own.
namespace quillet::frontend {

// The folder of the user's cache folder that holds the pages.
std::filesystem::path pageCacheFolder(const std::filesystem::path& userCacheFolder);

// The file in cacheFolder that holds the page of the log at logPath: the log's file name without
// ".pdb", a hash of the log's absolute path, so that logs of one name in different folders keep
// pages of their own, and ".html". Windows and POSIX systems both take the name: what a Windows
// file name cannot hold (control characters and <>:"/\|?*) and bytes that are not UTF-8 become
// "_", and a long file name is cut short.
std::filesystem::path cachedPagePath(const std::filesystem::path& cacheFolder,
                                     std::string_view logPath);

struct CachedPage {
    // Nothing when no page of the log could be written.
    std::optional<std::filesystem::path> path;
    // Converted when the page holds the whole log.
    ConversionOutcome outcome;
};

// Makes the page of the log in cacheFolder, which is created when missing, as `quillet-convert
// --html` writes it without options. A page newer than the log is taken as it is. The page's
// writing shows its failures through services; other failures (no log named, a cache folder
// that cannot be made) are thrown. A damaged log's page holds the samples before the damage and
// gets the log's own time, which is not newer than the log: the next showing reads the log again
// and reports its damage again, rather than opening the page as a whole log's.
CachedPage cachePage(std::string_view logPath, const std::filesystem::path& cacheFolder,
                     ReportingServices& services);

// Shows the log's page: made in the user's cache folder and opened in the default browser; a
// damaged log's page is opened too. Every failure is shown through services. Returns the
// program's exit status: 0 when the whole log's page was opened, 1 otherwise.
int showLogPage(std::string_view logPath, ReportingServices& services);

// What a run without a window lends the page's writing: only its message boxes. Nothing shows
// progress and no beep sounds, since the page opening in the browser ends the run.
class WindowlessServices : public ReportingServices {
  public:
    void setBusyPointer(bool) override {}
    void setProgressMin(float) override {}
    void setProgressMax(float) override {}
    void setProgressValue(float) override {}
    void beep() override {}
};

}  // namespace quillet::frontend
