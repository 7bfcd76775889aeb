#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "converter_command.h"
#include "log_writer.h"
#include "recording_services.h"
#include "reference_conversion.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;

using support::CommandResult;
using support::shellQuoted;

const std::string kUsage =
    "usage: quillet-convert [OPTIONS] INPUT OUTPUT\n"
    "       quillet-convert [OPTIONS] --output-dir DIR INPUT...\n"
    "       quillet-convert [OPTIONS] --plot SVG INPUT [OUTPUT]\n"
    "       quillet-convert --summary INPUT...\n";

const std::string kUnexpectedEnd =
    "Unexpected error # 62 occurred: Input past end of file\n"
    "Please report this error to " QUILLET_SUPPORT_ADDRESS "\n";

// Replaces every {name} in text by its value.
std::string filledIn(std::string text, const std::map<std::string, std::string>& values) {
    for (const auto& [name, value] : values) {
        const std::string placeholder = "{" + name + "}";
        for (std::size_t at = text.find(placeholder); at != std::string::npos;
             at = text.find(placeholder, at + value.size())) {
            text.replace(at, placeholder.size(), value);
        }
    }
    return text;
}

// A folder of logs as a handheld backup holds them: two good logs (one named in lower case),
// one cut short, a log under another name pattern, and a file that is no log.
class ManyLogsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(logs);
        support::writeFile(logs / "AQMRX.pdb", support::buildLog(logA));
        support::writeFile(logs / "bqmrx.PDB", support::buildLog(logB));
        damagedBytes = support::buildLog(support::drivingLog({33, 7}, 3, 2));
        damagedBytes.resize(damagedBytes.size() - 3);
        support::writeFile(logs / "DamagedQMRX.pdb", damagedBytes);
        support::writeFile(logs / "OldRun.pdb", support::buildLog(logA));
        support::writeFile(logs / "notes.txt", {'n', 'o'});
        paths = {{"logs", support::utf8Text(logs)},
                 {"out", support::utf8Text(out)},
                 {"A", support::utf8Text(logs / "AQMRX.pdb")},
                 {"b", support::utf8Text(logs / "bqmrx.PDB")},
                 {"damaged", support::utf8Text(logs / "DamagedQMRX.pdb")}};
    }

    CommandResult run(const std::string& arguments) {
        return support::runCommand(QUILLET_CONVERT, filledIn(arguments, paths), folder.path());
    }

    std::string csvOf(const std::string& which) {
        if (which == "A") return support::expectedCsv(logA, "AQMRX.pdb");
        if (which == "b") return support::expectedCsv(logB, "bqmrx.PDB");
        return support::referenceConversion(damagedBytes, "DamagedQMRX.pdb").csv;
    }

    support::TemporaryFolder folder;
    fs::path logs = folder / "logs";
    fs::path out = folder / "out";
    support::LogContents logA = support::drivingLog({33, 19, 20}, 3, 2);
    support::LogContents logB = support::drivingLog({41, 21}, 2, 3, 5);
    std::vector<std::uint8_t> damagedBytes;
    std::map<std::string, std::string> paths;
};

struct BatchCase {
    std::string name;
    std::string arguments;
    int exitCode;
    std::string standardError;
    // Files under the output folder, each with the log whose CSV it must hold.
    std::map<std::string, std::string> csvs;
};

void PrintTo(const BatchCase& c, std::ostream* out) { *out << c.name; }

class BatchCaseTest : public ManyLogsTest, public ::testing::WithParamInterface<BatchCase> {};

