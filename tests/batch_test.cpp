// quillet-convert's command lines carried out in process, in a folder of logs and earlier
// outputs: what each ends with, what it writes, and that no log and no earlier output is lost
// where it refuses or fails.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli/console.h"
#include "cli/converter.h"
#include "generated/quillet_version.h"
#include "tests/support/expected_csv.h"
#include "tests/support/log_writer.h"
#include "tests/support/recording_services.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace quillet {
namespace {

namespace fs = std::filesystem;

class RecordingConsole : public Console {
  public:
    void writeOutput(std::string_view text) override { output += text; }
    void writeError(std::string_view text) override { error += text; }
    bool showsProgress(bool) const override { return false; }
    std::optional<std::string> outputFile() const override { return outputPath; }

    std::string output;
    std::string error;
    // Standard output's file, as a redirection names it.
    std::optional<std::string> outputPath;
};

const std::string kUsage =
    "usage: quillet-convert [OPTIONS] INPUT OUTPUT\n"
    "       quillet-convert [OPTIONS] --output-dir DIR INPUT...\n"
    "       quillet-convert [OPTIONS] --plot SVG INPUT [OUTPUT]\n"
    "       quillet-convert [OPTIONS] --html PAGE INPUT [OUTPUT]\n"
    "       quillet-convert [OPTIONS] --mlg MLG INPUT [OUTPUT]\n"
    "       quillet-convert [OPTIONS] --compare --html PAGE LOG LOG...\n"
    "       quillet-convert --summary INPUT...\n";

const std::string kBadFilename = "Bad Filename.  Please check the name and path of the files.";

// Every {name} in text replaced by the folder's path "/" name; {} by the folder's path.
std::string inFolder(std::string text, const fs::path& folder) {
    const std::string path = support::utf8Text(folder);
    for (std::size_t at = text.find('{'); at != std::string::npos; at = text.find('{', at)) {
        const std::size_t end = text.find('}', at);
        const std::string name = text.substr(at + 1, end - at - 1);
        const std::string replacement = name.empty() ? path : path + "/" + name;
        text.replace(at, end - at + 1, replacement);
        at += replacement.size();
    }
    return text;
}

// The words of a command line, split at spaces alone, so that a word may hold a line feed.
std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> arguments{"quillet-convert"};
    std::istringstream in(line);
    for (std::string word; std::getline(in, word, ' ');) {
        if (!word.empty()) arguments.push_back(word);
    }
    return arguments;
}

// Every file under a folder with what it holds, links as where they point, also links that lead
// nowhere or in a loop.
void addContents(const fs::path& folder, const fs::path& top,
                 std::map<std::string, std::string>& contents) {
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        const fs::file_status status = entry.symlink_status();
        const std::string name = entry.path().lexically_relative(top).generic_string();
        if (fs::is_symlink(status)) {
            contents[name] = "-> " + fs::read_symlink(entry.path()).string();
        } else if (fs::is_directory(status)) {
            addContents(entry.path(), top, contents);
        } else if (fs::is_regular_file(status)) {
            contents[name] = support::readFile(entry.path());
        }
    }
}

std::map<std::string, std::string> contentsOf(const fs::path& folder) {
    std::map<std::string, std::string> contents;
    addContents(folder, folder, contents);
    return contents;
}

const support::LogContents kLogA = support::drivingLog({33, 19, 20}, 3, 2);
const support::LogContents kLogB = support::drivingLog({41, 21}, 2, 3, 5);

struct BatchCase {
    std::string name;
    std::string arguments;
    int exitCode;
    std::string standardError;
    // The files the run writes: each with the log whose CSV it holds, or a text it begins with.
    std::map<std::string, std::string> written;
};

void PrintTo(const BatchCase& c, std::ostream* out) { *out << c.name; }

