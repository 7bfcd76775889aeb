#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
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

enum class LogKind { Whole, Damaged, Unreadable };

// The log's page as pageLog writes it.
std::string pageOf(const fs::path& log, const fs::path& page) {
    FileLogInput input(utf8FromPath(log));
    FileOutputTarget output(utf8FromPath(page), std::nullopt);
    support::RecordingServices ignored;
    pageLog(input, output, ignored);
    return support::readFile(page);
}

// A page cached while it is newer than its log is taken as it is; any other is written again. A
// damaged log's page is written every time, so that every showing reports the damage; a log that
// cannot be read leaves no page, not even an old one.
TEST(CachePage, WritesThePageUnlessTheCachedOneIsNewerThanAWholeLog) {
    const auto logTime = fs::file_time_type::clock::now() - hours(24);
    const std::vector<std::uint8_t> whole = support::buildLog(support::drivingLog({1, 2}, 3, 4));
    const std::map<LogKind, std::vector<std::uint8_t>> logs = {
        {LogKind::Whole, whole},
        {LogKind::Damaged, {whole.begin(), whole.end() - 5}},
        {LogKind::Unreadable, {'n', 'o', 't', ' ', 'a', ' ', 'l', 'o', 'g'}}};
    const struct {
        LogKind log;
        std::optional<hours> pageAge;
        int showings;
        bool reused;
    } rows[] = {
        {LogKind::Whole, std::nullopt, 1, false},   {LogKind::Whole, hours(-1), 2, true},
        {LogKind::Whole, hours(0), 1, false},       {LogKind::Whole, hours(1), 1, false},
        {LogKind::Damaged, std::nullopt, 2, false}, {LogKind::Unreadable, hours(1), 1, false}};
    for (const auto& row : rows) {
        const support::TemporaryFolder folder;
        const fs::path log = folder / "Run7QMRX.pdb", cacheFolder = folder / "cache" / "pages";
        const fs::path page = cachedPagePath(cacheFolder, utf8FromPath(log));
        support::writeFile(log, logs.at(row.log));
        fs::last_write_time(log, logTime);
        if (row.pageAge) {
            fs::create_directories(cacheFolder);
            support::writeFile(page, {'o', 'l', 'd'});
            fs::last_write_time(page, logTime - *row.pageAge);
        }
        support::RecordingServices services;
        const bool whole = row.log == LogKind::Whole;
        for (int showing = 1; showing <= row.showings; ++showing) {
            const CachedPage cached = cachePage(utf8FromPath(log), cacheFolder, services);
            EXPECT_EQ(cached.path,
                      row.log == LogKind::Unreadable ? std::nullopt : std::optional(page));
            EXPECT_EQ(cached.outcome,
                      whole ? ConversionOutcome::Converted : ConversionOutcome::Failed);
            EXPECT_EQ(services.messages.size(), whole ? 0 : showing);
        }
        if (row.log == LogKind::Unreadable) {
            EXPECT_FALSE(fs::exists(page));
        } else {
            EXPECT_EQ(support::readFile(page),
                      row.reused ? "old" : pageOf(log, folder / "expected.html"));
        }
    }
}

}  // namespace
}  // namespace quillet::frontend