TEST_P(BatchCaseTest, EndsAsItShould) {
    const BatchCase& c = GetParam();
    const CommandResult result = run(c.arguments);
    EXPECT_EQ(result.exitCode, c.exitCode);
    EXPECT_EQ(result.standardError, filledIn(c.standardError, paths));
    EXPECT_EQ(result.standardOutput, "");
    std::vector<std::string> written;
    if (fs::exists(out)) {
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(out)) {
            if (entry.is_regular_file()) {
                written.push_back(fs::relative(entry.path(), out).generic_string());
            }
        }
    }
    std::sort(written.begin(), written.end());
    std::vector<std::string> expected;
    for (const auto& [file, log] : c.csvs) {
        expected.push_back(file);
        EXPECT_EQ(support::readFile(out / file), csvOf(log)) << file;
    }
    EXPECT_EQ(written, expected);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, BatchCaseTest,
    ::testing::Values(
        BatchCase{"AFolderGoesOnPastADamagedLog",
                  "--output-dir {out} {logs}",
                  1,
                  "{damaged}: " + kUnexpectedEnd + "2 converted, 1 failed\n",
                  {{"AQMRX.csv", "A"}, {"DamagedQMRX.csv", "damaged"}, {"bqmrx.csv", "b"}}},
        BatchCase{"LogsIntoAFolderThatIsCreated",
                  "--output-dir {out}/new/deeper {b} {A}",
                  0,
                  "2 converted, 0 failed\n",
                  {{"new/deeper/AQMRX.csv", "A"}, {"new/deeper/bqmrx.csv", "b"}}},
        BatchCase{"AnOutputFolderThatCannotBeMade",
                  "--output-dir {logs}/notes.txt {A}",
                  1,
                  "{logs}/notes.txt: Bad Filename.  Please check the name and path of the files.\n",
                  {}},
        BatchCase{"TwoLogsForOneCsvWriteNothing",
                  "--output-dir {out} {logs} {A}",
                  2,
                  "quillet-convert: \"{A}\" and \"{A}\" would both write AQMRX.csv\n" + kUsage,
                  {}},
        BatchCase{
            "NoInput", "--output-dir {out}", 2, "quillet-convert: no INPUT given\n" + kUsage, {}},
        BatchCase{
            "DecimalCommaBetweenCommas",
            "--decimal , {A} {out}",
            2,
            "quillet-convert: a decimal comma needs --separator ';' or --separator tab\n" + kUsage,
            {}},
        BatchCase{"UnknownSeparator",
                  "--separator : {A} {out}",
                  2,
                  "quillet-convert: --separator: : not in {,,;,tab}\n" + kUsage,
                  {}},
        BatchCase{"UnknownDecimalMark",
                  "--decimal x {A} {out}",
                  2,
                  "quillet-convert: --decimal: x not in {.,,}\n" + kUsage,
                  {}},
        BatchCase{"SummaryWritesNoCsv",
                  "--summary --output-dir {out} {A}",
                  2,
                  "quillet-convert: --output-dir excludes --summary\n" + kUsage,
                  {}},
        BatchCase{"UnknownOption",
                  "--quiet {A} {out}",
                  2,
                  "quillet-convert: The following argument was not expected: --quiet\n" + kUsage,
                  {}},
        BatchCase{"ThreePathsWithoutAFolder",
                  "{A} {b} {out}",
                  2,
                  "quillet-convert: one INPUT and one OUTPUT, or --output-dir\n" + kUsage,
                  {}}),
    [](const auto& info) { return info.param.name; });

TEST_F(ManyLogsTest, UpdateSkipsOnlyTheCsvsNewerThanTheirLogs) {
    ASSERT_EQ(run("--output-dir {out} {A} {b}").exitCode, 0);
    const std::string stale = "an older conversion";
    support::writeFile(out / "AQMRX.csv", {stale.begin(), stale.end()});
    support::writeFile(out / "bqmrx.csv", {stale.begin(), stale.end()});
    const auto logTime = fs::last_write_time(logs / "AQMRX.pdb");
    fs::last_write_time(out / "AQMRX.csv", logTime + std::chrono::hours(1));
    fs::last_write_time(out / "bqmrx.csv", logTime - std::chrono::hours(1));
    fs::last_write_time(logs / "bqmrx.PDB", logTime);

    const CommandResult result = run("--update --output-dir {out} {A} {b}");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.standardError, "1 converted, 1 up to date, 0 failed\n");
    EXPECT_EQ(support::readFile(out / "AQMRX.csv"), stale);
    EXPECT_EQ(support::readFile(out / "bqmrx.csv"), csvOf("b"));

    const CommandResult single = run("--update {A} {out}/AQMRX.csv");
    EXPECT_EQ(single.exitCode, 0);
    EXPECT_EQ(support::readFile(out / "AQMRX.csv"), stale);
}

