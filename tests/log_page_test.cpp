#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <regex>
#include <string>

#include "frontend/log_page.h"
#include "page/page_output.h"
#include "system/log_files.h"
#include "system/paths.h"
#include "tests/support/log_writer.h"
#include "tests/support/memory_io.h"
#include "tests/support/recording_services.h"

namespace quillet::frontend {
namespace {

namespace fs = std::filesystem;
using std::chrono::hours;

fs::path pagePath(const fs::path& cacheFolder, const std::string& logPath) {
    return cachedPagePath(cacheFolder, std::span(&logPath, 1));
}

// The name of the page cached for logs, split into what comes before its hash and the rest.
std::pair<std::string, std::string> pageName(const std::vector<std::string>& logPaths) {
    const std::string name = system::utf8FromPath(cachedPagePath("cache", logPaths).filename());
    const std::size_t hashStart = name.size() < 22 ? 0 : name.size() - 22;
    return {name.substr(0, hashStart), name.substr(hashStart)};
}

TEST(CachedPagePath, NamesThePageAfterTheLogInEveryFileSystemsCharacters) {
    const std::pair<std::vector<std::string>, std::string> rows[] = {
        {{"/logs/Run7QMRX.pdb"}, "Run7QMRX"},
        {{"/logs/BeforeQMRX.pdb", "/logs/AfterQMRX.pdb", "/x/LastQMRX.pdb"}, "BeforeQMRX+2"},
        {{"/logs/RUN7QMRX.PDB"}, "RUN7QMRX"},
        {{"/logs/notes.txt"}, "notes.txt"},
        {{"/logs/Prüfung QMRX.pdb"}, "Prüfung QMRX"},
        {{"/logs/" + std::string(70, 'a') + ".pdb"}, std::string(64, 'a')},
        // A character that would end past the limit is left out whole.
        {{"/logs/" + std::string(63, 'a') + "ü.pdb"}, std::string(63, 'a')},
#ifndef _WIN32
        // Characters of POSIX file names that Windows would refuse, and bytes that are not UTF-8.
        {{"/logs/a<b>c:d\"e\\f|g?h*QMRX.pdb"}, "a_b_c_d_e_f_g_h_QMRX"},
        {{"/logs/a\tb\x7F\nQMRX.pdb"}, "a_b__QMRX"},
        {{"/logs/a\xFF\xC3QMRX.pdb"}, "a__QMRX"},
#endif
    };
    for (const auto& [log, start] : rows) {
        const auto [nameStart, rest] = pageName(log);
        EXPECT_EQ(nameStart, start) << log.front();
        EXPECT_TRUE(std::regex_match(rest, std::regex("-[0-9a-f]{16}\\.html"))) << rest;
    }
}

TEST(CachedPagePath, KeepsPagesApartByTheLogsAbsolutePath) {
    const std::string here = system::utf8FromPath(fs::current_path() / "Run7QMRX.pdb");
    const struct {
        std::vector<std::string> a, b;
        bool onePage;
    } rows[] = {
        {{"/logs/a/Run7QMRX.pdb"}, {"/logs/b/Run7QMRX.pdb"}, false},
        {{"/logs/a/Run7QMRX.pdb"}, {"/logs/a/./b/../Run7QMRX.pdb"}, true},
        {{"Run7QMRX.pdb"}, {here}, true},
        {{"/logs/a/Run7QMRX.pdb", "/logs/b/Run7QMRX.pdb"}, {"/logs/a/Run7QMRX.pdb"}, false},
        // Runs compared in another order are another page, with another reference.
        {{"/logs/a/Run7QMRX.pdb", "/logs/b/Run7QMRX.pdb"},
         {"/logs/b/Run7QMRX.pdb", "/logs/a/Run7QMRX.pdb"},
         false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(cachedPagePath("cache", row.a) == cachedPagePath("cache", row.b), row.onePage)
            << row.a.front() << " and " << row.b.front();
    }
    EXPECT_EQ(pagePath("cache", here).parent_path(), fs::path("cache"));
}

// The page of the logs as quillet-convert writes it.
std::string pageOf(const std::vector<std::string>& logPaths, const fs::path& page) {
    std::vector<std::unique_ptr<LogInput>> logs;
    for (const std::string& logPath : logPaths) {
        logs.push_back(std::make_unique<system::FileLogInput>(logPath));
    }
    system::FileOutputTarget output(system::utf8FromPath(page), std::nullopt);
    support::RecordingServices ignored;
    pageLogs(logs, output, ignored);
    return support::readFile(page);
}

// One showing of a log's page: the log as it is then, and what the showing must do.
struct Showing {
    std::vector<std::uint8_t> log;
    // How much older than the first showing's log the log's time is, as `cp -p` keeps it.
    hours older;
    bool reused;
    ConversionOutcome outcome;
    bool opened;
};

// A cached page is taken as it is only while the fingerprints beside it are its logs'; any other
// is written again. A damaged log's page is written every time, so that every showing reports
// the damage; a log that cannot be read opens no page, not even an earlier one. Each row shows
// the page of one log, and again of that log compared after another one that stays as it is.
TEST(CachePage, TakesTheCachedPageOnlyForTheSameBytes) {
    const std::vector<std::uint8_t> whole = support::buildLog(support::drivingLog({1, 2}, 3, 4));
    const std::vector<std::uint8_t> sameSize =
        support::buildLog(support::drivingLog({1, 2}, 3, 4, 2));
    const std::vector<std::uint8_t> longer = support::buildLog(support::drivingLog({1, 2}, 9, 4));
    const std::vector<std::uint8_t> damaged(whole.begin(), whole.end() - 5);
    const std::vector<std::uint8_t> unreadable = {'n', 'o', 't', ' ', 'a', ' ', 'l', 'o', 'g'};
    constexpr auto kWhole = ConversionOutcome::Converted;
    constexpr auto kFailed = ConversionOutcome::Failed;
    const struct {
        std::string name;
        std::vector<Showing> showings;
    } rows[] = {
        {"TheSameLogTwice",
         {{whole, hours(0), false, kWhole, true}, {whole, hours(0), true, kWhole, true}}},
        {"AnOlderCopyOfAnotherLog",
         {{longer, hours(0), false, kWhole, true}, {whole, hours(2), false, kWhole, true}}},
        {"OtherBytesOfTheSameSizeAndTime",
         {{whole, hours(0), false, kWhole, true}, {sameSize, hours(0), false, kWhole, true}}},
        {"ADamagedLog",
         {{damaged, hours(0), false, kFailed, true}, {damaged, hours(0), false, kFailed, true}}},
        {"AnUnreadableLogAfterAWholeOne",
         {{whole, hours(0), false, kWhole, true}, {unreadable, hours(0), false, kFailed, false}}},
    };
    ASSERT_EQ(sameSize.size(), whole.size());
    ASSERT_NE(sameSize, whole);
    const auto logTime = fs::file_time_type::clock::now() - hours(24);
    for (const auto& row : rows) {
        for (const bool compared : {false, true}) {
            const support::TemporaryFolder folder;
            const fs::path log = folder / "Run7QMRX.pdb", cacheFolder = folder / "cache" / "pages";
            std::vector<std::string> logPaths = {system::utf8FromPath(log)};
            if (compared) {
                support::writeFile(folder / "FirstQMRX.pdb", longer);
                logPaths.insert(logPaths.begin(), system::utf8FromPath(folder / "FirstQMRX.pdb"));
            }
            const fs::path page = cachedPagePath(cacheFolder, logPaths);
            const std::string name = row.name + (compared ? " after another log" : "");
            support::RecordingServices services;
            std::size_t failures = 0;
            for (const Showing& showing : row.showings) {
                support::writeFile(log, showing.log);
                fs::last_write_time(log, logTime - showing.older);
                // A page taken as it is keeps what the test left in it.
                if (fs::exists(page)) support::writeFile(page, {'o', 'l', 'd'});
                const CachedPage cached = cachePage(logPaths, cacheFolder, services);
                failures += showing.outcome == kFailed;
                EXPECT_EQ(cached.path, showing.opened ? std::optional(page) : std::nullopt) << name;
                EXPECT_EQ(cached.outcome, showing.outcome) << name;
                EXPECT_EQ(services.messages.size(), failures) << name;
                if (showing.opened) {
                    EXPECT_EQ(support::readFile(page),
                              showing.reused ? "old" : pageOf(logPaths, folder / "expected.html"))
                        << name;
                }
            }
        }
    }
}

}  // namespace
}  // namespace quillet::frontend
