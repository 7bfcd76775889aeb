// An output path holds either what it held before a run or a whole CSV: after links, signals,
// concurrent runs and full disks, with the real converter where a process must be stopped.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <thread>
#include <utility>

#include "system/interruption.h"
#include "system/log_files.h"
#include "tests/conversion_fixture.h"
#include "tests/support/converter_command.h"
#include "tests/support/expected_csv.h"
#include "tests/support/recording_services.h"

#ifdef _WIN32
#include <windows.h>
#else
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

// What an output does where a test steps into its run: as the file's own sink does, and then
// what the test says, once its first bytes are written and once it took its place.
class SeamSink : public ByteSink {
  public:
    SeamSink(std::unique_ptr<ByteSink> sink, std::function<void()> afterFirstWrite,
             std::function<void()> afterKeep)
        : m_sink(std::move(sink)),
          m_afterFirstWrite(std::move(afterFirstWrite)),
          m_afterKeep(std::move(afterKeep)) {}

    void write(std::span<const char> bytes) override {
        m_sink->write(bytes);
        if (m_afterFirstWrite) std::exchange(m_afterFirstWrite, nullptr)();
    }
    void close() override { m_sink->close(); }
    void keep() override {
        m_sink->keep();
        m_afterKeep();
    }
    void settle() override { m_sink->settle(); }
    void putBack() override { m_sink->putBack(); }
    InterruptionHold* interruptionHold() override { return m_sink->interruptionHold(); }
    bool writesInPlace() const override { return m_sink->writesInPlace(); }

  private:
    std::unique_ptr<ByteSink> m_sink;
    std::function<void()> m_afterFirstWrite;
    std::function<void()> m_afterKeep;
};

struct SeamTarget : OutputTarget {
    SeamTarget(OutputTarget& target, std::function<void()> afterFirstWrite,
               std::function<void()> afterKeep)
        : target(target),
          afterFirstWrite(std::move(afterFirstWrite)),
          afterKeep(std::move(afterKeep)) {}
    std::unique_ptr<ByteSink> replace() override {
        return std::make_unique<SeamSink>(target.replace(), afterFirstWrite, afterKeep);
    }
    std::string name() const override { return target.name(); }

    OutputTarget& target;
    std::function<void()> afterFirstWrite;
    std::function<void()> afterKeep;
};

enum class Left { AllOld, AllNew };

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

struct LastStepCase {
    std::string name;
    // What the run meets: a signal (0 for none) once its first output's first bytes are written
    // or once that output took its place, or, with no signal, its second output's place taken by
    // a folder meanwhile.
    int signalNumber;
    bool betweenMoves;
    Left left;
};

void PrintTo(const LastStepCase& c, std::ostream* out) { *out << c.name; }

class LastStepTest : public ::testing::TestWithParam<LastStepCase> {
  protected:
    // Converts the log into the three outputs in a child process, stepping in as the case says;
    // returns the child's status as waitpid gives it.
    int runInChild() {
        const pid_t child = fork();
        if (child != 0) {
            int status = 0;
            waitpid(child, &status, 0);
            return status;
        }
        system::removeTemporaryFilesOnInterruption();
        const LastStepCase& c = GetParam();
        system::FileLogInput log(support::utf8Text(logPath));
        system::FileOutputTarget a(support::utf8Text(outputs[0]), std::nullopt);
        system::FileOutputTarget b(support::utf8Text(outputs[1]), std::nullopt);
        system::FileOutputTarget d(support::utf8Text(outputs[2]), std::nullopt);
        const auto signal = [&] { raise(c.signalNumber); };
        const auto folderInPlaceOfTheSecond = [&] {
            fs::remove(outputs[1]);
            fs::create_directory(outputs[1]);
        };
        std::function<void()> nothing = [] {};
        SeamTarget first(a, c.betweenMoves ? nothing : signal,
                         !c.betweenMoves       ? nothing
                         : c.signalNumber != 0 ? std::function<void()>(signal)
                                               : folderInPlaceOfTheSecond);
        const OutputOrder orders[] = {
            {makeCsvOutput, first}, {makeCsvOutput, b}, {makeCsvOutput, d}};
        support::RecordingServices services;
        _exit(writeLogOutputs(log, orders, services) == ConversionOutcome::Converted ? 0 : 1);
    }