TEST_F(ManyLogsTest, PlotDrawsEachPictureBesideItsCsvAndTellsADamagedLogOnce) {
    // The folder after --plot is an INPUT: with --output-dir, --plot names no file.
    const CommandResult result = run("--output-dir {out} --plot {logs}");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.standardError,
              filledIn("{damaged}: ", paths) + kUnexpectedEnd + "2 converted, 1 failed\n");
    std::vector<std::string> written;
    for (const fs::directory_entry& entry : fs::directory_iterator(out)) {
        written.push_back(entry.path().filename().string());
    }
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (std::vector<std::string>{"AQMRX.csv", "AQMRX.svg", "DamagedQMRX.csv",
                                                 "DamagedQMRX.svg", "bqmrx.csv", "bqmrx.svg"}));
    EXPECT_EQ(support::readFile(out / "bqmrx.csv"), csvOf("b"));
    EXPECT_NE(support::readFile(out / "bqmrx.svg").find(">6 samples, "), std::string::npos);
    EXPECT_NE(support::readFile(out / "DamagedQMRX.svg").find("Stopped at record"),
              std::string::npos);
}

TEST_F(ManyLogsTest, UpdateDrawsAMissingPictureOfAnUpToDateCsv) {
    ASSERT_EQ(run("--output-dir {out} {A}").exitCode, 0);
    const std::string kept = "a CSV newer than its log";
    support::writeFile(out / "AQMRX.csv", {kept.begin(), kept.end()});
    // Set apart by an hour, since a file system may keep times to the second or coarser.
    const auto later = fs::last_write_time(logs / "AQMRX.pdb") + std::chrono::hours(1);
    fs::last_write_time(out / "AQMRX.csv", later);

    const CommandResult drawn = run("--update --output-dir {out} {A} --plot");
    EXPECT_EQ(drawn.exitCode, 0);
    EXPECT_EQ(drawn.standardError, "1 converted, 0 failed\n");
    EXPECT_EQ(support::readFile(out / "AQMRX.csv"), kept);
    ASSERT_TRUE(fs::exists(out / "AQMRX.svg"));
    fs::last_write_time(out / "AQMRX.svg", later);

    const CommandResult again = run("--update --output-dir {out} --plot {A}");
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_EQ(again.standardError, "0 converted, 1 up to date, 0 failed\n");
}

// The default CSV with its cells joined by separator and "." written as decimalMark; line 1,
// the log's name, as it is.
std::string inProfile(const std::string& csv, char separator, char decimalMark) {
    const std::size_t firstLineEnd = csv.find("\r\n") + 2;
    std::string rest = csv.substr(firstLineEnd);
    for (char& c : rest) {
        if (c == ',')
            c = separator;
        else if (c == '.')
            c = decimalMark;
    }
    return csv.substr(0, firstLineEnd) + rest;
}

struct ProfileCase {
    std::string options;
    char separator;
    char decimalMark;
};

class ProfileTest : public ManyLogsTest, public ::testing::WithParamInterface<ProfileCase> {};

TEST_P(ProfileTest, WritesTheDefaultCsvWithItsSeparatorAndDecimalMark) {
    // A point in the log's name stays, since line 1 is the name as it is.
    support::LogContents log = support::drivingLog({33, 19, 41, 20, 21, 99, 6}, 3, 3);
    const fs::path input = logs / "Run.7QMRX.pdb";
    support::writeFile(input, support::buildLog(log));
    const CommandResult result =
        run(GetParam().options + " " + shellQuoted(input) + " " + shellQuoted(folder / "o.csv"));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.standardError, "");
    EXPECT_EQ(support::readFile(folder / "o.csv"),
              inProfile(support::expectedCsv(log, "Run.7QMRX.pdb"), GetParam().separator,
                        GetParam().decimalMark));
}

