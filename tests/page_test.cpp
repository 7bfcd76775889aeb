#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

#include "page/html_page.h"
#include "page/page_output.h"
#include "tests/conversion_fixture.h"
#include "tests/support/converter_command.h"
#include "tests/support/damaged_logs.h"
#include "tests/support/expected_csv.h"
#include "tests/support/memory_io.h"
#include "tests/support/reference_conversion.h"

namespace quillet {
namespace {

using support::CommandResult;
using support::shellQuoted;

// What appendBase64 writes of the arguments.
template <typename... Arguments>
std::string base64Of(const Arguments&... arguments) {
    MemoryOutputTarget target;
    const std::unique_ptr<ByteSink> sink = target.replace();
    WriteBuffer out(*sink);
    appendBase64(arguments..., out);
    out.flush();
    sink->close();
    sink->keep();
    return target.contents;
}

std::vector<std::uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

// An item of a run's summary as the page's data holds it.
std::string summaryItem(const std::string& term, const std::string& value) {
    return "[\"" + term + "\",\"" + value + "\"]";
}

TEST(Base64, WritesTheVectorsOfItsStandard) {
    const std::vector<std::pair<std::string, std::string>> vectors = {{"", ""},
                                                                      {"f", "Zg=="},
                                                                      {"fo", "Zm8="},
                                                                      {"foo", "Zm9v"},
                                                                      {"foob", "Zm9vYg=="},
                                                                      {"fooba", "Zm9vYmE="},
                                                                      {"foobar", "Zm9vYmFy"},
                                                                      {"\xFF\xFE", "//4="}};
    for (const auto& [text, encoded] : vectors) {
        const std::vector<std::uint8_t> bytes = bytesOf(text);
        EXPECT_EQ(base64Of(std::span<const std::uint8_t>(bytes)), encoded) << text;
    }
}

// A column's bytes, kept in blocks beside the other columns', come out as the same bytes held in
// one piece would, padded at the end only, whichever side of a block's end they stop; past the
// arena's first chunks, every column keeps its own bytes.
TEST(Base64, AColumnReadsAsOnePiece) {
    constexpr std::size_t kFull = SampleColumns::kBlockRows;
    const std::size_t first = SampleColumns::kFirstBlockRows;
    for (const std::size_t rows :
         {first - 1, first, first + 1, kFull - 1, 3 * kFull + 2, BlockArena::kChunkSize / 2 + 1}) {
        SampleColumns columns(2);
        std::vector<std::uint8_t> firstBytes(rows);
        std::vector<std::uint8_t> secondBytes(rows);
        for (std::size_t i = 0; i < rows; ++i) {
            firstBytes[i] = static_cast<std::uint8_t>(i * 7);
            secondBytes[i] = static_cast<std::uint8_t>(i * 13 + 1);
            const std::array<std::uint8_t, 1> row{firstBytes[i]};
            columns.push(row, secondBytes[i]);
        }
        EXPECT_EQ(columns.rows(), rows);
        const std::string encoded = base64Of(columns, std::size_t{0});
        EXPECT_EQ(encoded, base64Of(std::span<const std::uint8_t>(firstBytes))) << rows;
        EXPECT_EQ(base64Of(columns, std::size_t{1}),
                  base64Of(std::span<const std::uint8_t>(secondBytes)))
            << rows;
        EXPECT_EQ(encoded.find('='),
                  rows % 3 == 0 ? std::string::npos : encoded.size() - 3 + rows % 3)
            << rows;
    }
}

class PageCommandTest : public ::testing::Test {
  protected:
    CommandResult run(const std::string& arguments) {
        return support::runCommand(QUILLET_CONVERT, arguments, folder.path());
    }

    fs::path writeLog(const std::vector<std::uint8_t>& bytes,
                      const std::string& name = "RunQMRX.pdb") {
        const fs::path path = folder / system::pathFromUtf8(name);
        support::writeFile(path, bytes);
        return path;
    }

    // The page of the log, written by quillet-convert.
    std::string pageOf(const fs::path& log) {
        const CommandResult result = run("--html " + shellQuoted(page) + " " + shellQuoted(log));
        EXPECT_EQ(result.exitCode, 0) << result.standardError;
        return readFile(page);
    }

    support::TemporaryFolder folder;
    fs::path page = folder / "run.html";
};

TEST_F(PageCommandTest, WritesThePageAndTheSameCsvAsAConversion) {
    const LogContents log = support::drivingLog({33, 7, 20}, 4, 3);
    const fs::path input = writeLog(support::buildLog(log));
    const fs::path csv = folder / "run.csv";
    const CommandResult result =
        run("--html " + shellQuoted(page) + " " + shellQuoted(input) + " " + shellQuoted(csv));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.standardError, "");
    EXPECT_EQ(result.standardOutput, "");
    EXPECT_EQ(readFile(csv), support::expectedCsv(log, "RunQMRX.pdb"));
    const std::string written = readFile(page);
    EXPECT_EQ(written.rfind("<!DOCTYPE html>\n", 0), 0u);
    EXPECT_NE(written.find("<title>RunQMRX.pdb</title>"), std::string::npos);
    EXPECT_NE(written.find(summaryItem("Samples", "12")), std::string::npos);