    support::TemporaryFolder folder;
    fs::path logPath = folder / "RunQMRX.pdb";
    std::array<fs::path, 3> outputs{folder / "a.csv", folder / "b.csv", folder / "c.csv"};
};

// The outputs take their places as one step: a signal waits until all are in place, and a move
// that fails puts back those made before it. Either way no temporary file is left.
TEST_P(LastStepTest, LeavesEveryOutputOldOrEveryOneNew) {
    const LastStepCase& c = GetParam();
    const LogContents log = smallLog();
    support::writeFile(logPath, support::buildLog(log));
    for (const fs::path& output : outputs) writeText(output, kOldOutput);

    const int status = runInChild();
    if (c.signalNumber != 0) {
        ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
        EXPECT_EQ(WTERMSIG(status), c.signalNumber);
    } else {
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 1);
    }
    const std::string expected =
        c.left == Left::AllNew ? support::expectedCsv(log, "RunQMRX.pdb") : kOldOutput;
    for (const fs::path& output : outputs) {
        if (fs::is_regular_file(output)) {
            EXPECT_EQ(readFile(output), expected) << output;
        }
    }
    for (const std::string& name : folderListing(folder.path())) {
        EXPECT_FALSE(name.starts_with(".quillet-")) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Steps, LastStepTest,
    ::testing::Values(LastStepCase{"InterruptWhileWriting", SIGINT, false, Left::AllOld},
                      LastStepCase{"TerminateWhileWriting", SIGTERM, false, Left::AllOld},
                      LastStepCase{"InterruptBetweenMoves", SIGINT, true, Left::AllNew},
                      LastStepCase{"TerminateBetweenMoves", SIGTERM, true, Left::AllNew},
                      LastStepCase{"HangUpBetweenMoves", SIGHUP, true, Left::AllNew},
                      LastStepCase{"AMoveFails", 0, true, Left::AllOld}),
    [](const auto& info) { return info.param.name; });

// A log large enough that its three outputs take a second or more to write.
struct LargeLogOutputs {
    fs::path log;
    // The CSV, picture and page that a whole run writes.
    std::array<std::string, 3> written;
};

const LargeLogOutputs& largeLogOutputs() {
    static const support::TemporaryFolder folder;
    static const LargeLogOutputs outputs = [] {
        LargeLogOutputs made{largeLog(), {}};
        const std::array<fs::path, 3> files{folder / "out.csv", folder / "out.svg",
                                            folder / "out.html"};
        support::RunningProgram run({QUILLET_CONVERT, "--plot", files[1].string(), "--html",
                                     files[2].string(), made.log.string(), files[0].string()});
        run.wait();
        for (std::size_t index = 0; index < files.size(); ++index) {
            made.written[index] = readFile(files[index]);
        }
        return made;
    }();
    return outputs;
}

struct InterruptionCase {
    std::string name;
    int signalNumber;
    // Whether the run must fall back to named temporary files: started with /proc hidden, so
    // that nameless ones could not be linked in.
    bool namedTemporary;
};

void PrintTo(const InterruptionCase& c, std::ostream* out) { *out << c.name; }

