#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "generated/quillet_version.h"
#include "tests/support/converter_command.h"
#include "tests/support/expected_csv.h"
#include "tests/support/log_writer.h"
#include "tests/support/memory_io.h"
#include "tests/support/recording_services.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace quillet {
namespace {

namespace fs = std::filesystem;

using support::CommandResult;
using support::shellQuoted;

class ConverterCommandTest : public ::testing::Test {
  protected:
    CommandResult run(const std::string& arguments) {
        return support::runCommand(QUILLET_CONVERT, arguments, folder.path());
    }

    fs::path writeLog(const support::LogContents& contents) {
        const fs::path input = folder / "RunQMRX.pdb";
        support::writeFile(input, support::buildLog(contents));
        return input;
    }

    support::TemporaryFolder folder;
    support::LogContents log = support::drivingLog({33, 7, 20}, 4, 3);
};

TEST_F(ConverterCommandTest, ConvertsIntoTheOutputFile) {
    const CommandResult result =
        run(shellQuoted(writeLog(log)) + " " + shellQuoted(folder / "out.csv"));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.standardError, "");
    EXPECT_EQ(support::readFile(folder / "out.csv"), support::expectedCsv(log, "RunQMRX.pdb"));
}

TEST_F(ConverterCommandTest, DashWritesTheCsvToStandardOutput) {
    const CommandResult result = run(shellQuoted(writeLog(log)) + " -");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.standardOutput, support::expectedCsv(log, "RunQMRX.pdb"));
    EXPECT_EQ(result.standardError, "");
}

// Every failure of a single log's run begins with the file it is about, and a failure whose
// number says only that something failed ends its first line with the system's reason.
TEST_F(ConverterCommandTest, FailuresNameTheirFilesOnStandardErrorWithStatusOne) {
    writeLog(log);
    support::LogContents thirteen = log;
    thirteen.channelCountByte = 13;
    support::writeFile(folder / "13QMRX.pdb", support::buildLog(thirteen));
    std::vector<std::uint8_t> cut = support::buildLog(log);
    cut.resize(cut.size() - 2);
    support::writeFile(folder / "CutQMRX.pdb", cut);
    const std::string badFilename = "Bad Filename.  Please check the name and path of the files.";
    const std::string report = "\nPlease report this error to " + std::string(kSupportAddress);
    const std::string missing =
        "{}/NoneQMRX.pdb: " + badFilename + " ({}/NoneQMRX.pdb: no such file or directory)";
    const struct {
        std::string arguments;
        std::string message;
        bool csvWritten;
    } rows[] = {
        {"{}/NoneQMRX.pdb {}/o.csv", missing, false},
        {"--html {}/p.html {}/NoneQMRX.pdb {}/o.csv", missing, false},
        {"{}/RunQMRX.pdb {}/nodir/o.csv",
         "{}/nodir/o.csv: " + badFilename + " ({}/nodir: no such file or directory)", false},
        {"{}/13QMRX.pdb {}/o.csv",
         "{}/13QMRX.pdb: Unexpected error # 9 occurred: Subscript out of range" + report, false},
        {"{}/CutQMRX.pdb {}/o.csv",
         "{}/CutQMRX.pdb: Unexpected error # 62 occurred: Input past end of file" + report, true},
    };
    const auto inFolder = [&](std::string text) {
        for (std::size_t at; (at = text.find("{}")) != std::string::npos;) {
            text.replace(at, 2, support::utf8Text(folder.path()));
        }
        return text;
    };
    for (const auto& row : rows) {
        const CommandResult result = run(inFolder(row.arguments));
        EXPECT_EQ(result.exitCode, 1) << row.arguments;
        EXPECT_EQ(result.standardError, inFolder(row.message) + "\n") << row.arguments;
        EXPECT_EQ(fs::exists(folder / "o.csv"), row.csvWritten) << row.arguments;
    }
}

TEST_F(ConverterCommandTest, DashReadsTheLogFromStandardInput) {
    const fs::path input = writeLog(log);
    const CommandResult unnamed =
        run("- " + shellQuoted(folder / "out.csv") + " <" + shellQuoted(input));
    EXPECT_EQ(unnamed.exitCode, 0);
    EXPECT_EQ(unnamed.standardError, "");
    EXPECT_EQ(support::readFile(folder / "out.csv"), support::expectedCsv(log, "-"));

    const CommandResult named = run("--name \"Run 7 QMRX.pdb\" - - <" + shellQuoted(input));
    EXPECT_EQ(named.exitCode, 0);
    EXPECT_EQ(named.standardOutput, support::expectedCsv(log, "Run 7 QMRX.pdb"));
}

