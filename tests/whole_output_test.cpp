// An output path holds either what it held before a run or a whole CSV: after links, signals,
// concurrent runs and full disks, with the real converter where a process must be stopped.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "tests/conversion_fixture.h"
#include "tests/support/converter_command.h"
#include "tests/support/expected_csv.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace quillet {
namespace {

using namespace std::chrono_literals;

const std::string kOldOutput = "the CSV of an earlier run\r\n";

LogContents smallLog() { return support::drivingLog({33, 38}, 3, 2); }

std::vector<std::string> folderListing(const fs::path& folder) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        names.push_back(support::utf8Text(entry.path().filename()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

void writeText(const fs::path& path, const std::string& text) {
    support::writeFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

TEST_F(ConversionRunTest, LeavesNoTemporaryFileBehind) {
    const LogContents log = smallLog();
    writeText(output, kOldOutput);
    ASSERT_EQ(convert(log), ConversionOutcome::Converted);
    EXPECT_EQ(readFile(output), support::expectedCsv(log, "RunQMRX.pdb"));
    EXPECT_EQ(folderListing(folder.path()), (std::vector<std::string>{"RunQMRX.pdb", "out.csv"}));

    std::vector<std::uint8_t> cut = support::buildLog(log);
    cut.resize(cut.size() - 3);
    EXPECT_EQ(convert(writeLog(cut)), ConversionOutcome::Failed);
    EXPECT_EQ(folderListing(folder.path()), (std::vector<std::string>{"RunQMRX.pdb", "out.csv"}));
}

#ifndef _WIN32

TEST_F(ConversionRunTest, OutputLinkIsFollowedAndKept) {
    const LogContents log = smallLog();
    fs::create_directory(folder / "csv");
    writeText(folder / "csv" / "target.csv", kOldOutput);
    fs::create_symlink("csv/target.csv", output);
    ASSERT_EQ(convert(log), ConversionOutcome::Converted);
    EXPECT_TRUE(fs::is_symlink(output));
    EXPECT_EQ(fs::read_symlink(output), "csv/target.csv");
    EXPECT_EQ(readFile(folder / "csv" / "target.csv"), support::expectedCsv(log, "RunQMRX.pdb"));
    EXPECT_EQ(folderListing(folder / "csv"), std::vector<std::string>{"target.csv"});
}

TEST_F(ConversionRunTest, DanglingOutputLinkGetsItsTargetCreated) {
    const LogContents log = smallLog();
    fs::create_symlink(folder / "second.lnk", output);
    fs::create_symlink("new.csv", folder / "second.lnk");
    ASSERT_EQ(convert(log), ConversionOutcome::Converted);
    EXPECT_TRUE(fs::is_symlink(output));
    EXPECT_EQ(readFile(folder / "new.csv"), support::expectedCsv(log, "RunQMRX.pdb"));
}

TEST_F(ConversionRunTest, OutputLinkLoopIsABadFilename) {
    fs::create_symlink("b.csv", folder / "a.csv");
    fs::create_symlink("a.csv", folder / "b.csv");
    output = folder / "a.csv";
    EXPECT_EQ(convert(smallLog()), ConversionOutcome::Failed);
    expectFailure(FailureNumber::PathFileAccessError);
}

// A private CSV stays private, and one shared with a group stays the group's.
TEST_F(ConversionRunTest, ReplacingKeepsTheModeAndOwnerOfTheOutput) {
    writeText(output, kOldOutput);
    const bool mayGiveAway = geteuid() == 0;
    if (mayGiveAway) {
        ASSERT_EQ(chown(output.c_str(), 65534, 65534), 0);
    }
    for (const mode_t mode : {0600, 0640, 0444 | 0200}) {
        ASSERT_EQ(chmod(output.c_str(), mode), 0);
        ASSERT_EQ(convert(smallLog()), ConversionOutcome::Converted);
        struct stat replaced {};
        ASSERT_EQ(stat(output.c_str(), &replaced), 0);
        EXPECT_EQ(replaced.st_mode & 07777, mode);
        if (mayGiveAway) {
            EXPECT_EQ(replaced.st_uid, 65534u);
            EXPECT_EQ(replaced.st_gid, 65534u);
        }
    }
}

TEST_F(ConversionRunTest, ANewOutputTakesItsModeFromTheUmask) {
    const mode_t previous = umask(027);
    const ConversionOutcome outcome = convert(smallLog());
    umask(previous);
    ASSERT_EQ(outcome, ConversionOutcome::Converted);
    struct stat created {};
    ASSERT_EQ(stat(output.c_str(), &created), 0);
    EXPECT_EQ(created.st_mode & 07777, 0640u);
}

// A hard link of the output keeps the old CSV: the output is a new file.
TEST_F(ConversionRunTest, AHardLinkOfTheOutputKeepsTheOldCsv) {
    writeText(output, kOldOutput);
    fs::create_hard_link(output, folder / "kept.csv");
    ASSERT_EQ(convert(smallLog()), ConversionOutcome::Converted);
    EXPECT_EQ(readFile(folder / "kept.csv"), kOldOutput);
    EXPECT_EQ(readFile(output), support::expectedCsv(smallLog(), "RunQMRX.pdb"));
}

// Each case is a path that names something that cannot be read by position; the run must end
// at once, never waiting for a writer.
TEST_F(ConversionRunTest, InputsThatCannotBeReadByPositionAreBadFilenames) {
    const fs::path pipe = folder / "pipeQMRX.pdb";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const fs::path socketPath = folder / "sockQMRX.pdb";
    const int socketFd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socketPath.native().copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(bind(socketFd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    for (const fs::path& input : {pipe, socketPath, folder.path()}) {
        writeText(output, kOldOutput);
        services = {};
        EXPECT_EQ(convert(input), ConversionOutcome::Failed) << input;
        expectFailure(FailureNumber::PathFileAccessError);
        EXPECT_EQ(readFile(output), kOldOutput);
    }
    close(socketFd);
}

// A log large enough that converting it takes a tenth of a second or more.
const fs::path& largeLog() {
    static const support::TemporaryFolder folder;
    static const fs::path log = [] {
        const fs::path path = folder / "LargeQMRX.pdb";
        support::writeFile(path, support::buildLog(support::drivingLog(
                                     {33, 38, 6, 19, 26, 41, 44, 58, 23, 7, 20, 21}, 25000, 50)));
        return path;
    }();
    return log;
}

bool processesMaySeeOtherMountsThanOurs() {
    static const bool may = geteuid() == 0 && std::system("unshare -m true 2>/dev/null") == 0;
    return may;
}

struct InterruptionCase {
    std::string name;
    int signalNumber;
    // Whether the run must fall back to a named temporary file: started with /proc hidden, so
    // that a nameless one could not be linked in.
    bool namedTemporary;
};

void PrintTo(const InterruptionCase& c, std::ostream* out) { *out << c.name; }

class InterruptionTest : public ::testing::TestWithParam<InterruptionCase> {
  protected:
    std::vector<std::string> command() const {
        const std::vector<std::string> convert = {QUILLET_CONVERT, largeLog().string(),
                                                  output.string()};
        if (!GetParam().namedTemporary) return convert;
        std::vector<std::string> hidden = {"/usr/bin/unshare",
                                           "-m",
                                           "/bin/sh",
                                           "-c",
                                           "mount -t tmpfs none /proc && exec \"$@\"",
                                           "sh"};
        hidden.insert(hidden.end(), convert.begin(), convert.end());
        return hidden;
    }

    support::TemporaryFolder folder;
    fs::path output = folder / "out.csv";
};

// A run that ends before the signal comes proves nothing, so the test tries again.
TEST_P(InterruptionTest, LeavesThePreviousOutputAndNoTemporaryFile) {
    if (GetParam().namedTemporary && !processesMaySeeOtherMountsThanOurs()) {
        GTEST_SKIP() << "needs root and mount namespaces";
    }
    constexpr int kTries = 5;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        writeText(output, kOldOutput);
        support::RunningProgram program(command());
        // Nothing but the CSV is written, so a count above 0 means the CSV has begun.
        while (program.bytesWritten() == 0 && !program.hasEnded()) {
            std::this_thread::sleep_for(1ms);
        }
        kill(program.pid(), GetParam().signalNumber);
        const int status = program.wait();
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0) continue;
        ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
        EXPECT_EQ(WTERMSIG(status), GetParam().signalNumber);
        EXPECT_EQ(readFile(output), kOldOutput);
        EXPECT_EQ(folderListing(folder.path()), std::vector<std::string>{"out.csv"});
        return;
    }
    FAIL() << "the conversion ended before every signal";
}

INSTANTIATE_TEST_SUITE_P(Signals, InterruptionTest,
                         ::testing::Values(InterruptionCase{"Interrupt", SIGINT, false},
                                           InterruptionCase{"Terminate", SIGTERM, false},
                                           InterruptionCase{"HangUp", SIGHUP, false},
                                           InterruptionCase{"KillWithNamelessFile", SIGKILL, false},
                                           InterruptionCase{"InterruptWithNamedFile", SIGINT, true},
                                           InterruptionCase{"TerminateWithNamedFile", SIGTERM,
                                                            true},
                                           InterruptionCase{"HangUpWithNamedFile", SIGHUP, true}),
                         [](const auto& info) { return info.param.name; });

// Pairs of runs started together onto one path, half of them onto a path that is new: both
// succeed, and the output is one of the two CSVs, whole.
TEST(ConcurrentRuns, EachPairLeavesOneWholeCsv) {
    const support::TemporaryFolder folder;
    const LogContents first = support::drivingLog({33, 7, 20}, 3000, 8, 1);
    const LogContents second = support::drivingLog({38, 6}, 2000, 12, 2);
    support::writeFile(folder / "FirstQMRX.pdb", support::buildLog(first));
    support::writeFile(folder / "SecondQMRX.pdb", support::buildLog(second));
    const std::string firstCsv = support::expectedCsv(first, "FirstQMRX.pdb");
    const std::string secondCsv = support::expectedCsv(second, "SecondQMRX.pdb");
    const fs::path output = folder / "out.csv";

    constexpr int kPairs = 30;
    int firstWins = 0;
    for (int pair = 0; pair < kPairs; ++pair) {
        if (pair % 2 == 0) fs::remove(output);
        support::RunningProgram a(
            {QUILLET_CONVERT, (folder / "FirstQMRX.pdb").string(), output.string()});
        support::RunningProgram b(
            {QUILLET_CONVERT, (folder / "SecondQMRX.pdb").string(), output.string()});
        const int statusA = a.wait();
        const int statusB = b.wait();
        ASSERT_TRUE(WIFEXITED(statusA) && WEXITSTATUS(statusA) == 0) << "pair " << pair;
        ASSERT_TRUE(WIFEXITED(statusB) && WEXITSTATUS(statusB) == 0) << "pair " << pair;
        const std::string csv = readFile(output);
        ASSERT_TRUE(csv == firstCsv || csv == secondCsv)
            << "pair " << pair << " left " << csv.size() << " bytes";
        firstWins += csv == firstCsv;
    }
    EXPECT_EQ(folderListing(folder.path()),
              (std::vector<std::string>{"FirstQMRX.pdb", "SecondQMRX.pdb", "out.csv"}));
    RecordProperty("FirstWins", firstWins);
}

#endif

}  // namespace
}  // namespace quillet
