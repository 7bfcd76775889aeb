#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <thread>

#include "conversion/failure.h"
#include "tests/conversion_fixture.h"
#include "tests/support/converter_command.h"
#include "tests/support/reference_conversion.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quillet {
namespace {

const std::string kOldOutput = "old output";
const std::string kLogName = "RunQMRX.pdb";

std::vector<std::uint8_t> smallLog() {
    LogContents log;
    log.channels = {38};
    log.records = {LogRecord{1, {{0, {5}}}}};
    return support::buildLog(log);
}

// A UTF-8 file name as line 1 spells it on Windows: a byte per character, "?" beyond U+00FF.
std::string spreadsheetName(const std::string& utf8) {
    if (!system::kWindowsPaths) return utf8;
    std::string name;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t more = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
        const bool oneByte = more == 0 || (more == 1 && lead < 0xC4);
        name += !oneByte    ? '?'
                : more == 0 ? static_cast<char>(lead)
                            : static_cast<char>((lead & 0x03) << 6 | (utf8[i + 1] & 0x3F));
        i += more;
    }
    return name;
}

std::string csvOf(const std::string& fileName) {
    return spreadsheetName(fileName) + "\r\nTime,Knock\r\n0:01.00, 5\r\n";
}

struct Paths {
    fs::path input;
    fs::path output;
};

// Line 1 is UTF-8 where file names are; on Windows it takes one byte a character, as its
// spreadsheets read a CSV, and "?" for what one byte cannot hold.
TEST_F(ConversionRunTest, WritesTheNameAsThePlatformsSpreadsheetsReadIt) {
    LogContents log;
    log.records = {LogRecord{1, {{5, {}}}}};
    const fs::path input = writeLog(support::buildLog(log),
                                    "Pr\xC3\xBC"
                                    "fung \xE2\x82\xAC \xF0\x9F\x9A\x97QMRX.pdb");
    ASSERT_EQ(convert(input), ConversionOutcome::Converted);
    const std::string name = system::kWindowsPaths ? "Pr\xFC"
                                                     "fung ? ?QMRX.pdb"
                                                   : "Pr\xC3\xBC"
                                                     "fung \xE2\x82\xAC \xF0\x9F\x9A\x97QMRX.pdb";
    EXPECT_EQ(readFile(output), name + "\r\nTime\r\n0:01.05\r\n");
}

struct NameCase {
    std::string path;
    std::string onWindows;
    // Elsewhere "\\" is a character of a file name like any other.
    std::string elsewhere;
};

void PrintTo(const NameCase& c, std::ostream* out) { *out << c.path; }

class FileNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(FileNameTest, TakesTheTextAfterTheLastFolderSeparator) {
    const bool windows = fs::path::preferred_separator == '\\';
    EXPECT_EQ(system::fileNameOf(GetParam().path),
              windows ? GetParam().onWindows : GetParam().elsewhere);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FileNameTest,
    ::testing::Values(NameCase{"RunQMRX.pdb", "RunQMRX.pdb", "RunQMRX.pdb"},
                      NameCase{"C:\\Logs\\Run7QMRX.pdb", "Run7QMRX.pdb", "C:\\Logs\\Run7QMRX.pdb"},
                      NameCase{"/home/me/logs/Run7QMRX.pdb", "Run7QMRX.pdb", "Run7QMRX.pdb"},
                      NameCase{"C:\\Logs/sub\\Run.pdb", "Run.pdb", "sub\\Run.pdb"},
                      NameCase{"dir/", "", ""},
                      NameCase{"\\\\server\\share\\RunQMRX.pdb", "RunQMRX.pdb",
                               "\\\\server\\share\\RunQMRX.pdb"},
                      NameCase{"x\\aQMRX.pdb", "aQMRX.pdb", "x\\aQMRX.pdb"},
                      NameCase{"C:RunQMRX.pdb", "C:RunQMRX.pdb", "C:RunQMRX.pdb"},
                      NameCase{"/tmp/Lauf\xC3\xBC.pdb", "Lauf\xC3\xBC.pdb", "Lauf\xC3\xBC.pdb"}));

struct PathCase {
    std::string name;
    // Lays out the folder and names the two paths of the run.
    std::function<Paths(const fs::path& folder)> prepare;
    support::Ending ending;
    // What the failure says of itself, where its number alone could come from another check.
    std::string description = "";
};

