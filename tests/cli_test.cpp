#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "generated/quillet_version.h"
#include "tests/support/converter_command.h"
#include "tests/support/expected_csv.h"
#include "tests/support/log_writer.h"
#include "tests/support/recording_services.h"

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

TEST_F(ConverterCommandTest, FailuresGoToStandardErrorWithStatusOne) {
    const CommandResult missing =
        run(shellQuoted(folder / "NoneQMRX.pdb") + " " + shellQuoted(folder / "o.csv"));
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.standardError,
              "Bad Filename.  Please check the name and path of the files.\n");
    EXPECT_FALSE(fs::exists(folder / "o.csv"));

    log.channelCountByte = 13;
    const CommandResult thirteen =
        run(shellQuoted(writeLog(log)) + " " + shellQuoted(folder / "o.csv"));
    EXPECT_EQ(thirteen.exitCode, 1);
    EXPECT_EQ(thirteen.standardError,
              "Unexpected error # 9 occurred: Subscript out of range\n"
              "Please report this error to " +
                  std::string(kSupportAddress) + "\n");
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
              "Unexpected error # 62 occurred: Input past end of file\n"
              "Please report this error to " +
                  std::string(kSupportAddress) + "\n");
    const std::string csv = support::readFile(folder / "out.csv");
    EXPECT_EQ(csv, support::expectedCsv(log, "-").substr(0, csv.size()));
    EXPECT_TRUE(csv.ends_with("\r\n"));
}

#ifndef _WIN32

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
    EXPECT_EQ(named.standardError, "Bad Filename.  Please check the name and path of the files.\n");
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