// A folder of logs, some under names an output could take, and earlier outputs.
class BatchTest : public ::testing::TestWithParam<BatchCase> {
  protected:
    void SetUp() override {
        const std::vector<std::uint8_t> a = support::buildLog(kLogA);
        const std::vector<std::uint8_t> b = support::buildLog(kLogB);
        for (const char* name : {"AQMRX.pdb", "gQMRX.pdb", "run.dat", "b.csv", "c.pdb", "c.html"}) {
            support::writeFile(folder / name, a);
        }
        support::writeFile(folder / "b.pdb", b);
        support::writeFile(folder / "keep.csv", {'k', 'e', 'p', 't'});
        fs::create_directories(folder / "adir");
        fs::create_directories(folder / "logs");
        support::writeFile(folder / "logs" / "goodQMRX.pdb", b);
#ifndef _WIN32
        // Windows takes neither control characters in file names nor links made without rights.
        std::vector<std::uint8_t> damaged = b;
        damaged.resize(damaged.size() - 3);
        support::writeFile(folder / "bad\nnameQMRX.pdb", damaged);
        fs::create_symlink("AQMRX.pdb", folder / "link.csv");
        fs::create_symlink("goodQMRX.pdb", folder / "logs" / "glink.pdb");
        fs::create_symlink("nothing", folder / "logs" / "deadQMRX.pdb");
        fs::create_symlink("loop2.csv", folder / "loop.csv");
        fs::create_symlink("loop.csv", folder / "loop2.csv");
        fs::create_directories(folder / "logs" / "dirQMRX.pdb");
        mkfifo((folder / "logs" / "fifoQMRX.pdb").c_str(), 0600);
#endif
    }

    std::string expectedContents(const std::string& what) const {
        if (what == "A") return support::expectedCsv(kLogA, "AQMRX.pdb");
        if (what == "good") return support::expectedCsv(kLogB, "goodQMRX.pdb");
        return what;
    }

    support::TemporaryFolder folder;
};

TEST_P(BatchTest, EndsAsItShouldAndLosesNothing) {
    const BatchCase& c = GetParam();
    const std::map<std::string, std::string> before = contentsOf(folder.path());
    RecordingConsole console;
    EXPECT_EQ(runConverter(words(inFolder(c.arguments, folder.path())), console), c.exitCode);
    EXPECT_EQ(console.error, inFolder(c.standardError, folder.path()));
    EXPECT_EQ(console.output, "");

    std::map<std::string, std::string> after = contentsOf(folder.path());
    for (const auto& [file, what] : c.written) {
        ASSERT_EQ(after.count(file), 1u) << file << " was not written";
        EXPECT_TRUE(after[file].starts_with(expectedContents(what))) << file;
        after.erase(file);
    }
    EXPECT_EQ(after, before) << "a file the user had was changed, or another was written";
}

const std::string kSkipped =
    "{logs/deadQMRX.pdb}: skipped: a link to nothing\n"
    "{logs/dirQMRX.pdb}: skipped: a folder\n"
    "{logs/fifoQMRX.pdb}: skipped: not a file (a pipe, a socket or a device)\n";

