#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "generated/quillet_version.h"
#include "tests/support/converter_command.h"
#include "tests/support/expected_csv.h"
#include "tests/support/log_writer.h"
#include "tests/support/memory_io.h"
#include "tests/support/recording_services.h"
#include "tests/support/reference_conversion.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace quillet {
namespace {

namespace fs = std::filesystem;

using support::CommandResult;
using support::shellQuoted;

const std::string kUsage =
    "usage: quillet-convert [OPTIONS] INPUT OUTPUT\n"
    "       quillet-convert [OPTIONS] --output-dir DIR INPUT...\n"
    "       quillet-convert [OPTIONS] --plot SVG INPUT [OUTPUT]\n"
    "       quillet-convert [OPTIONS] --html PAGE INPUT [OUTPUT]\n"
    "       quillet-convert [OPTIONS] --mlg MLG INPUT [OUTPUT]\n"
    "       quillet-convert [OPTIONS] --compare --html PAGE LOG LOG...\n"
    "       quillet-convert --summary INPUT...\n";

const std::string kUnexpectedEnd =
    "Unexpected error # 62 occurred: Input past end of file\n"
    "Please report this error to " +
    std::string(kSupportAddress) + "\n";

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

// The names of the files in a folder, sorted.
std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
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
        // Another log whose CSV differs from b's in letter case only, and a folder of no logs.
        fs::create_directories(folder / "other");
        support::writeFile(folder / "other" / "BQMRX.pdb", support::buildLog(logB));
        fs::create_directories(folder / "empty");
        paths = {{"logs", support::utf8Text(logs)},
                 {"out", support::utf8Text(out)},
                 {"empty", support::utf8Text(folder / "empty")},
                 {"A", support::utf8Text(logs / "AQMRX.pdb")},
                 {"b", support::utf8Text(logs / "bqmrx.PDB")},
                 {"B", support::utf8Text(folder / "other" / "BQMRX.pdb")},
                 {"damaged", support::utf8Text(logs / "DamagedQMRX.pdb")}};
    }

    CommandResult run(const std::string& arguments) {
        return support::runCommand(QUILLET_CONVERT, filledIn(arguments, paths), folder.path());
    }

    // The CSV of log A, b or damaged, or of A read from standard input under a name.
    std::string csvOf(const std::string& which) {
        if (which == "A") return support::expectedCsv(logA, "AQMRX.pdb");
        if (which.starts_with("A as ")) return support::expectedCsv(logA, which.substr(5));
        if (which == "b") return support::expectedCsv(logB, "bqmrx.PDB");
        const std::string name =
            which.starts_with("damaged as ") ? which.substr(11) : "DamagedQMRX.pdb";
        return support::referenceConversion(damagedBytes, name).csv;
    }

    // The MLG of log A or damaged.
    std::string mlgOf(const std::string& which) {
        if (which == "A") return mlgInMemory(support::buildLog(logA), "AQMRX.pdb").bytes;
        return mlgInMemory(damagedBytes, "DamagedQMRX.pdb").bytes;
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
    // The same for MLG files.
    std::map<std::string, std::string> mlgs = {};
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
    for (const auto& [file, log] : c.mlgs) {
        expected.push_back(file);
        EXPECT_EQ(support::readFile(out / file), mlgOf(log)) << file;
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(written, expected);
    if (c.csvs.empty()) {
        EXPECT_FALSE(fs::exists(out)) << "the output folder was created";
    }
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
                  "{logs}/notes.txt: Bad Filename.  Please check the name and path of the files. "
                  "({logs}/notes.txt: not a directory)\n",
                  {}},
        BatchCase{"ALogNamedTwiceIsConvertedOnce",
                  "--output-dir {out} {A} {logs}/../logs/AQMRX.pdb {A}",
                  0,
                  "1 converted, 0 failed\n",
                  {{"AQMRX.csv", "A"}}},
        BatchCase{"TwoLogsForCsvsThatDifferInCaseWriteNothing",
                  "--output-dir {out} {b} {B}",
                  2,
                  "quillet-convert: \"{b}\" and \"{B}\" would write bqmrx.csv and BQMRX.csv, "
                  "which a folder on a disk that ignores letter case holds as one file\n" +
                      kUsage,
                  {}},
        BatchCase{"AFolderWithoutLogsCreatesNothing",
                  "--output-dir {out} {empty}",
                  1,
                  "quillet-convert: no logs in {empty}\n0 converted, 1 failed\n",
                  {}},
        // The real program, once for each of its rules on what it refuses and how it tells it.
        BatchCase{"HtmlTakesNoLogForItsPage",
                  "--html {A} {b}",
                  2,
                  "quillet-convert: the page would be written over {A}, which is named like a log "
                  "(*.pdb); no output replaces a log\n" +
                      kUsage,
                  {}},
        BatchCase{
            "APageThatCannotBeWrittenKeepsTheCsvFromBeingWritten",
            "--html {empty}/nodir/p.html {A} {empty}/a.csv",
            1,
            "{empty}/nodir/p.html: Bad Filename.  Please check the name and path of the files. "
            "({empty}/nodir: no such file or directory)\n"
            "{empty}/a.csv was not written either.\n",
            {}},
        BatchCase{"ADamagedLogFromStandardInputIsToldByItsName",
                  "--output-dir {out} --name sQMRX.pdb - <{damaged}",
                  1,
                  "sQMRX.pdb: " + kUnexpectedEnd + "0 converted, 1 failed\n",
                  {{"sQMRX.csv", "damaged as sQMRX.pdb"}}},
        BatchCase{"ASeparatorOutOfTheChoices",
                  "--separator TAB {A} {out}/a.csv",
                  2,
                  "quillet-convert: --separator must be , ; or tab\n" + kUsage,
                  {}},
        BatchCase{"MlgBesideEachCsvAndOfADamagedLogUpToTheDamage",
                  "--output-dir {out} --mlg {A} {damaged}",
                  1,
                  "{damaged}: " + kUnexpectedEnd + "1 converted, 1 failed\n",
                  {{"AQMRX.csv", "A"}, {"DamagedQMRX.csv", "damaged"}},
                  {{"AQMRX.mlg", "A"}, {"DamagedQMRX.mlg", "damaged"}}},
        BatchCase{"MlgTakesNoLogForItsFile",
                  "--mlg {A} {b}",
                  2,
                  "quillet-convert: the MLG would be written over {A}, which is named like a log "
                  "(*.pdb); no output replaces a log\n" +
                      kUsage,
                  {}},
        BatchCase{"ALogFromStandardInputIsNamedByName",
                  "--output-dir {out} --name Run9QMRX.pdb - <{A}",
                  0,
                  "1 converted, 0 failed\n",
                  {{"Run9QMRX.csv", "A as Run9QMRX.pdb"}}}),
    [](const auto& info) { return info.param.name; });