    const CommandResult toStandardOutput = run("--html - " + shellQuoted(input));
    EXPECT_EQ(toStandardOutput.exitCode, 0);
    EXPECT_EQ(toStandardOutput.standardOutput, written);
}

// The log's name is text on the page and a string of its data, its markup escaped in both; a
// control character, as everywhere the name shows, a space.
TEST(LogPage, TheLogsNameIsTextOnThePage) {
    MemoryLogInput log("R&D <b>\n'\xC3\xA4' \xE2\x82\xACQMRX.pdb",
                       support::buildLog(support::drivingLog({38}, 2, 2)));
    MemoryOutputTarget page;
    support::RecordingServices services;
    ASSERT_EQ(writeOneOutput(makePageOutput, log, page, services), ConversionOutcome::Converted);
    EXPECT_NE(
        page.contents.find("<title>R&amp;D &lt;b&gt; '\xC3\xA4' \xE2\x82\xACQMRX.pdb</title>"),
        std::string::npos);
    EXPECT_NE(page.contents.find(
                  "\"name\":\"R\\u0026D \\u003cb\\u003e '\xC3\xA4' \xE2\x82\xACQMRX.pdb\""),
              std::string::npos);
    std::size_t found = 0;
    for (std::size_t at = page.contents.find("QMRX.pdb"); at != std::string::npos;
         at = page.contents.find("QMRX.pdb", at + 1)) {
        ++found;
    }
    EXPECT_EQ(found, 2u);
}

struct SizeCase {
    std::vector<std::uint8_t> channels;
    int records;
    int samplesPerRecord;
};

void PrintTo(const SizeCase& c, std::ostream* out) {
    *out << c.channels.size() << " channels, " << c.records << " records of " << c.samplesPerRecord
         << " samples";
}

class PageSizeTest : public PageCommandTest, public ::testing::WithParamInterface<SizeCase> {};

// The samples cost at most 1.4 times their bytes in the log, beyond what a page of one sample
// of the same channels holds: the page's code, styles, and each channel's 256 texts.
TEST_P(PageSizeTest, GrowsByAtMostOnePointFourTimesTheLog) {
    const SizeCase& size = GetParam();
    const std::string fixed = pageOf(
        writeLog(support::buildLog(support::drivingLog(size.channels, 1, 1)), "OneQMRX.pdb"));
    const std::vector<std::uint8_t> log =
        support::buildLog(support::drivingLog(size.channels, size.records, size.samplesPerRecord));
    const std::string written = pageOf(writeLog(log));
    EXPECT_LE(static_cast<double>(written.size()),
              1.4 * static_cast<double>(log.size()) + static_cast<double>(fixed.size()));
    EXPECT_GT(written.size(), log.size());
}

INSTANTIATE_TEST_SUITE_P(
    Logs, PageSizeTest,
    ::testing::Values(SizeCase{{33, 38, 6, 19, 26, 41, 44, 58, 23, 7, 20, 21}, 1200, 20},
                      SizeCase{{33}, 3000, 1}, SizeCase{{}, 2000, 3},
                      SizeCase{{33, 6, 7, 58, 23, 19}, 100, 50}));

// Twenty minutes at twenty samples a second of twelve channels stays under a megabyte.
TEST_F(PageCommandTest, TwentyMinutesOfTwelveChannelsStayUnderAMegabyte) {
    const std::string written = pageOf(writeLog(support::buildLog(
        support::drivingLog({33, 38, 6, 19, 26, 41, 44, 58, 23, 7, 20, 21}, 1200, 20))));
    EXPECT_LT(written.size(), 1000u * 1000u);
}

// Each jump of the clock is a warning of the run, which the page shows as --summary does.
TEST_F(PageCommandTest, ClockWarningsAreNotesOfTheRun) {
    LogContents log;
    log.channels = {38};
    log.records = {{10, {{0, {1}}}}, {4, {{0, {2}}}}, {200, {{0, {3}}}}};
    const std::string written = pageOf(writeLog(support::buildLog(log)));
    EXPECT_NE(
        written.find("\"notes\":[{\"kind\":\"warning\",\"text\":\"at record 2 the time goes back "
                     "from 0:10.00 to 0:04.00\"},{\"kind\":\"warning\",\"text\":\"at record 3 the "
                     "time jumps ahead from 0:04.00 to 3:20.00\"}]"),
        std::string::npos);
}

// A log that cannot be read at all writes no page: an existing one stays as it was, and no
// file is left beside it.
class UnreadableLogTest : public PageCommandTest,
                          public ::testing::WithParamInterface<support::DamagedLog> {};

TEST_P(UnreadableLogTest, KeepsTheExistingPage) {
    const support::DamagedLog& damaged = GetParam();
    const fs::path input = writeLog(damaged.bytes);
    const std::string before = "the page of an earlier log";
    support::writeFile(page, bytesOf(before));
    const CommandResult result = run("--html " + shellQuoted(page) + " " + shellQuoted(input));
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.standardError, expectedErrorOutput(*damaged.ending, input.string()));
    EXPECT_EQ(readFile(page), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 2);
}