TEST_F(ConverterCommandTest, DamagedLogOnStandardInputFailsAsAFileWould) {
    std::vector<std::uint8_t> bytes = support::buildLog(log);
    bytes.resize(bytes.size() - 2);
    support::writeFile(folder / "cut.pdb", bytes);
    const CommandResult result =
        run("- " + shellQuoted(folder / "out.csv") + " <" + shellQuoted(folder / "cut.pdb"));
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.standardError,
              "standard input: Unexpected error # 62 occurred: Input past end of file\n"
              "Please report this error to " +
                  std::string(kSupportAddress) + "\n");
    const std::string csv = support::readFile(folder / "out.csv");
    EXPECT_EQ(csv, support::expectedCsv(log, "-").substr(0, csv.size()));
    EXPECT_TRUE(csv.ends_with("\r\n"));
}

TEST_F(ConverterCommandTest, MlgAloneBesideThePageAndCsvAndOnStandardOutput) {
    const fs::path input = writeLog(log);
    const std::string mlg = mlgInMemory(support::buildLog(log), "RunQMRX.pdb").bytes;
    const CommandResult alone =
        run("--mlg " + shellQuoted(folder / "a.mlg") + " " + shellQuoted(input));
    EXPECT_EQ(alone.exitCode, 0);
    EXPECT_EQ(alone.standardError, "");
    EXPECT_EQ(support::readFile(folder / "a.mlg"), mlg);

    const CommandResult all =
        run("--html " + shellQuoted(folder / "p.html") + " --mlg " + shellQuoted(folder / "b.mlg") +
            " " + shellQuoted(input) + " " + shellQuoted(folder / "o.csv"));
    EXPECT_EQ(all.exitCode, 0);
    EXPECT_EQ(support::readFile(folder / "b.mlg"), mlg);
    EXPECT_EQ(support::readFile(folder / "o.csv"), support::expectedCsv(log, "RunQMRX.pdb"));
    EXPECT_TRUE(fs::exists(folder / "p.html"));

    const CommandResult onStandardOutput = run("--mlg - " + shellQuoted(input));
    EXPECT_EQ(onStandardOutput.exitCode, 0);
    EXPECT_EQ(onStandardOutput.standardOutput, mlg);
}

#ifndef _WIN32

// Root writes into any folder, so the converter then runs as nobody.
TEST_F(ConverterCommandTest, AnMlgInAReadOnlyFolderFailsAndKeepsTheCsv) {
    const fs::path input = writeLog(log);
    const fs::path readOnly = folder / "read-only";
    const fs::path csvs = folder / "csvs";
    fs::create_directories(readOnly);
    fs::create_directories(csvs);
    support::writeFile(csvs / "o.csv", {'o', 'l', 'd'});
    fs::permissions(csvs, fs::perms::all);
    fs::permissions(readOnly, fs::perms::owner_write, fs::perm_options::remove);
    const std::string program =
        geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " QUILLET_CONVERT
                       : QUILLET_CONVERT;
    const CommandResult result = support::runCommand(
        "sh",
        "-c '" + program + " --mlg \"$0\" \"$1\" \"$2\"' " + shellQuoted(readOnly / "r.mlg") + " " +
            shellQuoted(input) + " " + shellQuoted(csvs / "o.csv"),
        folder.path());
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.standardError,
              support::utf8Text(readOnly / "r.mlg") +
                  ": Bad Filename.  Please check the name and path of the files. (" +
                  support::utf8Text(readOnly) + ": permission denied)\n" +
                  support::utf8Text(csvs / "o.csv") + " was not written either.\n");
    EXPECT_EQ(support::readFile(csvs / "o.csv"), "old");
    EXPECT_TRUE(fs::is_empty(readOnly));
}