void PrintTo(const PathCase& c, std::ostream* out) { *out << c.name; }

fs::path writeLogAt(const fs::path& path) {
    support::writeFile(path, smallLog());
    return path;
}

#ifdef _WIN32
fs::path writeOldOutput(const fs::path& path);

// A debugger's symbols, which are no log but are named like one.
fs::path debuggerFileAt(const fs::path& folder) {
    fs::create_directory(folder / "sub");
    return writeOldOutput(folder / "sub" / "debug.pdb");
}

fs::path writeLogCutShortAt(const fs::path& path) {
    std::vector<std::uint8_t> bytes = smallLog();
    bytes.pop_back();
    support::writeFile(path, bytes);
    return path;
}
#endif

fs::path writeOldOutput(const fs::path& path) {
    support::writeFile(path, std::vector<std::uint8_t>(kOldOutput.begin(), kOldOutput.end()));
    return path;
}

Paths standard(const fs::path& folder) {
    return {writeLogAt(folder / kLogName), writeOldOutput(folder / "out.csv")};
}

// The file-system questions the checks ask, for paths that may be too long to ask about.
bool isFile(const fs::path& path) {
    std::error_code ignored;
    return fs::is_regular_file(path, ignored);
}

bool pathExists(const fs::path& path) {
    std::error_code ignored;
    return fs::exists(path, ignored);
}

class PathTest : public ConversionRunTest, public ::testing::WithParamInterface<PathCase> {};

// Every case keeps the log as it was, and a failing one keeps any earlier output too: the file
// the output's path opens, however it is typed.
TEST_P(PathTest, EndsAsTheFailureNumberingSays) {
    const Paths paths = GetParam().prepare(folder.path());
    const bool inputExisted = pathExists(paths.input);
    const std::string logBefore = isFile(paths.input) ? readFile(paths.input) : "";
    const fs::path outputOpened = system::pathFromUtf8(support::utf8Text(paths.output));
    const bool outputWasFile = isFile(outputOpened);
    const std::string outputBefore = outputWasFile ? readFile(outputOpened) : "";

    const ConversionOutcome outcome = frontend::convertFiles(
        support::utf8Text(paths.input), support::utf8Text(paths.output), services);

    EXPECT_EQ(pathExists(paths.input), inputExisted);
    if (isFile(paths.input)) {
        EXPECT_EQ(readFile(paths.input), logBefore);
    }
    if (GetParam().ending == support::kConverted) {
        EXPECT_EQ(outcome, ConversionOutcome::Converted);
        EXPECT_TRUE(services.messages.empty());
        if (isFile(paths.output)) {
            EXPECT_EQ(readFile(paths.output), csvOf(support::utf8Text(paths.input.filename())));
        }
    } else {
        EXPECT_EQ(outcome, ConversionOutcome::Failed);
        expectFailure(*GetParam().ending);
        if (!GetParam().description.empty() && !services.failures.empty()) {
            EXPECT_EQ(services.failures.front().description(), GetParam().description);
        }
        if (outputWasFile) {
            EXPECT_EQ(readFile(outputOpened), outputBefore);
        }
    }
}

const std::string kTheLogItself = "The output is the log itself";
const std::string kNamedLikeALog =
    "The file is named like a log (*.pdb), and no output replaces a log";