std::vector<support::DamagedLog> unreadableLogs() {
    std::vector<support::DamagedLog> logs = support::damagedLogs();
    std::erase_if(logs, [](const support::DamagedLog& log) {
        return log.csv.has_value() || log.csvFromReference;
    });
    return logs;
}

INSTANTIATE_TEST_SUITE_P(Logs, UnreadableLogTest, ::testing::ValuesIn(unreadableLogs()),
                         [](const auto& info) { return info.param.name; });

// Every damaged log ends as its conversion does, and its page is written exactly where the
// conversion writes its CSV, holding the samples the CSV holds.
class DamagedLogPageTest : public ConversionRunTest,
                           public ::testing::WithParamInterface<support::DamagedLog> {};

TEST_P(DamagedLogPageTest, EndsAsItsConversion) {
    const support::DamagedLog& log = GetParam();
    MemoryLogInput input(support::kDamagedLogName, log.bytes);
    MemoryOutputTarget target;
    const ConversionOutcome outcome = writeOneOutput(makePageOutput, input, target, services);

    const support::ReferenceOutcome reference =
        support::referenceConversion(log.bytes, support::kDamagedLogName);
    expectEnding(outcome, log.ending);
    ASSERT_EQ(target.replaced, reference.outputCreated);
    if (reference.outputCreated) {
        EXPECT_TRUE(target.kept);
        const long long csvSamples =
            std::count(reference.csv.begin(), reference.csv.end(), '\n') - 2;
        EXPECT_NE(target.contents.find(summaryItem("Samples", std::to_string(csvSamples))),
                  std::string::npos);
        EXPECT_EQ(target.contents.find("{\"kind\":\"stop\",\"text\":\"Reading stopped at record") !=
                      std::string::npos,
                  log.ending != support::kConverted);
    }
}

INSTANTIATE_TEST_SUITE_P(Logs, DamagedLogPageTest, ::testing::ValuesIn(support::damagedLogs()),
                         [](const auto& info) { return info.param.name; });

// A page of several logs: each a run of the data in the order given, a log that ends early shown
// up to its damage and the run failing as its conversion does, after the page is written; a log
// that cannot be read at all leaves no page. The log whose failure is reported is the last one
// the caller was told of.
struct SeveralLogsCase {
    std::string name;
    // Per log: a whole log, one damaged part of the way, or one that cannot be read.
    std::string logs;
    bool written;
    std::optional<std::size_t> failedLog;
};

void PrintTo(const SeveralLogsCase& c, std::ostream* out) { *out << c.name; }

class SeveralLogsTest : public ::testing::TestWithParam<SeveralLogsCase> {};

const support::DamagedLog& damagedLogNamed(const std::string& name) {
    static const std::vector<support::DamagedLog> logs = support::damagedLogs();
    return *std::find_if(logs.begin(), logs.end(),
                         [&](const support::DamagedLog& log) { return log.name == name; });
}

TEST_P(SeveralLogsTest, ArePagedInTurn) {
    const SeveralLogsCase& c = GetParam();
    std::vector<std::unique_ptr<LogInput>> logs;
    for (std::size_t log = 0; log < c.logs.size(); ++log) {
        const std::vector<std::uint8_t> bytes =
            c.logs[log] == 'w'   ? support::buildLog(support::drivingLog({33, 19}, 3, 2 + log))
            : c.logs[log] == 'd' ? damagedLogNamed("RecordEndsInsideASample").bytes
                                 : damagedLogNamed("HeaderCutShort").bytes;
        logs.push_back(
            std::make_unique<MemoryLogInput>("Run" + std::to_string(log) + "QMRX.pdb", bytes));
    }
    MemoryOutputTarget page;
    support::RecordingServices services;
    std::vector<std::size_t> told;
    const ConversionOutcome outcome = pageLogs(logs, page, services, {{';', ','}, ""},
                                               [&](std::size_t log) { told.push_back(log); });
    EXPECT_EQ(outcome, c.failedLog ? ConversionOutcome::Failed : ConversionOutcome::Converted);
    EXPECT_EQ(page.kept, c.written);
    if (c.failedLog) {
        ASSERT_EQ(services.messages.size(), 1u);
        EXPECT_EQ(told.back(), *c.failedLog);
    }
    if (!c.written) return;
    EXPECT_NE(page.contents.find("\"decimalMark\":\",\",\"separator\":\";\""), std::string::npos);
    std::size_t at = 0;
    for (std::size_t log = 0; log < c.logs.size(); ++log) {
        at = page.contents.find(
            "{\"name\":\"Run" + std::to_string(log) +
                "QMRX.pdb\",\"stopped\":" + (c.logs[log] == 'd' ? "true" : "false"),
            at);
        EXPECT_NE(at, std::string::npos) << "run " << log;
    }
}

