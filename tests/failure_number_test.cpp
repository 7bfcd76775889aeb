// The failures that the damaged logs and path tests do not reach, each brought about for real
// on quillet-convert: a full device, a full or inode-less file system, a file size limit, a
// read that fails, too little memory, and a failure to keep the output after another failure.
#include <gtest/gtest.h>

#include <functional>

#include "tests/conversion_fixture.h"
#include "tests/support/converter_command.h"
#include "tests/support/expected_csv.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace quillet {
namespace {

#ifndef _WIN32

const std::string kOldOutput = "the CSV of an earlier run\r\n";
const std::string kLogName = "RunQMRX.pdb";

// A log whose CSV is about 300 kB: several blocks of writing.
const LogContents& mediumLog() {
    static const LogContents log = support::drivingLog({33, 38, 6, 19}, 600, 20);
    return log;
}

// A log whose lines all wait in the write buffer, cut inside its last record.
std::vector<std::uint8_t> shortCutLog() {
    std::vector<std::uint8_t> bytes = support::buildLog(support::drivingLog({33, 38}, 40, 20));
    bytes.resize(bytes.size() - 3);
    return bytes;
}

struct FailureCase {
    std::string name;
    // A shell script run with $0 the converter, $1 the log, $2 the output and $3 the folder.
    std::string script;
    FailureNumber failure;
    // What goes after the failure's own description in the message.
    std::string descriptionEnd;
    bool needsMountNamespace = false;
    // Why the case cannot run under AddressSanitizer, if it cannot.
    const char* notUnderAddressSanitizer = nullptr;
    // The log's bytes when it is not the medium log.
    std::vector<std::uint8_t> (*logBytes)() = nullptr;
    // Checks the output afterwards, given what the CSV would be.
    std::function<void(const fs::path& output, const std::string& csv)> checkOutput;
    // What the message names first, the output that failed, and what it adds after the message,
    // where {folder} stands for the test's folder.
    std::string messagePrefix = "";
    std::string messageEnd = "";
};

void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }

void keepsTheOldOutput(const fs::path& output, const std::string&) {
    EXPECT_EQ(readFile(output), kOldOutput);
}

// The earlier output, alone on its disk: no file of the failed run is left beside it.
void keepsTheOldOutputAlone(const fs::path& output, const std::string& csv) {
    keepsTheOldOutput(output, csv);
    EXPECT_EQ(readFile(output.parent_path() / "listing"), "out.csv\n");
}

bool underAddressSanitizer() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#endif
#endif
    return false;
}

// Runs the converter inside a fresh mount namespace, on a small tmpfs mounted at $3/disk with
// `options` that holds the earlier output where room allows; the output and a listing of the
// disk are copied out before the namespace ends.
std::string onSmallDisk(const std::string& options, const std::string& before = "",
                        const std::string& outputs = "\"$3/disk/out.csv\"") {
    return "unshare -m sh -c '" + before + "mkdir -p \"$3/disk\" && mount -t tmpfs -o " + options +
           " none \"$3/disk\" && { cp \"$2\" \"$3/disk/out.csv\" 2>/dev/null; "
           "\"$0\" \"$1\" " +
           outputs +
           "; }; status=$?; "
           "cp \"$3/disk/out.csv\" \"$2\" 2>/dev/null; ls -A \"$3/disk\" >\"$3/listing\"; "
           "exit $status' \"$0\" \"$1\" \"$2\" \"$3\"";
}

