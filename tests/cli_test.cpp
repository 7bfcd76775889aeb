#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "log_writer.h"
#include "recording_services.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace quillet {
namespace {

namespace fs = std::filesystem;

struct CommandResult {
    int exitCode;
    std::string standardOutput;
    std::string standardError;
};

class ConverterCommandTest : public ::testing::Test {
  protected:
    CommandResult run(const std::string& arguments) {
        const fs::path out = folder / "stdout.txt";
        const fs::path err = folder / "stderr.txt";
        const std::string command = "\"" QUILLET_CONVERT "\" " + arguments + " >\"" + out.string() +
                                    "\" 2>\"" + err.string() + "\"";
        const int status = std::system(command.c_str());
#ifdef _WIN32
        const int exitCode = status;
#else
        const int exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
        return {exitCode, testing::readFile(out), testing::readFile(err)};
    }

    std::string quoted(const fs::path& path) { return "\"" + path.string() + "\""; }

    fs::path writeLog(const testing::LogContents& contents) {
        const fs::path input = folder / "RunQMRX.pdb";
        testing::writeFile(input, testing::buildLog(contents));
        return input;
    }

    testing::TemporaryFolder folder;
    testing::LogContents log = testing::drivingLog({33, 7, 20}, 4, 3);
};

TEST_F(ConverterCommandTest, ConvertsIntoTheOutputFile) {
    const CommandResult result = run(quoted(writeLog(log)) + " " + quoted(folder / "out.csv"));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.standardError, "");
    EXPECT_EQ(testing::readFile(folder / "out.csv"), testing::expectedCsv(log, "RunQMRX.pdb"));
}

TEST_F(ConverterCommandTest, DashWritesTheCsvToStandardOutput) {
    const CommandResult result = run(quoted(writeLog(log)) + " -");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.standardOutput, testing::expectedCsv(log, "RunQMRX.pdb"));
    EXPECT_EQ(result.standardError, "");
}

TEST_F(ConverterCommandTest, FailuresGoToStandardErrorWithStatusOne) {
    const CommandResult missing =
        run(quoted(folder / "NoneQMRX.pdb") + " " + quoted(folder / "o.csv"));
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.standardError,
              "Bad Filename.  Please check the name and path of the files.\n");
    EXPECT_FALSE(fs::exists(folder / "o.csv"));

    log.channelCountByte = 13;
    const CommandResult thirteen = run(quoted(writeLog(log)) + " " + quoted(folder / "o.csv"));
    EXPECT_EQ(thirteen.exitCode, 1);
    EXPECT_EQ(thirteen.standardError,
              "Unexpected error # 9 occurred: Subscript out of range\n"
              "Please report this error to " QUILLET_SUPPORT_ADDRESS "\n");
}

TEST_F(ConverterCommandTest, WrongUsageShowsTheUsageLine) {
    for (const std::string& arguments : {std::string(), std::string("one"), std::string("a b c")}) {
        const CommandResult result = run(arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments;
        EXPECT_EQ(result.standardError, "usage: quillet-convert INPUT OUTPUT\n") << arguments;
    }
}

TEST_F(ConverterCommandTest, HelpAndVersion) {
    const CommandResult help = run("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.standardOutput.rfind("usage: quillet-convert INPUT OUTPUT\n", 0), 0u);
    const CommandResult version = run("--version");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.standardOutput, "quillet-convert " QUILLET_VERSION "\n");
}

}  // namespace
}  // namespace quillet