INSTANTIATE_TEST_SUITE_P(Runs, SeveralLogsTest,
                         ::testing::Values(SeveralLogsCase{"TwoWhole", "ww", true, std::nullopt},
                                           SeveralLogsCase{"EightWhole", "wwwwwwww", true,
                                                           std::nullopt},
                                           SeveralLogsCase{"TheLastDamaged", "wwd", true, 2},
                                           SeveralLogsCase{"TheFirstDamaged", "dw", true, 0},
                                           SeveralLogsCase{"AnUnreadableFirst", "uw", false, 0},
                                           SeveralLogsCase{"AnUnreadableLast", "wu", false, 1}),
                         [](const auto& info) { return info.param.name; });

// A setup is UTF-8 text under its heading line, of a size a setup has; the page checks the rest.
TEST(PageSetup, IsTextUnderItsHeading) {
    const std::string heading = "Quillet page setup";
    const std::pair<std::string, bool> texts[] = {
        {heading + "\n{}\n", true},
        {heading + "\r\n{\"filter\": \"[RPM] > 3000\"}\r\n", true},
        {"\xEF\xBB\xBF" + heading + "\n{}", true},
        {heading, true},
        {heading + " \n{}", false},
        {"{\"x\": \"RPM\"}", false},
        {heading + "\n\xFF\xFE", false},
        {heading + "\n" + std::string(kLongestPageSetup, ' '), false},
    };
    for (const auto& [text, isSetup] : texts) {
        EXPECT_EQ(!pageSetupProblem(text).has_value(), isSetup) << text.substr(0, 40);
    }
}

// quillet-convert --compare writes one page of the logs and no CSV; --setup puts a setup in
// every page it writes, and refuses a file that is none before anything is written.
TEST_F(PageCommandTest, ComparesLogsOnOnePageThatOpensWithASetup) {
    const fs::path before =
        writeLog(support::buildLog(support::drivingLog({33, 19}, 4, 2)), "BeforeQMRX.pdb");
    const fs::path after =
        writeLog(support::buildLog(support::drivingLog({33, 19, 23}, 5, 2)), "AfterQMRX.pdb");
    const fs::path setup = folder / "Tuning setup.txt";
    support::writeFile(setup,
                       bytesOf("Quillet page setup\n{\"x\": \"RPM\", \"filter\": \"[O2] < 1\"}\n"));
    const std::string logs = shellQuoted(before) + " " + shellQuoted(after);
    CommandResult result = run("--compare --setup " + shellQuoted(setup) + " --html " +
                               shellQuoted(page) + " " + logs);
    ASSERT_EQ(result.exitCode, 0) << result.standardError;
    const std::string written = readFile(page);
    EXPECT_NE(written.find("<title>BeforeQMRX.pdb compared with AfterQMRX.pdb</title>"),
              std::string::npos);
    EXPECT_NE(
        written.find(
            R"("setup":"Quillet page setup\u000a{\"x\": \"RPM\", \"filter\": \"[O2] \u003c 1\"}\u000a")"),
        std::string::npos);
    EXPECT_LT(written.find("{\"name\":\"BeforeQMRX.pdb\""),
              written.find("{\"name\":\"AfterQMRX.pdb\""));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 4);

    support::writeFile(setup, bytesOf("x=RPM\n"));
    result = run("--compare --setup " + shellQuoted(setup) + " --html " + shellQuoted(page) + " " +
                 logs);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.standardError.rfind(
                  "quillet-convert: --setup " + support::utf8Text(setup) +
                      " is no page setup: its first line is not \"Quillet page setup\"\n",
                  0),
              0u);
    EXPECT_EQ(readFile(page), written);

    result = run("--setup nosuch.txt --compare --html " + shellQuoted(page) + " " + logs);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.standardError.rfind("nosuch.txt: Bad Filename.", 0), 0u)
        << result.standardError;

    result = run("--compare --html " + shellQuoted(after) + " " + logs);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.standardError.find("the page would be written over the log"),
              std::string::npos);
}

}  // namespace
}  // namespace quillet
