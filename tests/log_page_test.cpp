#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <string>

#include "frontend/log_page.h"
#include "page/page_output.h"
#include "system/log_files.h"
#include "system/paths.h"
#include "tests/support/log_writer.h"
#include "tests/support/recording_services.h"

namespace quillet::frontend {
namespace {

namespace fs = std::filesystem;
using std::chrono::hours;

// The name of the page cached for a log, split into what comes before its hash and the rest.
std::pair<std::string, std::string> pageName(std::string_view logPath) {
    const std::string name = utf8FromPath(cachedPagePath("cache", logPath).filename());
    const std::size_t hashStart = name.size() < 22 ? 0 : name.size() - 22;
    return {name.substr(0, hashStart), name.substr(hashStart)};
}

TEST(CachedPagePath, NamesThePageAfterTheLogInEveryFileSystemsCharacters) {
    const std::pair<std::string, std::string> rows[] = {
        {"/logs/Run7QMRX.pdb", "Run7QMRX"},
        {"/logs/RUN7QMRX.PDB", "RUN7QMRX"},
        {"/logs/notes.txt", "notes.txt"},
        {"/logs/Prüfung QMRX.pdb", "Prüfung QMRX"},
        {"/logs/" + std::string(70, 'a') + ".pdb", std::string(64, 'a')},
        // A character that would end past the limit is left out whole.
        {"/logs/" + std::string(63, 'a') + "ü.pdb", std::string(63, 'a')},
#ifndef _WIN32
        // Characters of POSIX file names that Windows would refuse, and bytes that are not UTF-8.
        {"/logs/a<b>c:d\"e\\f|g?h*QMRX.pdb", "a_b_c_d_e_f_g_h_QMRX"},
        {"/logs/a\tb\x7F\nQMRX.pdb", "a_b__QMRX"},
        {"/logs/a\xFF\xC3QMRX.pdb", "a__QMRX"},
#endif
    };
    for (const auto& [log, start] : rows) {
        const auto [nameStart, rest] = pageName(log);
        EXPECT_EQ(nameStart, start) << log;
        EXPECT_TRUE(std::regex_match(rest, std::regex("-[0-9a-f]{16}\\.html"))) << rest;
    }
}

TEST(CachedPagePath, KeepsPagesApartByTheLogsAbsolutePath) {
    const std::string here = utf8FromPath(fs::current_path() / "Run7QMRX.pdb");
    const struct {
        std::string a, b;
        bool onePage;
    } rows[] = {
        {"/logs/a/Run7QMRX.pdb", "/logs/b/Run7QMRX.pdb", false},
        {"/logs/a/Run7QMRX.pdb", "/logs/a/./b/../Run7QMRX.pdb", true},
        {"Run7QMRX.pdb", here, true},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(cachedPagePath("cache", row.a) == cachedPagePath("cache", row.b), row.onePage)
            << row.a << " and " << row.b;
    }
    EXPECT_EQ(cachedPagePath("cache", here).parent_path(), fs::path("cache"));
}

// A log in a folder of the test's own, its page cached in a cache folder not made yet.
class CachePageTest : public testing::Test {
  protected:
    void writeLog(std::vector<std::uint8_t> bytes) {
        support::writeFile(log, bytes);
        fs::last_write_time(log, logTime);
    }
    CachedPage cache() { return cachePage(utf8FromPath(log), cacheFolder, services); }
    std::string pageOfLog() {
        FileLogInput input(utf8FromPath(log));
        FileOutputTarget output(utf8FromPath(folder / "expected.html"), std::nullopt);
        support::RecordingServices ignored;
        pageLog(input, output, ignored);
        return support::readFile(folder / "expected.html");
    }

    support::TemporaryFolder folder;
    const fs::path log = folder / "Run7QMRX.pdb";
    const fs::path cacheFolder = folder / "cache" / "pages";
    const fs::path page = cachedPagePath(cacheFolder, utf8FromPath(log));
    const fs::file_time_type logTime = fs::file_time_type::clock::now() - hours(24);
    support::RecordingServices services;
    const std::vector<std::uint8_t> wholeLog = support::buildLog(support::drivingLog({1, 2}, 3, 4));
};

// A cached page is taken while it is newer than the log; one of the log's own time or older is
// written again.
TEST_F(CachePageTest, ReusesOnlyAPageNewerThanTheLog) {
    writeLog(wholeLog);
    const struct {
        std::optional<hours> pageAge;
        bool reused;
    } rows[] = {{std::nullopt, false}, {hours(-1), true}, {hours(0), false}, {hours(1), false}};
    for (const auto& row : rows) {
        fs::remove_all(cacheFolder);
        if (row.pageAge) {
            fs::create_directories(cacheFolder);
            support::writeFile(page, {'o', 'l', 'd'});
            fs::last_write_time(page, logTime - *row.pageAge);
        }
        const CachedPage cached = cache();
        EXPECT_EQ(cached.path, page);
        EXPECT_EQ(cached.outcome, ConversionOutcome::Converted);
        EXPECT_EQ(support::readFile(page), row.reused ? "old" : pageOfLog());
    }
    EXPECT_TRUE(services.messages.empty());
}

// A damaged log's page is written and opened, but never taken as a whole log's: every showing
// reports the damage. A log that cannot be read leaves no page, not even an old one.
TEST_F(CachePageTest, ReportsEveryShowingOfALogThatIsNotWhole) {
    writeLog({wholeLog.begin(), wholeLog.end() - 5});
    for (int showing = 1; showing <= 2; ++showing) {
        const CachedPage cached = cache();
        EXPECT_EQ(cached.path, page);
        EXPECT_EQ(cached.outcome, ConversionOutcome::Failed);
        EXPECT_EQ(services.messages.size(), showing);
        EXPECT_EQ(support::readFile(page), pageOfLog());
    }
    writeLog({'n', 'o', 't', ' ', 'a', ' ', 'l', 'o', 'g'});
    const CachedPage cached = cache();
    EXPECT_EQ(cached.path, std::nullopt);
    EXPECT_EQ(cached.outcome, ConversionOutcome::Failed);
    EXPECT_EQ(services.messages.size(), 3);
    EXPECT_FALSE(fs::exists(page));
}

}  // namespace
}  // namespace quillet::frontend
