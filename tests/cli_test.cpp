#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "converter_command.h"
#include "log_writer.h"
#include "recording_services.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;

using testing::CommandResult;
using testing::shellQuoted;

class ConverterCommandTest : public ::testing::Test {
  protected:
    CommandResult run(const std::string& arguments) {
        return testing::runCommand(QUILLET_CONVERT, arguments, folder.path());
    }

    fs::path writeLog(const testing::LogContents& contents) {
        const fs::path input = folder / "RunQMRX.pdb";
        testing::writeFile(input, testing::buildLog(contents));
        return input;
    }

    testing::TemporaryFolder folder;
    testing::LogContents log = testing::drivingLog({33, 7, 20}, 4, 3);
};

TEST_F(ConverterCommandTest, ConvertsIntoTheOutputFile) {
    const CommandResult result =
        run(shellQuoted(writeLog(log)) + " " + shellQuoted(folder / "out.csv"));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.standardError, "");
    EXPECT_EQ(testing::readFile(folder / "out.csv"), testing::expectedCsv(log, "RunQMRX.pdb"));
}

TEST_F(ConverterCommandTest, DashWritesTheCsvToStandardOutput) {
    const CommandResult result = run(shellQuoted(writeLog(log)) + " -");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.standardOutput, testing::expectedCsv(log, "RunQMRX.pdb"));
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
              "Please report this error to " QUILLET_SUPPORT_ADDRESS "\n");
}

TEST_F(ConverterCommandTest, WrongUsageShowsTheUsageLines) {
    const std::string usage =
        "usage: quillet-convert [OPTIONS] INPUT OUTPUT\n"
        "       quillet-convert [OPTIONS] --output-dir DIR INPUT...\n"
        "       quillet-convert [OPTIONS] --plot SVG INPUT [OUTPUT]\n"
        "       quillet-convert --summary INPUT...\n";
    for (const std::string& arguments : {std::string(), std::string("one"), std::string("a b c")}) {
        const CommandResult result = run(arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments;
        EXPECT_EQ(result.standardError.substr(result.standardError.find('\n') + 1), usage)
            << arguments;
    }
}

TEST_F(ConverterCommandTest, HelpAndVersion) {
    const CommandResult help = run("--help");
    EXPECT_EQ(help.exitCode, 0);
    // Help and version are text, written with the platform's line ends.
    EXPECT_EQ(testing::withoutCarriageReturns(help.standardOutput)
                  .rfind("usage: quillet-convert [OPTIONS] INPUT OUTPUT\n", 0),
              0u);
    const CommandResult version = run("--version");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(testing::withoutCarriageReturns(version.standardOutput),
              "quillet-convert " QUILLET_VERSION "\n");
}

}  // namespace
}  // namespace quillet