// Standard output redirected into a file is an output like any named one: it is checked before
// anything is written, and a log or a file holding one is never written into.
TEST_F(ConverterCommandTest, StandardOutputThatIsAFileIsCheckedAsAnOutput) {
    const fs::path input = writeLog(log);
    const fs::path other = folder / "other.pdb";
    std::filesystem::copy_file(input, other);
    const std::string logBytes = support::readFile(input);
    const struct {
        std::string script;
        int exitCode;
        std::string firstLine;
    } rows[] = {
        {"\"$0\" \"$1\" - >>\"$1\"", 2,
         "quillet-convert: the CSV would be written to standard output, which is the log "
         "{}/RunQMRX.pdb"},
        {"\"$0\" \"$1\" - 1<>\"$1\"", 2,
         "quillet-convert: the CSV would be written to standard output, which is the log "
         "{}/RunQMRX.pdb"},
        {"\"$0\" --html - \"$1\" >>\"$1\"", 2,
         "quillet-convert: the page would be written to standard output, which is the log "
         "{}/RunQMRX.pdb"},
        {"\"$0\" --summary \"$1\" >>\"$2\"", 2,
         "quillet-convert: the summary would be written to standard output, which is a file that "
         "holds a Palm database, as logs do; no output replaces a log"},
        {"\"$0\" --help >>\"$2\"", 2,
         "quillet-convert: the text would be written to standard output, which is a file that "
         "holds a Palm database, as logs do; no output replaces a log"},
        {"\"$0\" --html /dev/stdout \"$1\" - >\"$3/b.txt\"", 2,
         "quillet-convert: the CSV and the page would both be written to /dev/stdout, which "
         "standard output is"},
        {"\"$0\" \"$1\" - >\"$3/c.csv\"", 0, ""},
    };
    for (const auto& row : rows) {
        const CommandResult result = support::runCommand(
            "sh",
            "-c " + support::singleQuoted(row.script) + " " + shellQuoted(QUILLET_CONVERT) + " " +
                shellQuoted(input) + " " + shellQuoted(other) + " " + shellQuoted(folder.path()),
            folder.path());
        EXPECT_EQ(result.exitCode, row.exitCode) << row.script;
        std::string firstLine = row.firstLine;
        if (const std::size_t at = firstLine.find("{}"); at != std::string::npos) {
            firstLine.replace(at, 2, support::utf8Text(folder.path()));
        }
        EXPECT_EQ(result.standardError.substr(0, result.standardError.find('\n')), firstLine)
            << row.script;
        EXPECT_EQ(support::readFile(input), logBytes) << row.script;
        EXPECT_EQ(support::readFile(other), logBytes) << row.script;
    }
    EXPECT_EQ(support::readFile(folder / "c.csv"), support::expectedCsv(log, "RunQMRX.pdb"));
}

TEST_F(ConverterCommandTest, LogFromAPipe) {
    const fs::path input = writeLog(log);
    const std::string convert = shellQuoted(QUILLET_CONVERT);
    const CommandResult dash = support::runCommand(
        "sh", "-c 'cat \"$0\" | " + convert + " - -' " + shellQuoted(input), folder.path());
    EXPECT_EQ(dash.exitCode, 0);
    EXPECT_EQ(dash.standardOutput, support::expectedCsv(log, "-"));

    // A pipe cannot be read by position, so naming it as a file is a bad file name.
    const CommandResult named = support::runCommand(
        "sh", "-c 'cat \"$0\" | " + convert + " /dev/stdin -' " + shellQuoted(input),
        folder.path());
    EXPECT_EQ(named.exitCode, 1);
    EXPECT_EQ(named.standardError,
              "/dev/stdin: Bad Filename.  Please check the name and path of the files. The log is "
              "a pipe, a socket or a terminal, which cannot be read by position; give - and send "
              "the log to standard input instead.\n");
    EXPECT_EQ(named.standardOutput, "");
}

#endif

// The rules themselves are options_test's; here the real program ends wrong usage with status 2
// and the usage lines, before it writes anything.
TEST_F(ConverterCommandTest, WrongUsageShowsTheUsageLinesAndWritesNothing) {
    const fs::path input = writeLog(log);
    for (const std::string& arguments :
         {std::string("a b c"), "--plot " + shellQuoted(folder / "o.csv") + " " +
                                    shellQuoted(input) + " " + shellQuoted(folder / "o.csv")}) {
        const CommandResult result = run(arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments;
        EXPECT_EQ(result.standardError.substr(result.standardError.find('\n') + 1),
                  "usage: quillet-convert [OPTIONS] INPUT OUTPUT\n"
                  "       quillet-convert [OPTIONS] --output-dir DIR INPUT...\n"
                  "       quillet-convert [OPTIONS] --plot SVG INPUT [OUTPUT]\n"
                  "       quillet-convert [OPTIONS] --html PAGE INPUT [OUTPUT]\n"
                  "       quillet-convert [OPTIONS] --mlg MLG INPUT [OUTPUT]\n"
                  "       quillet-convert [OPTIONS] --compare --html PAGE LOG LOG...\n"
                  "       quillet-convert --summary INPUT...\n")
            << arguments;
    }
    EXPECT_FALSE(fs::exists(folder / "o.csv"));
}

TEST_F(ConverterCommandTest, HelpAndVersion) {
    const CommandResult help = run("--help");
    EXPECT_EQ(help.exitCode, 0);
    // Help and version are text, written with the platform's line ends.
    EXPECT_EQ(support::withoutCarriageReturns(help.standardOutput)
                  .rfind("usage: quillet-convert [OPTIONS] INPUT OUTPUT\n", 0),
              0u);
    const CommandResult version = run("--version");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(support::withoutCarriageReturns(version.standardOutput),
              "quillet-convert " + std::string(kVersion) + "\n");
}

}  // namespace
}  // namespace quillet