std::vector<BatchCase> batchCases() {
    std::vector<BatchCase> cases = {
        // No output replaces a log: found before anything is written.
        {"ACsvOverAnotherLogOfTheFolder",
         "--output-dir {} {b.csv} {b.pdb}",
         2,
         "quillet-convert: the CSV of {b.pdb} would be written over the log {b.csv}\n" + kUsage,
         {}},
        {"ACsvOverALogNotYetRead",
         "--output-dir {} {b.pdb} {b.csv}",
         2,
         "quillet-convert: the CSV of {b.pdb} would be written over the log {b.csv}\n" + kUsage,
         {}},
        {"APageOverALog",
         "--output-dir {} --html {c.pdb} {c.html}",
         2,
         "quillet-convert: the page of {c.pdb} would be written over the log {c.html}\n" + kUsage,
         {}},
        {"ThePageOfHtmlTakesNoLog",
         "--html {gQMRX.pdb} {AQMRX.pdb}",
         2,
         "quillet-convert: the page would be written over {gQMRX.pdb}, which is named like a log "
         "(*.pdb); no output replaces a log\n" +
             kUsage,
         {}},
        {"ThePictureOfPlotTakesNoLog",
         "--plot {gQMRX.pdb} {AQMRX.pdb} {x.csv}",
         2,
         "quillet-convert: the picture would be written over {gQMRX.pdb}, which is named like a "
         "log (*.pdb); no output replaces a log\n" +
             kUsage,
         {}},
        {"AnOutputHoldingAPalmDatabase",
         "{AQMRX.pdb} {run.dat}",
         2,
         "quillet-convert: the CSV would be written over {run.dat}, which holds a Palm database, "
         "as logs do; no output replaces a log\n" +
             kUsage,
         {}},
        {"TheLogItselfAsItsCsv",
         "{AQMRX.pdb} {}/adir/../AQMRX.pdb",
         2,
         "quillet-convert: the CSV would be written over the log {AQMRX.pdb}\n" + kUsage,
         {}},
        // The outputs of one log stand or fall together.
        {"APageInAMissingFolderWritesNoCsv",
         "--html {nodir/p.html} {AQMRX.pdb} {fresh.csv}",
         1,
         "{nodir/p.html}: " + kBadFilename +
             " ({nodir}: no such file or directory)\n{fresh.csv} was not written either.\n",
         {}},
        {"APageOntoAFolderKeepsTheCsv",
         "--html {adir} {AQMRX.pdb} {keep.csv}",
         1,
         "{adir}: " + kBadFilename +
             " ({adir}: is a directory)\n{keep.csv} was not written either.\n",
         {}},
        {"ACsvInAMissingFolderWritesNoPage",
         "--html {p.html} --plot {p.svg} {AQMRX.pdb} {nodir/x.csv}",
         1,
         "{nodir/x.csv}: " + kBadFilename +
             " ({nodir}: no such file or directory)\n{p.svg} and {p.html} were not written "
             "either.\n",
         {}},
        {"AllOutputsOfALogFromOneReading",
         "--html {p.html} --plot {p.svg} {AQMRX.pdb} {x.csv}",
         0,
         "",
         {{"x.csv", "A"}, {"p.svg", "<?xml"}, {"p.html", "<!DOCTYPE html>"}}},
    };
#ifndef _WIN32
    const std::vector<BatchCase> posixOnly = {
        // A log's name is shown with its control characters as spaces.
        {"ALineFeedInALogsName",
         "--output-dir {out} {bad\nnameQMRX.pdb}",
         1,
         "{bad nameQMRX.pdb}: Unexpected error # 62 occurred: Input past end of file\n"
         "Please report this error to " +
             std::string(kSupportAddress) + "\n0 converted, 1 failed\n",
         {{"out/bad\nnameQMRX.csv", "bad nameQMRX.pdb\r\nTime,Inj P/W,Barometer\r\n"}}},
        {"AnOutputThatIsALinkLoop",
         "--plot {loop.csv} {AQMRX.pdb} {x.csv}",
         1,
         "{loop.csv}: " + kBadFilename + "\n{x.csv} was not written either.\n",
         {}},
        {"TheCsvThroughALinkToTheLog",
         "{AQMRX.pdb} {link.csv}",
         2,
         "quillet-convert: the CSV would be written over the log {AQMRX.pdb}\n" + kUsage,
         {}},
        // A log reached twice is converted once; what a folder holds besides logs is told.
        {"ALogThroughALinkIsConvertedOnce",
         "--output-dir {out} {logs/goodQMRX.pdb} {logs/glink.pdb} {logs}",
         0,
         kSkipped + "1 converted, 0 failed, 3 skipped\n",
         {{"out/goodQMRX.csv", "good"}}},
    };
    cases.insert(cases.end(), posixOnly.begin(), posixOnly.end());
#else
    // Windows drops the dots and spaces that end a file name, and so do the names of its outputs.
    cases.push_back({"ALogNamedWithAnEndingDot",
                     "--output-dir {out} {AQMRX.pdb.}",
                     0,
                     "1 converted, 0 failed\n",
                     {{"out/AQMRX.csv", "A"}}});
#endif
    return cases;
}

INSTANTIATE_TEST_SUITE_P(CommandLines, BatchTest, ::testing::ValuesIn(batchCases()),
                         [](const auto& info) { return info.param.name; });

// A file system that keeps times to the second or coarser gives a log and a CSV written soon
// after it the same time: such a CSV is rewritten, not taken as up to date.
TEST(Update, AnOutputOfTheLogsOwnTimeIsRewritten) {
    const support::TemporaryFolder folder;
    support::writeFile(folder / "AQMRX.pdb", support::buildLog(kLogA));
    fs::create_directories(folder / "out");
    support::writeFile(folder / "out" / "AQMRX.csv", {'o', 'l', 'd'});
    fs::last_write_time(folder / "out" / "AQMRX.csv", fs::last_write_time(folder / "AQMRX.pdb"));
    RecordingConsole console;
    EXPECT_EQ(
        runConverter(words(inFolder("--update --output-dir {out} {AQMRX.pdb}", folder.path())),
                     console),
        0);
    EXPECT_EQ(console.error, "1 converted, 0 failed\n");
    EXPECT_EQ(support::readFile(folder / "out" / "AQMRX.csv"),
              support::expectedCsv(kLogA, "AQMRX.pdb"));
}

}  // namespace
}  // namespace quillet