TEST_F(ManyLogsTest, AFolderTellsWhatItSkips) {
    const fs::path mixed = folder / "mixed";
    fs::create_directories(mixed / "dirQMRX.pdb");
    support::writeFile(mixed / "RunQMRX.pdb", support::buildLog(logA));
#ifndef _WIN32
    fs::create_symlink("nothing", mixed / "deadQMRX.pdb");
    const std::string dead =
        support::utf8Text(mixed / "deadQMRX.pdb") + ": skipped: a link to nothing\n";
#else
    const std::string dead;
#endif
    const CommandResult result = run("--output-dir {out} " + shellQuoted(mixed));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.standardError, dead + support::utf8Text(mixed / "dirQMRX.pdb") +
                                        ": skipped: a folder\n1 converted, 0 failed, " +
                                        (dead.empty() ? "1" : "2") + " skipped\n");
    EXPECT_EQ(namesIn(out), std::vector<std::string>{"RunQMRX.csv"});
}

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
    const std::vector<std::string> written = namesIn(out);
    EXPECT_EQ(written, (std::vector<std::string>{"AQMRX.csv", "AQMRX.svg", "DamagedQMRX.csv",
                                                 "DamagedQMRX.svg", "bqmrx.csv", "bqmrx.svg"}));
    EXPECT_EQ(support::readFile(out / "bqmrx.csv"), csvOf("b"));
    EXPECT_NE(support::readFile(out / "bqmrx.svg").find(">6 samples, "), std::string::npos);
    EXPECT_NE(support::readFile(out / "DamagedQMRX.svg").find("Stopped at record"),
              std::string::npos);
}

struct ExtraOutput {
    std::string option;
    std::string extension;
};

void PrintTo(const ExtraOutput& o, std::ostream* out) { *out << o.option; }

class UpdateTest : public ManyLogsTest, public ::testing::WithParamInterface<ExtraOutput> {};