class InterruptionTest : public ::testing::TestWithParam<InterruptionCase> {
  protected:
    std::vector<std::string> command() const {
        const std::vector<std::string> convert = {QUILLET_CONVERT,     "--plot",
                                                  outputs[1].string(), "--html",
                                                  outputs[2].string(), largeLog().string(),
                                                  outputs[0].string()};
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
    std::array<fs::path, 3> outputs{folder / "out.csv", folder / "out.svg", folder / "out.html"};
};

// The real program, signalled once it has begun writing: whenever the signal comes, the outputs
// are all as they were or all whole and new, and no temporary file is left. SIGKILL, which no
// program sees, may leave a mix of whole files and a temporary file, which the next run in the
// folder removes.
TEST_P(InterruptionTest, LeavesTheOutputsAllOldOrAllNew) {
    if (GetParam().namedTemporary && !processesMaySeeOtherMountsThanOurs()) {
        GTEST_SKIP() << "needs root and mount namespaces";
    }
    const LargeLogOutputs& whole = largeLogOutputs();
    for (const fs::path& output : outputs) writeText(output, kOldOutput);
    support::RunningProgram program(command());
    while (program.bytesWritten() == 0 && !program.hasEnded()) {
        std::this_thread::sleep_for(1ms);
    }
    kill(program.pid(), GetParam().signalNumber);
    const int status = program.wait();
    ASSERT_TRUE(WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) == 0));
    std::size_t newOnes = 0;
    for (std::size_t index = 0; index < outputs.size(); ++index) {
        const std::string written = readFile(outputs[index]);
        EXPECT_TRUE(written == kOldOutput || written == whole.written[index]) << outputs[index];
        newOnes += written == whole.written[index];
    }
    if (GetParam().signalNumber == SIGKILL) {
        support::RunningProgram({QUILLET_CONVERT, whole.log.string(), outputs[0].string()}).wait();
    } else {
        EXPECT_TRUE(newOnes == 0 || newOnes == outputs.size()) << newOnes << " outputs are new";
    }
    EXPECT_EQ(folderListing(folder.path()),
              (std::vector<std::string>{"out.csv", "out.html", "out.svg"}));
}

INSTANTIATE_TEST_SUITE_P(
    Signals, InterruptionTest,
    ::testing::Values(InterruptionCase{"Interrupt", SIGINT, false},
                      InterruptionCase{"Terminate", SIGTERM, false},
                      InterruptionCase{"HangUp", SIGHUP, false},
                      InterruptionCase{"Kill", SIGKILL, false},
                      InterruptionCase{"InterruptWithNamedFiles", SIGINT, true},
                      InterruptionCase{"TerminateWithNamedFiles", SIGTERM, true},
                      InterruptionCase{"HangUpWithNamedFiles", SIGHUP, true},
                      InterruptionCase{"KillWithNamedFiles", SIGKILL, true}),
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

#ifdef _WIN32

// A console event as Windows delivers one: the system starts a thread in the process that calls
// its handlers, newest first.
HANDLE raiseConsoleEvent(DWORD event) {
    // Through a function type of no parameters, which any function's address may pass as.
    const auto routine = reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "CtrlRoutine")));
    return CreateThread(nullptr, 0, routine, reinterpret_cast<void*>(std::uintptr_t{event}), 0,
                        nullptr);
}

// Set by a handler of the test's own, which the event reaches before the program's.
HANDLE g_eventArrived = CreateEventW(nullptr, TRUE, FALSE, nullptr);

BOOL WINAPI noteArrival(DWORD) {
    SetEvent(g_eventArrived);
    return FALSE;
}

// A death test's child runs the test again from its start; it takes the parent's folder from its
// environment rather than making one of its own.
constexpr const wchar_t* kFolderVariable = L"QUILLET_TEST_RUN_FOLDER";

std::optional<fs::path> folderOfParent() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(kFolderVariable, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::nullopt;
    return fs::path(path);
}

struct ConsoleStepCase {
    std::string name;
    // The console event the run meets once its first output's first bytes are written, or once
    // that output took its place; with none, a viewer opens the second output meanwhile, sharing
    // nothing.
    std::optional<DWORD> event;
    bool betweenMoves;
    Left left;
    // Whether the first output is a file the run makes rather than one it replaces.
    bool firstIsNew = false;
};

void PrintTo(const ConsoleStepCase& c, std::ostream* out) { *out << c.name; }

class ConsoleStepTest : public ::testing::TestWithParam<ConsoleStepCase> {
  protected:
    void SetUp() override {
        if (const std::optional<fs::path> parents = folderOfParent()) {
            folder = *parents;
        } else {
            own.emplace();
            folder = own->path();
        }
        logPath = folder / "RunQMRX.pdb";
        outputs = {folder / "a.csv", folder / "b.csv", folder / "c.csv"};
    }