std::vector<PathCase> pathCases() {
    std::vector<PathCase> cases = {
        PathCase{"InputMissing",
                 [](const fs::path& f) {
                     return Paths{f / kLogName, writeOldOutput(f / "out.csv")};
                 },
                 FailureNumber::PathFileAccessError},
        PathCase{"InputEmptyPath",
                 [](const fs::path& f) {
                     return Paths{"", writeOldOutput(f / "out.csv")};
                 },
                 FailureNumber::PathFileAccessError},
        PathCase{"InputIsAFolder",
                 [](const fs::path& f) {
                     return Paths{f, writeOldOutput(f / "out.csv")};
                 },
                 FailureNumber::PathFileAccessError},
        PathCase{"InputInMissingFolder",
                 [](const fs::path& f) {
                     return Paths{f / "gone" / kLogName, f / "out.csv"};
                 },
                 FailureNumber::PathFileAccessError},
        PathCase{"OutputEmptyPath",
                 [](const fs::path& f) {
                     return Paths{writeLogAt(f / kLogName), ""};
                 },
                 FailureNumber::PathFileAccessError},
        PathCase{"OutputInMissingFolder",
                 [](const fs::path& f) {
                     return Paths{writeLogAt(f / kLogName), f / "gone" / "out.csv"};
                 },
                 FailureNumber::PathFileAccessError},
        PathCase{"OutputIsAFolder",
                 [](const fs::path& f) {
                     fs::create_directory(f / "csv");
                     return Paths{writeLogAt(f / kLogName), f / "csv"};
                 },
                 FailureNumber::PathFileAccessError},
        PathCase{"OutputReadOnly",
                 [](const fs::path& f) {
                     Paths paths = standard(f);
                     fs::permissions(paths.output, fs::perms::owner_read | fs::perms::group_read);
                     return paths;
                 },
                 FailureNumber::PathFileAccessError},
        PathCase{"OutputIsTheInput",
                 [](const fs::path& f) {
                     return Paths{writeLogAt(f / kLogName), f / kLogName};
                 },
                 FailureNumber::PathFileAccessError, kTheLogItself},
        PathCase{
            "OutputIsTheInputSpelledOtherwise",
            [](const fs::path& f) {
                return Paths{writeLogAt(f / kLogName), f / "." / ".." / f.filename() / kLogName};
            },
            FailureNumber::PathFileAccessError, kTheLogItself},
        PathCase{"OutputIsAHardLinkOfTheInput",
                 [](const fs::path& f) {
                     fs::create_hard_link(writeLogAt(f / kLogName), f / "hard.csv");
                     return Paths{f / kLogName, f / "hard.csv"};
                 },
                 FailureNumber::PathFileAccessError, kTheLogItself},
        // A log under a name of no log is kept from being its own output by what it is alone.
        PathCase{"OutputIsTheInputNamedLikeNoLog",
                 [](const fs::path& f) {
                     return Paths{writeLogAt(f / "run.dat"), f / "." / "run.dat"};
                 },
                 FailureNumber::PathFileAccessError, kTheLogItself},
        PathCase{"InputHoldsNoPalmDatabase",
                 [](const fs::path& f) {
                     std::vector<std::uint8_t> bytes = smallLog();
                     std::fill_n(bytes.begin(), 32, 'N');
                     support::writeFile(f / "run.dat", bytes);
                     return Paths{f / "run.dat", f / "." / "run.dat"};
                 },
                 FailureNumber::PathFileAccessError, "The file holds no Palm database, as logs do"},
        PathCase{"OutputPathTooLong",
                 [](const fs::path& f) {
                     return Paths{writeLogAt(f / kLogName), f / (std::string(5000, 'a') + ".csv")};
                 },
                 FailureNumber::PathFileAccessError},
        PathCase{"DeepButValidPaths",
                 [](const fs::path& f) {
                     fs::path deep = f;
                     for (int level = 0; level < 30; ++level) deep /= std::string(60, 'd');
                     fs::create_directories(deep);
                     return Paths{writeLogAt(deep / kLogName), writeOldOutput(deep / "out.csv")};
                 },
                 support::kConverted},
        PathCase{"NamesWithSpaces",
                 [](const fs::path& f) {
                     fs::create_directory(f / "my logs");
                     return Paths{writeLogAt(f / "my logs" / " Run 7 QMRX.pdb"),
                                  writeOldOutput(f / "my logs" / "run 7 .csv")};
                 },
                 support::kConverted},
        PathCase{"NonAsciiNames",
                 [](const fs::path& f) {
                     const fs::path dir = f / fs::path(u8"Fahrten \u00e4\u00f6\u00fc");
                     fs::create_directory(dir);
                     return Paths{writeLogAt(dir / fs::path(u8"\u7b2c\u4e09QMRX.pdb")),
                                  dir / fs::path(u8"r\u00e9sum\u00e9.csv")};
                 },
                 support::kConverted},
#ifdef _WIN32
        PathCase{"OutputIsTheInputInOtherCase",
                 [](const fs::path& f) {
                     return Paths{writeLogAt(f / kLogName), f / "RUNqmrx.PDB"};
                 },
                 FailureNumber::PathFileAccessError, kTheLogItself},
        PathCase{"OutputIsTheInputWithForwardSlashes",
                 [](const fs::path& f) {
                     return Paths{writeLogAt(f / kLogName), (f / kLogName).generic_string()};
                 },
                 FailureNumber::PathFileAccessError, kTheLogItself},
        PathCase{"OutputIsADevice",
                 [](const fs::path& f) {
                     return Paths{writeLogAt(f / kLogName), "NUL"};
                 },
                 support::kConverted},
        // A device none answers to is refused as the output is opened, before the records of
        // this log, cut short in them, end the run.
        PathCase{"OutputIsADeviceNoneAnswersTo",
                 [](const fs::path& f) {
                     return Paths{writeLogCutShortAt(f / kLogName), "LPT9"};
                 },
                 FailureNumber::PathFileAccessError},
        // Windows takes these names for devices in any folder, whatever their extension.
        PathCase{"OutputIsNulWithAnExtension",
                 [](const fs::path& f) {
                     return Paths{writeLogAt(f / kLogName), f / "nul.csv"};
                 },
                 FailureNumber::PathFileAccessError},
        PathCase{"OutputIsCom1WithAnExtension",
                 [](const fs::path& f) {
                     return Paths{writeLogAt(f / kLogName), f / "COM1.csv"};
                 },
                 FailureNumber::PathFileAccessError},
        PathCase{"OutputIsAuxWithSpacesAndAnExtension",
                 [](const fs::path& f) {
                     return Paths{writeLogAt(f / kLogName), f / "aux  .csv"};
                 },
                 FailureNumber::PathFileAccessError},
        // Named like a log as Windows opens the name typed.
        PathCase{"OutputIsAPdbWithAnEndingDot",
                 [](const fs::path& f) {
                     return Paths{writeLogAt(f / kLogName), debuggerFileAt(f) += "."};
                 },
                 FailureNumber::PathFileAccessError, kNamedLikeALog},
        PathCase{"OutputIsAPdbWithEndingSpaces",
                 [](const fs::path& f) {
                     return Paths{writeLogAt(f / kLogName), debuggerFileAt(f) += " . "};
                 },
                 FailureNumber::PathFileAccessError, kNamedLikeALog},
        PathCase{"OutputIsAPdbInQuotes",
                 [](const fs::path& f) {
                     return Paths{writeLogAt(f / kLogName),
                                  "\"" + support::utf8Text(debuggerFileAt(f)) + "\""};
                 },
                 FailureNumber::PathFileAccessError, kNamedLikeALog},
#else
        // Windows lets few users create symbolic links, and Wine none.
        PathCase{"OutputIsALinkToTheInput",
                 [](const fs::path& f) {
                     fs::create_symlink(writeLogAt(f / kLogName), f / "link.csv");
                     return Paths{f / kLogName, f / "link.csv"};
                 },
                 FailureNumber::PathFileAccessError, kTheLogItself},
        PathCase{"OutputIsADevice",
                 [](const fs::path& f) {
                     return Paths{writeLogAt(f / kLogName), "/dev/null"};
                 },
                 support::kConverted},
#endif
    };
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Paths, PathTest, ::testing::ValuesIn(pathCases()),
                         [](const auto& info) { return info.param.name; });