INSTANTIATE_TEST_SUITE_P(Profiles, ProfileTest,
                         ::testing::Values(ProfileCase{"", ',', '.'},
                                           ProfileCase{"--separator , --decimal .", ',', '.'},
                                           ProfileCase{"--separator \";\"", ';', '.'},
                                           ProfileCase{"--separator \";\" --decimal ,", ';', ','},
                                           ProfileCase{"--separator tab", '\t', '.'},
                                           ProfileCase{"--separator tab --decimal ,", '\t', ','}));

TEST_F(ManyLogsTest, SummaryPrintsATablePerLogAndWarnsOfTimeJumps) {
    support::LogContents log;
    log.channels = {33, 20, 34};
    log.records = {
        {10, {{0, {40, 150, 1}}, {50, {44, 160, 2}}}},
        {11, {{0, {41, 170, 3}}, {50, {42, 140, 4}}}},
        {9, {{0, {43, 150, 5}}, {50, {43, 150, 6}}}},
        {200, {{0, {43, 150, 7}}}},
    };
    const fs::path input = folder / "JumpyQMRX.pdb";
    support::writeFile(input, support::buildLog(log));
    const std::string path = support::utf8Text(input);

    const CommandResult result = run("--summary " + shellQuoted(input));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(support::withoutCarriageReturns(result.standardOutput),
              path +
                  "\n"
                  "  records       4\n"
                  "  samples       7\n"
                  "  time          0:10.00 to 3:20.00\n"
                  "  median rate   2.0 samples a second\n"
                  "  channel     smallest  largest\n"
                  "  RPM             1250     1375\n"
                  "  Battery        10.26    12.46\n"
                  "  channel 34         -        -\n"
                  "\n");
    EXPECT_EQ(result.standardError,
              path + ": warning: at record 3 the time goes back from 0:11.50 to 0:09.00\n" + path +
                  ": warning: at record 4 the time jumps ahead from 0:09.50 to 3:20.00\n");
}

TEST_F(ManyLogsTest, SummaryOfADamagedLogFails) {
    const CommandResult result = run("--summary {damaged}");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.standardError, filledIn("{damaged}: ", paths) + kUnexpectedEnd);
}

#ifndef _WIN32
// On a terminal (here the pseudo-terminal of `script`, which also turns "\n" into "\r\n"), the
// progress line is drawn only while a log converts, and cleared before any message and at the
// end: no "  0%" stays behind, and no message is glued to a percentage.
TEST_F(ManyLogsTest, ProgressOnATerminalIsClearedBeforeMessagesAndAtTheEnd) {
    auto onTerminal = [this](const std::string& arguments) {
        const std::string command = "'" QUILLET_CONVERT "' " + filledIn(arguments, paths);
        return support::runCommand("script", "-qec \"" + command + "\" /dev/null", folder.path());
    };
    const CommandResult one = onTerminal("'{A}' '{out}.csv'");
    EXPECT_EQ(one.exitCode, 0);
    EXPECT_EQ(one.standardOutput, "\r  0%\r 50%\r100%\r    \r");

    const CommandResult many = onTerminal("--output-dir '{out}' '{b}' '{damaged}'");
    EXPECT_EQ(many.exitCode, 1);
    EXPECT_EQ(many.standardOutput,
              filledIn("\rlog 1 of 2,   0%\rlog 1 of 2, 100%\r                \r"
                       "\rlog 2 of 2,   0%\rlog 2 of 2,  50%\rlog 2 of 2, 100%\r                \r"
                       "{damaged}: Unexpected error # 62 occurred: Input past end of file\r\n"
                       "Please report this error to " QUILLET_SUPPORT_ADDRESS "\r\n"
                       "1 converted, 1 failed\r\n",
                       paths));
}
#endif

}  // namespace
}  // namespace quillet