    // Converts the log into the three outputs, stepping in as the case says, and returns how the
    // run ended. Where an event comes, it waits for the handler, which ends the process.
    ConversionOutcome convert() {
        const ConsoleStepCase& c = GetParam();
        if (c.event) {
            system::removeTemporaryFilesOnInterruption();
            SetConsoleCtrlHandler(noteArrival, TRUE);
        }
        HANDLE eventThread = nullptr;
        HANDLE viewer = INVALID_HANDLE_VALUE;
        const auto stepIn = [&] {
            if (!c.event) {
                viewer = CreateFileW(outputs[1].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
                return;
            }
            eventThread = raiseConsoleEvent(*c.event);
            // Between the moves the handler must wait for the run; while it writes, nothing holds
            // the handler, which ends the run here.
            WaitForSingleObject(c.betweenMoves ? g_eventArrived : eventThread, INFINITE);
        };
        std::function<void()> nothing = [] {};
        system::FileLogInput log(support::utf8Text(logPath));
        system::FileOutputTarget a(support::utf8Text(outputs[0]), std::nullopt);
        system::FileOutputTarget b(support::utf8Text(outputs[1]), std::nullopt);
        system::FileOutputTarget d(support::utf8Text(outputs[2]), std::nullopt);
        SeamTarget first(a, c.betweenMoves ? nothing : stepIn, c.betweenMoves ? stepIn : nothing);
        const OutputOrder orders[] = {
            {makeCsvOutput, first}, {makeCsvOutput, b}, {makeCsvOutput, d}};
        const ConversionOutcome outcome = writeLogOutputs(log, orders, services);
        if (eventThread) WaitForSingleObject(eventThread, INFINITE);
        if (viewer != INVALID_HANDLE_VALUE) CloseHandle(viewer);
        return outcome;
    }

    std::optional<support::TemporaryFolder> own;
    fs::path folder;
    fs::path logPath;
    std::array<fs::path, 3> outputs;
    support::RecordingServices services;
};

// The outputs take their places as one step: a console event waits until all are in place, and a
// move that fails puts back those made before it and names the output that failed. Either way
// no temporary file is left.
TEST_P(ConsoleStepTest, LeavesEveryOutputOldOrEveryOneNew) {
    const ConsoleStepCase& c = GetParam();
    const LogContents log = smallLog();
    if (!folderOfParent()) {
        support::writeFile(logPath, support::buildLog(log));
        for (const fs::path& output : outputs) writeText(output, kOldOutput);
        if (c.firstIsNew) fs::remove(outputs[0]);
    }
    if (c.event) {
        SetEnvironmentVariableW(kFolderVariable, folder.c_str());
        EXPECT_EXIT(convert(), ::testing::ExitedWithCode(static_cast<int>(STATUS_CONTROL_C_EXIT)),
                    "");
        SetEnvironmentVariableW(kFolderVariable, nullptr);
    } else {
        EXPECT_EQ(convert(), ConversionOutcome::Failed);
        ASSERT_EQ(services.failures.size(), 1u);
        EXPECT_EQ(services.failures[0].outputPath(), support::utf8Text(outputs[1]));
        EXPECT_EQ(services.failures[0].description(), "The file is in use by another program");
    }
    const std::string expected =
        c.left == Left::AllNew ? support::expectedCsv(log, "RunQMRX.pdb") : kOldOutput;
    for (const fs::path& output : outputs) {
        if (c.firstIsNew && output == outputs[0]) continue;
        EXPECT_EQ(readFile(output), expected) << output;
    }
    std::vector<std::string> left{"RunQMRX.pdb", "a.csv", "b.csv", "c.csv"};
    if (c.firstIsNew) left.erase(left.begin() + 1);
    EXPECT_EQ(folderListing(folder), left);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, ConsoleStepTest,
    ::testing::Values(
        ConsoleStepCase{"CtrlCWhileWriting", CTRL_C_EVENT, false, Left::AllOld},
        ConsoleStepCase{"CtrlCBetweenMoves", CTRL_C_EVENT, true, Left::AllNew},
        ConsoleStepCase{"CtrlBreakBetweenMoves", CTRL_BREAK_EVENT, true, Left::AllNew},
        ConsoleStepCase{"ConsoleClosedBetweenMoves", CTRL_CLOSE_EVENT, true, Left::AllNew},
        ConsoleStepCase{"AViewerKeepsTheSecondFromItsPlace", std::nullopt, true, Left::AllOld},
        ConsoleStepCase{"AViewerKeepsTheSecondFromItsPlaceBesideANewFirst", std::nullopt, true,
                        Left::AllOld, true}),
    [](const auto& info) { return info.param.name; });

#endif

}  // namespace
}  // namespace quillet