// A file that a live run holds the way every run holds its temporary files: open on Windows,
// locked elsewhere. Let go of when destroyed.
class HeldFile {
  public:
    explicit HeldFile(const fs::path& path) {
#ifdef _WIN32
        m_handle = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
#else
        m_descriptor = open(path.c_str(), O_RDONLY);
        if (m_descriptor >= 0) flock(m_descriptor, LOCK_EX);
#endif
    }
    ~HeldFile() {
#ifdef _WIN32
        CloseHandle(m_handle);
#else
        close(m_descriptor);
#endif
    }

  private:
#ifdef _WIN32
    HANDLE m_handle;
#else
    int m_descriptor;
#endif
};

// A run ended from outside (Task Manager, a kill) leaves its temporary file; the next run in
// that folder removes it, whichever process wrote it, even one that is running now under the
// same number (Windows reuses process numbers, Wine's first is always 32); never one that a live
// run holds, nor a file of another name.
TEST_F(ConversionRunTest, LeftoverTemporaryFilesOfEndedRunsAreRemoved) {
#ifdef _WIN32
    const unsigned long ownNumber = GetCurrentProcessId();
#else
    const unsigned long ownNumber = static_cast<unsigned long>(getpid());
#endif
    const std::vector<std::uint8_t> bytes{'x'};
    const fs::path ended = folder / ".quillet-4294967290-0.tmp";
    const fs::path sameNumber = folder / (".quillet-" + std::to_string(ownNumber) + "-7.tmp");
    const fs::path held = folder / ".quillet-4294967291-3.tmp";
    const fs::path movedAside = folder / ".quillet-4294967292-1.old";
    const fs::path other = folder / ".quillet-notes.tmp";
    for (const fs::path& file : {ended, sameNumber, held, movedAside, other}) {
        support::writeFile(file, bytes);
    }
    const HeldFile holding(held);
    ASSERT_EQ(convert(writeLog(smallLog())), ConversionOutcome::Converted);
    EXPECT_FALSE(fs::exists(ended));
    EXPECT_FALSE(fs::exists(sameNumber));
    EXPECT_TRUE(fs::exists(held));
    EXPECT_TRUE(fs::exists(movedAside));
    EXPECT_TRUE(fs::exists(other));
}