TEST_P(UpdateTest, WritesAMissingOutputOfAnUpToDateCsv) {
    const std::string option = GetParam().option;
    const fs::path extra = out / ("AQMRX" + GetParam().extension);
    ASSERT_EQ(run("--output-dir {out} {A}").exitCode, 0);
    const std::string kept = "a CSV newer than its log";
    support::writeFile(out / "AQMRX.csv", {kept.begin(), kept.end()});
    // Set apart by an hour, since a file system may keep times to the second or coarser.
    const auto later = fs::last_write_time(logs / "AQMRX.pdb") + std::chrono::hours(1);
    fs::last_write_time(out / "AQMRX.csv", later);

    const CommandResult written = run("--update --output-dir {out} {A} " + option);
    EXPECT_EQ(written.exitCode, 0);
    EXPECT_EQ(written.standardError, "1 converted, 0 failed\n");
    EXPECT_EQ(support::readFile(out / "AQMRX.csv"), kept);
    ASSERT_TRUE(fs::exists(extra));
    fs::last_write_time(extra, later);

    const CommandResult again = run("--update --output-dir {out} " + option + " {A}");
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_EQ(again.standardError, "0 converted, 1 up to date, 0 failed\n");
}

INSTANTIATE_TEST_SUITE_P(Outputs, UpdateTest,
                         ::testing::Values(ExtraOutput{"--plot", ".svg"},
                                           ExtraOutput{"--html", ".html"},
                                           ExtraOutput{"--mlg", ".mlg"}),
                         [](const auto& info) { return info.param.option.substr(2); });

TEST_F(ManyLogsTest, HtmlWritesEachPageBesideItsCsvAndTellsADamagedLogOnce) {
    // Both --html and --plot name no file here: the words after them are INPUTs.
    const CommandResult result = run("--output-dir {out} --html {A} --plot {b} {damaged}");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.standardError,
              filledIn("{damaged}: ", paths) + kUnexpectedEnd + "2 converted, 1 failed\n");
    const std::vector<std::string> written = namesIn(out);
    EXPECT_EQ(written,
              (std::vector<std::string>{"AQMRX.csv", "AQMRX.html", "AQMRX.svg", "DamagedQMRX.csv",
                                        "DamagedQMRX.html", "DamagedQMRX.svg", "bqmrx.csv",
                                        "bqmrx.html", "bqmrx.svg"}));
    EXPECT_EQ(support::readFile(out / "AQMRX.csv"), csvOf("A"));
    EXPECT_NE(support::readFile(out / "bqmrx.html").find("<title>bqmrx.PDB</title>"),
              std::string::npos);
    EXPECT_NE(support::readFile(out / "DamagedQMRX.html").find("Reading stopped at record"),
              std::string::npos);
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
                  "  time          earliest 0:09.00, latest 3:20.00\n"
                  "  median rate   2.0 samples a second\n"
                  "  channel     smallest  largest\n"
                  "  RPM             1250     1375\n"
                  "  Battery        10.26    12.46\n"
                  "  channel 34         -        -\n"
                  "\n");
    EXPECT_EQ(result.standardError,
              path + ": warning: at record 3 the time goes back from 0:11.50 to 0:09.00\n" + path +
                  ": warning: at record 4 the time jumps ahead from 0:09.50 to 3:20.00\n");

    const CommandResult fromStandardInput =
        run("--summary --name Jumpy.pdb - <" + shellQuoted(input));
    EXPECT_EQ(fromStandardInput.exitCode, 0);
    EXPECT_EQ(support::withoutCarriageReturns(fromStandardInput.standardOutput)
                  .rfind("Jumpy.pdb\n  records       4\n", 0),
              0u);
}

TEST_F(ManyLogsTest, SummaryOfADamagedLogFails) {
    const CommandResult result = run("--summary {damaged}");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.standardError, filledIn("{damaged}: ", paths) + kUnexpectedEnd);
}

TEST_F(ManyLogsTest, SummaryOfAFolderWithoutLogsSaysSo) {
    const CommandResult result = run("--summary {empty}");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.standardError, filledIn("quillet-convert: no logs in {empty}\n", paths));
    EXPECT_EQ(result.standardOutput, "");
}

// After the first run the damaged log's CSV and picture are newer than the log; the second run
// still reads the log, and reports it failed.
TEST_F(ManyLogsTest, UpdateReportsADamagedLogEveryTime) {
    const std::string failed = filledIn("{damaged}: ", paths) + kUnexpectedEnd;
    const CommandResult first = run("--output-dir {out} --update --plot {damaged}");
    EXPECT_EQ(first.exitCode, 1);
    EXPECT_EQ(first.standardError, failed + "0 converted, 1 failed\n");
    // Set apart by an hour, since a file system may keep times to the second or coarser.
    fs::last_write_time(logs / "DamagedQMRX.pdb",
                        fs::last_write_time(out / "DamagedQMRX.csv") - std::chrono::hours(1));
    for (const std::string plot : {"", "--plot"}) {
        const CommandResult again = run("--output-dir {out} --update " + plot + " {damaged}");
        EXPECT_EQ(again.exitCode, 1) << plot;
        EXPECT_EQ(again.standardError, failed + "0 converted, 1 failed\n") << plot;
    }
    EXPECT_EQ(support::readFile(out / "DamagedQMRX.csv"), csvOf("damaged"));
}