std::vector<FailureCase> failureCases() {
    return {
        {"FullDevice", "exec \"$0\" \"$1\" /dev/full", FailureNumber::DiskFull, "", false, nullptr,
         nullptr, keepsTheOldOutput, "/dev/full: "},
        {"FileSizeLimit", "ulimit -f 300 && exec \"$0\" \"$1\" \"$2\"", FailureNumber::DiskFull, "",
         false, nullptr, nullptr, keepsTheOldOutput, "{folder}/out.csv: "},
        // The disk holds the output of an earlier run; the new one does not fit beside it.
        {"FullFileSystem", onSmallDisk("size=160k"), FailureNumber::DiskFull, "", true, nullptr,
         nullptr, keepsTheOldOutputAlone, "{folder}/disk/out.csv: "},
        // The same where no nameless file can be linked in, so that the new one is written under
        // a name of its own until it fails.
        {"FullFileSystemWithANamedFile", onSmallDisk("size=160k", "mount -t tmpfs none /proc && "),
         FailureNumber::DiskFull, "", true, "AddressSanitizer cannot find the stack without /proc",
         nullptr, keepsTheOldOutputAlone, "{folder}/disk/out.csv: "},
        // The CSV fails on the way, so the page is not written either.
        {"CsvAndPageOnAFullFileSystem",
         onSmallDisk("size=160k", "", "--html \"$3/disk/out.html\" \"$3/disk/out.csv\""),
         FailureNumber::DiskFull, "", true, nullptr, nullptr, keepsTheOldOutputAlone,
         "{folder}/disk/out.csv: ", "{folder}/disk/out.html was not written either.\n"},
        {"NoInodeLeft", onSmallDisk("size=1m,nr_inodes=1"), FailureNumber::DiskFull, "", true,
         nullptr, nullptr,
         [](const fs::path& output, const std::string&) {
             EXPECT_EQ(readFile(output), kOldOutput);
             EXPECT_EQ(readFile(output.parent_path() / "listing"), "");
         },
         "{folder}/disk/out.csv: "},
        // Texts the program prints report their failures as its outputs do.
        {"HelpOntoAFullDevice", "exec \"$0\" --help >/dev/full", FailureNumber::DiskFull, "", false,
         nullptr, nullptr, keepsTheOldOutput, "standard output: "},
        {"VersionOntoAFullDevice", "exec \"$0\" --version >/dev/full", FailureNumber::DiskFull, "",
         false, nullptr, nullptr, keepsTheOldOutput, "standard output: "},
        {"SummaryOntoAFullDevice", "exec \"$0\" --summary \"$1\" >/dev/full",
         FailureNumber::DiskFull, "", false, nullptr, nullptr, keepsTheOldOutput,
         "standard output: "},
        {"SummaryWithStandardOutputClosed", "exec \"$0\" --summary \"$1\" >&-",
         FailureNumber::DeviceIoError, "", false, nullptr, nullptr, keepsTheOldOutput,
         "standard output: "},
        {"CsvOntoAFullStandardOutput", "exec \"$0\" \"$1\" - >/dev/full", FailureNumber::DiskFull,
         "", false, nullptr, nullptr, keepsTheOldOutput, "standard output: "},
        // Position 0 of a process's memory is never mapped, so reading it fails.
        {"ReadFails", "exec \"$0\" /proc/self/mem \"$2\"", FailureNumber::DeviceIoError, "", false,
         nullptr, nullptr, keepsTheOldOutput, "/proc/self/mem: "},
        {"TooLittleMemoryForStandardInput",
         "ulimit -v 16000 && head -c 16000000 /dev/zero | \"$0\" - \"$2\"",
         FailureNumber::OutOfMemory, "", false,
         "AddressSanitizer reserves more memory than the limit", nullptr, keepsTheOldOutput,
         "standard input: "},
        // The log ends inside its second record while its lines wait in the write buffer; the
        // limit then refuses them too, the message tells both, and the earlier output stays.
        {"ClosingFailsAfterTheLogEnded", "ulimit -f 1 && exec \"$0\" \"$1\" \"$2\"",
         FailureNumber::InputPastEndOfFile, "; the output could not be completed: Disk full", false,
         nullptr, shortCutLog, keepsTheOldOutput, "{folder}/RunQMRX.pdb: "},
    };
}

class FailureNumberTest : public ::testing::TestWithParam<FailureCase> {
  protected:
    support::TemporaryFolder folder;
};

TEST_P(FailureNumberTest, ReachedThroughTheConverter) {
    const FailureCase& c = GetParam();
    if (c.needsMountNamespace &&
        (geteuid() != 0 || std::system("unshare -m true 2>/dev/null") != 0)) {
        GTEST_SKIP() << "needs root and mount namespaces";
    }
    if (c.notUnderAddressSanitizer && underAddressSanitizer()) {
        GTEST_SKIP() << c.notUnderAddressSanitizer;
    }
    const fs::path log = folder / kLogName;
    const fs::path output = folder / "out.csv";
    support::writeFile(log, c.logBytes ? c.logBytes() : support::buildLog(mediumLog()));
    support::writeFile(output, std::vector<std::uint8_t>(kOldOutput.begin(), kOldOutput.end()));

    const support::CommandResult result = support::runCommand(
        "sh",
        "-c " + support::singleQuoted(c.script) + " " + support::shellQuoted(QUILLET_CONVERT) + " " +
            support::shellQuoted(log) + " " + support::shellQuoted(output) + " " +
            support::shellQuoted(folder.path()),
        folder.path());

    const auto inFolder = [&](std::string text) {
        if (const std::size_t at = text.find("{folder}"); at != std::string::npos) {
            text.replace(at, 8, support::utf8Text(folder.path()));
        }
        return text;
    };
    const std::string subject = inFolder(c.messagePrefix);
    std::string message = expectedErrorOutput(c.failure, subject.substr(0, subject.size() - 2)) +
                          inFolder(c.messageEnd);
    message.insert(message.find('\n'), c.descriptionEnd);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.standardError, message);
    c.checkOutput(output, support::expectedCsv(mediumLog(), kLogName));
}

INSTANTIATE_TEST_SUITE_P(Failures, FailureNumberTest, ::testing::ValuesIn(failureCases()),
                         [](const auto& info) { return info.param.name; });

#endif

}  // namespace
}  // namespace quillet