// Windows names files in UTF-16, which text that is not UTF-8 cannot be turned into; POSIX
// systems name them in bytes, any bytes.
TEST_F(ConversionRunTest, PathsThatAreNotUtf8) {
    const std::string notUtf8 = support::utf8Text(folder.path()) + "/Run\xFF\xFE.csv";
    const fs::path input = writeLog(smallLog());
    const ConversionOutcome outcome =
        frontend::convertFiles(support::utf8Text(input), notUtf8, services);
#ifdef _WIN32
    EXPECT_EQ(outcome, ConversionOutcome::Failed);
    expectFailure(FailureNumber::PathFileAccessError);
#else
    EXPECT_EQ(outcome, ConversionOutcome::Converted);
    EXPECT_EQ(readFile(notUtf8), csvOf(kLogName));
#endif
}

#ifdef _WIN32

// A path as Explorer's "Copy as path" gives it, in double quotes.
TEST_F(ConversionRunTest, QuotedPathsNameTheirFiles) {
    const fs::path input = writeLog(smallLog());
    ASSERT_EQ(frontend::convertFiles("\"" + support::utf8Text(input) + "\"",
                                     "\"" + support::utf8Text(output) + "\"", services),
              ConversionOutcome::Converted);
    EXPECT_EQ(readFile(output), csvOf(kLogName));
}

struct Sharing {
    std::string name;
    DWORD shareMode;
};

void PrintTo(const Sharing& s, std::ostream* out) { *out << s.name; }

// A spreadsheet showing the CSV holds it with read sharing only; some programs share writing
// too, some also deleting. Either way the old CSV cannot be replaced, so the run is refused
// before it reads the log, and leaves no temporary file.
class HeldOutputTest : public ConversionRunTest, public ::testing::WithParamInterface<Sharing> {};

TEST_P(HeldOutputTest, IsRefusedAtOnce) {
    support::writeFile(output, std::vector<std::uint8_t>(kOldOutput.begin(), kOldOutput.end()));
    const fs::path input = writeLog(smallLog());
    const HANDLE held = CreateFileW(output.c_str(), GENERIC_READ, GetParam().shareMode, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(convert(input), ConversionOutcome::Failed);
    expectFailure(FailureNumber::PathFileAccessError);
    const support::TemporaryFolder scratch;
    const support::CommandResult command = support::runCommand(
        QUILLET_CONVERT, support::shellQuoted(input) + " " + support::shellQuoted(output),
        scratch.path());
    CloseHandle(held);
    EXPECT_EQ(command.exitCode, 1);
    EXPECT_EQ(command.standardError,
              support::utf8Text(output) +
                  ": Bad Filename.  Please check the name and path of the files. The file is in "
                  "use by another program.\n");
    EXPECT_EQ(readFile(output), kOldOutput);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder.path())) {
        names.push_back(support::utf8Text(entry.path().filename()));
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"RunQMRX.pdb", "out.csv"}));
}