#ifdef _WIN32
// "D:csv" is the folder csv in drive D:'s current folder, as Windows programs take it.
TEST_F(ManyLogsTest, AFolderRelativeToADrivesCurrentFolderIsCreated) {
    const fs::path current = fs::current_path();
    const std::string drive = support::utf8Text(current).substr(0, 2);
    const std::string name = "drive-relative-" + std::to_string(GetCurrentProcessId());
    const CommandResult result = run("--output-dir " + drive + name + "\\deep {A}");
    const bool created = fs::exists(current / name / "deep" / "AQMRX.csv");
    fs::remove_all(current / name);
    EXPECT_EQ(result.exitCode, 0) << result.standardError;
    EXPECT_TRUE(created);
}
#endif

#ifndef _WIN32
// "-" is standard input or output, never a file of that name, also to --update.
TEST_F(ManyLogsTest, UpdateNeverTakesStandardStreamsForFiles) {
    const fs::path dash = folder / "-";
    support::writeFile(dash, {'n', 'o'});
    support::writeFile(folder / "x.csv", {'o', 'l', 'd'});
    const auto logTime = fs::last_write_time(logs / "AQMRX.pdb");
    fs::last_write_time(folder / "x.csv", logTime + std::chrono::hours(2));
    fs::last_write_time(dash, logTime + std::chrono::hours(1));
    auto inFolder = [this](const std::string& arguments) {
        return support::runCommand("sh",
                                   "-c 'cd \"$0\" && exec \"$1\" " + filledIn(arguments, paths) +
                                       "' " + shellQuoted(folder.path()) + " " +
                                       shellQuoted(QUILLET_CONVERT),
                                   folder.path());
    };
    const CommandResult toStandardOutput = inFolder("--update \"{A}\" -");
    EXPECT_EQ(toStandardOutput.exitCode, 0);
    EXPECT_EQ(toStandardOutput.standardOutput, csvOf("A"));
    const CommandResult fromStandardInput = inFolder("--update --name AQMRX.pdb - x.csv <\"{A}\"");
    EXPECT_EQ(fromStandardInput.exitCode, 0);
    EXPECT_EQ(support::readFile(folder / "x.csv"), csvOf("A"));
    EXPECT_EQ(support::readFile(dash), "no");
}

// A named pipe without a reader would hold the run for ever.
TEST_F(ManyLogsTest, APipeWhereACsvGoesIsRefusedAtOnceAndNamed) {
    fs::create_directories(out);
    ASSERT_EQ(mkfifo((out / "AQMRX.csv").c_str(), 0600), 0);
    const CommandResult result = run("--output-dir {out} {A} {b}");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.standardError,
              filledIn("{out}/AQMRX.csv: Bad Filename.  Please check the name and path of the "
                       "files.\n1 converted, 1 failed\n",
                       paths));
    EXPECT_TRUE(fs::is_fifo(out / "AQMRX.csv"));
    EXPECT_EQ(support::readFile(out / "bqmrx.csv"), csvOf("b"));
}

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

    // A CSV on the same screen is not interrupted by percentages.
    const CommandResult onScreen = onTerminal("'{A}' -");
    EXPECT_EQ(onScreen.exitCode, 0);
    EXPECT_EQ(onScreen.standardOutput.find('%'), std::string::npos);

    const CommandResult many = onTerminal("--output-dir '{out}' '{b}' '{damaged}'");
    EXPECT_EQ(many.exitCode, 1);
    EXPECT_EQ(many.standardOutput,
              filledIn("\rlog 1 of 2,   0%\rlog 1 of 2, 100%\r                \r"
                       "\rlog 2 of 2,   0%\rlog 2 of 2,  50%\rlog 2 of 2, 100%\r                \r"
                       "{damaged}: Unexpected error # 62 occurred: Input past end of file\r\n"
                       "Please report this error to " +
                           std::string(kSupportAddress) +
                           "\r\n"
                           "1 converted, 1 failed\r\n",
                       paths));
}
#endif

}  // namespace
}  // namespace quillet