INSTANTIATE_TEST_SUITE_P(
    Programs, HeldOutputTest,
    ::testing::Values(Sharing{"ReadSharing", FILE_SHARE_READ},
                      Sharing{"ReadAndWriteSharing", FILE_SHARE_READ | FILE_SHARE_WRITE},
                      Sharing{"ReadWriteAndDeleteSharing",
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE}),
    [](const auto& info) { return info.param.name; });

// Under Wine, drive Z: holds the whole host, and so also C:'s folder.
TEST_F(ConversionRunTest, TheInputThroughAnotherDriveIsNoOutput) {
    const char* prefix = std::getenv("WINEPREFIX");
    const fs::path input = writeLog(smallLog());
    const std::string windowsPath = support::utf8Text(fs::absolute(input));
    if (!prefix || windowsPath.rfind("C:\\", 0) != 0) {
        GTEST_SKIP() << "needs Wine and a folder on drive C:";
    }
    const std::string throughZ = "Z:" + std::string(prefix) + "/drive_c" + windowsPath.substr(2);
    ASSERT_TRUE(fs::exists(throughZ)) << throughZ;
    EXPECT_EQ(frontend::convertFiles(support::utf8Text(input), throughZ, services),
              ConversionOutcome::Failed);
    expectFailure(FailureNumber::PathFileAccessError);
    const std::vector<std::uint8_t> bytes = smallLog();
    EXPECT_EQ(support::readFile(input), std::string(bytes.begin(), bytes.end()));
}

// Attributes the user set on the CSV stay; the file system must keep them to be tested.
TEST_F(ConversionRunTest, ReplacingKeepsTheOutputsAttributes) {
    support::writeFile(output, std::vector<std::uint8_t>(kOldOutput.begin(), kOldOutput.end()));
    constexpr DWORD kSet = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    ASSERT_TRUE(SetFileAttributesW(output.c_str(), kSet));
    if ((GetFileAttributesW(output.c_str()) & kSet) != kSet) {
        GTEST_SKIP() << "the file system keeps no hidden or system attribute";
    }
    ASSERT_EQ(convert(writeLog(smallLog())), ConversionOutcome::Converted);
    EXPECT_EQ(GetFileAttributesW(output.c_str()) & kSet, kSet);
    EXPECT_EQ(readFile(output), csvOf(kLogName));

    fs::remove(output);
    ASSERT_EQ(convert(writeLog(smallLog())), ConversionOutcome::Converted);
    EXPECT_EQ(GetFileAttributesW(output.c_str()) & (kSet | FILE_ATTRIBUTE_TEMPORARY), 0u);
}

#else

TEST_F(ConversionRunTest, OutputIsAPipeThatIsWrittenNotDeleted) {
    const fs::path pipe = folder / "pipe.csv";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = readFile(pipe); });
    const fs::path input = writeLog(smallLog());
    const ConversionOutcome outcome =
        frontend::convertFiles(input.string(), pipe.string(), services);
    reader.join();
    EXPECT_EQ(outcome, ConversionOutcome::Converted);
    EXPECT_EQ(received, csvOf(kLogName));
    EXPECT_TRUE(fs::is_fifo(pipe));
}

// Root reads every file whatever its permissions, so the converter then runs as nobody.
TEST_F(ConversionRunTest, UnreadableInputIsABadFilename) {
    const fs::path csvFolder = folder / "csv";
    fs::create_directory(csvFolder);
    fs::permissions(csvFolder, fs::perms::all);
    const fs::path input = writeLog(smallLog());
    fs::permissions(input, fs::perms::owner_write);
    const std::string program =
        geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " QUILLET_CONVERT
                       : QUILLET_CONVERT;
    const support::CommandResult result =
        support::runCommand("sh",
                            "-c '" + program + " \"$0\" \"$1\"' " + support::shellQuoted(input) +
                                " " + support::shellQuoted(csvFolder / "out.csv"),
                            folder.path());
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.standardError, input.string() +
                                        ": Bad Filename.  Please check the name and path of the "
                                        "files. (" +
                                        input.string() + ": permission denied)\n");
    EXPECT_FALSE(fs::exists(csvFolder / "out.csv"));
}

#endif

}  // namespace
}  // namespace quillet
