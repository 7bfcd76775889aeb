#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>

#include "frontend/file_choosing.h"
#include "frontend/log_page.h"
#include "frontend/opened_log.h"
#include "frontend/reporting.h"
#include "system/paths.h"
#include "tests/support/log_writer.h"
#include "tests/support/recording_services.h"

namespace quillet::frontend {
namespace {

// A dialog that writes down how it was set up and answers as a user would.
class AnsweringDialog : public FileDialog {
  public:
    explicit AnsweringDialog(std::string answer) : m_answer(std::move(answer)) {}
    void ShowOpen() override { answer(DialogKind::Open); }
    void ShowSave() override { answer(DialogKind::Save); }

    DialogKind shownKind{};
    std::string shownTitle, shownInitDir, shownFilter, shownFileName;
    std::uint32_t shownFlags = 0;

  private:
    void answer(DialogKind kind) {
        shownKind = kind;
        shownTitle = DialogTitle;
        shownInitDir = InitDir;
        shownFilter = Filter;
        shownFileName = FileName;
        shownFlags = Flags;
        // A cancelled dialog leaves FileName as it was set before showing.
        if (!m_answer.empty()) FileName = m_answer;
    }
    std::string m_answer;
};

class MapSettings : public SettingsStore {
  public:
    std::string read(std::string_view application, std::string_view section, std::string_view key,
                     std::string_view whenMissing) override {
        const auto found = entries.find(address(application, section, key));
        return found == entries.end() ? std::string(whenMissing) : found->second;
    }
    void write(std::string_view application, std::string_view section, std::string_view key,
               std::string_view value) override {
        entries[address(application, section, key)] = value;
    }
    static std::string address(std::string_view application, std::string_view section,
                               std::string_view key) {
        return std::string(application) + "/" + std::string(section) + "/" + std::string(key);
    }
    std::map<std::string, std::string> entries;
};

namespace fs = std::filesystem;

// Paths in the platform's own spelling: "\" on Windows, "/" elsewhere.
std::string native(std::string path) {
    for (char& c : path) {
        if (c == '/') c = static_cast<char>(fs::path::preferred_separator);
    }
    return path;
}

// A folder of the test's own holding the folders "Logs" and "Old" and the file "notes.txt";
// texts that start with "@" name what lies in it.
class ExistingFolders {
  public:
    ExistingFolders() {
        fs::create_directories(m_folder / "Logs");
        fs::create_directories(m_folder / "Old");
        support::writeFile(m_folder / "notes.txt", {'x'});
    }
    std::string placed(const std::string& text) const {
        return text.starts_with('@') ? system::utf8FromPath(m_folder.path()) + text.substr(1)
                                     : text;
    }
    std::map<std::string, std::string> placed(std::map<std::string, std::string> entries) const {
        for (auto& entry : entries) entry.second = placed(entry.second);
        return entries;
    }
    const fs::path& path() const { return m_folder.path(); }

  private:
    support::TemporaryFolder m_folder;
};

struct PickCase {
    std::string name;
    const FilePick* pick;
    std::map<std::string, std::string> storedBefore;
    std::string answer;
    std::string expectedInitDir;
    std::optional<std::string> expectedBoxText;
    std::map<std::string, std::string> storedAfter;
};

void PrintTo(const PickCase& c, std::ostream* out) { *out << c.name; }

class ChooseFileTest : public testing::TestWithParam<PickCase> {};

TEST_P(ChooseFileTest, SetsUpTheDialogAndRemembersTheFolder) {
    const PickCase& c = GetParam();
    const ExistingFolders folders;
    AnsweringDialog dialog(c.answer);
    dialog.FileName = "left over";
    dialog.InitDir = "left over";
    MapSettings settings;
    settings.entries = folders.placed(c.storedBefore);

    EXPECT_EQ(chooseFile(*c.pick, dialog, settings), c.expectedBoxText);

    EXPECT_EQ(dialog.shownKind, c.pick->kind);
    EXPECT_EQ(dialog.shownTitle, c.pick->title);
    EXPECT_EQ(dialog.shownInitDir, folders.placed(c.expectedInitDir));
    EXPECT_EQ(dialog.shownFilter, c.pick->filter);
    EXPECT_EQ(dialog.shownFileName, "");
    EXPECT_EQ(dialog.shownFlags, c.pick->flags);
    EXPECT_EQ(settings.entries, folders.placed(c.storedAfter));
}

const std::string kPalmDir = "Riravazev/LastDirs/PalmDir";
const std::string kOutDir = "Riravazev/LastDirs/OutDir";

INSTANTIATE_TEST_SUITE_P(
    Picks, ChooseFileTest,
    testing::Values(PickCase{"first input pick",
                             &kInputLogPick,
                             {},
                             native("/Logs/Run7QMRX.pdb"),
                             "",
                             native("/Logs/Run7QMRX.pdb"),
                             {{kPalmDir, native("/Logs/")}}},
                    PickCase{"first output pick starts in c:\\",
                             &kOutputFilePick,
                             {},
                             native("/Csv/report"),
                             "c:\\",
                             native("/Csv/report"),
                             {{kOutDir, native("/Csv/")}}},
                    PickCase{"remembered folder",
                             &kOutputFilePick,
                             {{kOutDir, native("@/Old/")}, {kPalmDir, native("@/Logs/")}},
                             native("/New/Run 7.csv"),
                             native("@/Old/"),
                             native("/New/Run 7.csv"),
                             {{kOutDir, native("/New/")}, {kPalmDir, native("@/Logs/")}}},
                    PickCase{"cancel",
                             &kInputLogPick,
                             {{kPalmDir, native("@/Logs/")}},
                             "",
                             native("@/Logs/"),
                             std::nullopt,
                             {{kPalmDir, native("@/Logs/")}}},
                    PickCase{"spaces only", &kInputLogPick, {}, "   ", "", std::nullopt, {}},
                    PickCase{"name without a folder",
                             &kInputLogPick,
                             {{kPalmDir, native("@/Logs/")}},
                             "Run7QMRX.pdb",
                             native("@/Logs/"),
                             "Run7QMRX.pdb",
                             {{kPalmDir, ""}}},
                    PickCase{"spaces kept",
                             &kInputLogPick,
                             {},
                             native(" /Logs/Run7QMRX.pdb "),
                             "",
                             native(" /Logs/Run7QMRX.pdb "),
                             {{kPalmDir, native(" /Logs/")}}},
                    // A remembered folder the dialog cannot start in is a missing one.
                    PickCase{"remembered output folder gone",
                             &kOutputFilePick,
                             {{kOutDir, native("@/Gone/")}},
                             native("/New/out.csv"),
                             "c:\\",
                             native("/New/out.csv"),
                             {{kOutDir, native("/New/")}}},
                    PickCase{"remembered file",
                             &kOutputFilePick,
                             {{kOutDir, native("@/notes.txt")}},
                             "",
                             "c:\\",
                             std::nullopt,
                             {{kOutDir, native("@/notes.txt")}}},
                    PickCase{"remembered 98,000 characters",
                             &kInputLogPick,
                             {{kPalmDir, native("@/") + std::string(98000, 'a')}},
                             "",
                             "",
                             std::nullopt,
                             {{kPalmDir, native("@/") + std::string(98000, 'a')}}}),
    [](const auto& info) {
        std::string name;
        for (char c : info.param.name)
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

#ifdef _WIN32

// Windows' dialogs overrun their buffers with a longer folder than they take; the limit counts
// the UTF-16 units Windows names files in, not the bytes of the UTF-8 text.
struct FolderLengthCase {
    std::string name;
    std::size_t length;
    wchar_t letter;
    bool kept;
};

void PrintTo(const FolderLengthCase& c, std::ostream* out) { *out << c.name; }

// An existing folder in `base` whose path, with its final "\", is `length` units long.
std::string existingFolderOfLength(const fs::path& base, std::size_t length, wchar_t letter) {
    fs::path folder = base;
    std::size_t remaining = length - 1 - folder.native().size();
    while (remaining > 0) {
        // Names of up to 100 letters, which a host file system under Wine stores in UTF-8 in its
        // 255 bytes, and never a last one of none.
        std::size_t part = std::min<std::size_t>(remaining - 1, 100);
        if (remaining - 1 - part == 1) --part;
        folder /= std::wstring(part, letter);
        remaining -= part + 1;
    }
    fs::create_directories(folder);
    return system::utf8FromPath(folder) + "\\";
}

class DialogFolderLengthTest : public testing::TestWithParam<FolderLengthCase> {};

TEST_P(DialogFolderLengthTest, StartsInTheFolderOnlyWhenTheDialogTakesIt) {
    const FolderLengthCase& c = GetParam();
    const ExistingFolders folders;
    const std::string folder = existingFolderOfLength(folders.path(), c.length, c.letter);
    ASSERT_EQ(system::pathFromUtf8(folder).native().size(), c.length);
    MapSettings settings;
    settings.entries = {{kOutDir, folder}};
    AnsweringDialog dialog("");

    chooseFile(kOutputFilePick, dialog, settings);

    EXPECT_EQ(dialog.shownInitDir, c.kept ? folder : "c:\\");
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, DialogFolderLengthTest,
    testing::Values(FolderLengthCase{"AtTheLimit", kLongestDialogFolder, L'd', true},
                    FolderLengthCase{"AtTheLimitInTwoByteLetters", kLongestDialogFolder, L'\u00e4',
                                     true},
                    FolderLengthCase{"OneUnitOver", kLongestDialogFolder + 1, L'd', false}),
    [](const auto& info) { return info.param.name; });

#endif

struct ShareCase {
    float min, max, value;
    double share;
};

void PrintTo(const ShareCase& c, std::ostream* out) {
    *out << "Min " << c.min << ", Max " << c.max << ", Value " << c.value;
}

class ProgressShareTest : public testing::TestWithParam<ShareCase> {};

TEST_P(ProgressShareTest, FillsTheBarByItsRange) {
    const ShareCase& c = GetParam();
    EXPECT_DOUBLE_EQ(progressShare(c.min, c.max, c.value), c.share);
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, ProgressShareTest,
    testing::Values(ShareCase{0, 100, 0, 0}, ShareCase{1, 41, 21, 0.5}, ShareCase{1, 40, 40, 1},
                    // A failure sets 0 below a Min of 1: the bar shows empty.
                    ShareCase{1, 40, 0, 0}, ShareCase{1, 40, 41, 1},
                    // Two records give the range 1 to 1, one record 1 to 0, none 1 to -1.
                    ShareCase{1, 1, 1, 1}, ShareCase{1, 0, 1, 1}, ShareCase{1, -1, 1, 1},
                    ShareCase{1, 0, 0, 0}, ShareCase{1, 1, 0, 0}));

TEST(MessageLinesTest, BreaksAtCrLfOnly) {
    EXPECT_EQ(messageLines("Unexpected error # 62 occurred: x\r\nPlease report"),
              "Unexpected error # 62 occurred: x\nPlease report");
    EXPECT_EQ(messageLines("a\rb\n\r\n\r"), "a\rb\n\n\r");
}

TEST(FilterChoicesTest, SplitsPairsAndPatterns) {
    const auto choices = filterChoices(kOutputFilePick.filter);
    ASSERT_EQ(choices.size(), 2u);
    EXPECT_EQ(choices[0].description, "Comma Delimited Files (*.csv)");
    EXPECT_EQ(choices[0].patterns, std::vector<std::string>{"*.csv"});
    EXPECT_EQ(choices[1].description, "All Files (*.*)");
    EXPECT_EQ(choices[1].patterns, std::vector<std::string>{"*.*"});

    const auto several = filterChoices("Logs|*.pdb;;*.prc|Unpaired");
    ASSERT_EQ(several.size(), 1u);
    EXPECT_EQ(several[0].patterns, (std::vector<std::string>{"*.pdb", "*.prc"}));
}

struct WindowArgumentsCase {
    std::string name;
    // After the program's own name.
    std::vector<std::string> arguments;
    std::optional<std::vector<std::string>> pageLogs;
    // The log the window opens, as given: the window has it made absolute.
    std::optional<std::string> log;
};

void PrintTo(const WindowArgumentsCase& c, std::ostream* out) { *out << c.name; }

class WindowArgumentsTest : public testing::TestWithParam<WindowArgumentsCase> {};

TEST_P(WindowArgumentsTest, TellThePageFromTheWindowAndItsLog) {
    const WindowArgumentsCase& c = GetParam();
    std::vector<std::string> arguments{"quillet"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const WindowProgramStart start = readWindowArguments(arguments);
    EXPECT_EQ(start.pageLogs, c.pageLogs);
    const std::optional<std::string> log =
        c.log ? std::optional(system::utf8FromPath(std::filesystem::absolute(*c.log)))
              : std::nullopt;
    EXPECT_EQ(start.log, log);
}

std::vector<WindowArgumentsCase> windowArgumentsCases() {
    std::vector<WindowArgumentsCase> cases = {
        {"Nothing", {}, std::nullopt, std::nullopt},
        {"AnEmptyArgument", {""}, std::nullopt, std::nullopt},
        {"ALog", {"RunQMRX.pdb"}, std::nullopt, "RunQMRX.pdb"},
        {"ALogNamedLikeAToolkitOption", {"-reverse"}, std::nullopt, "-reverse"},
        {"ThePageOfALog",
         {"--page", "-reverse"},
         std::vector<std::string>{"-reverse"},
         std::nullopt},
        {"ThePageOfTwoLogs",
         {"--page", "a.pdb", "b.pdb"},
         std::vector<std::string>{"a.pdb", "b.pdb"},
         std::nullopt},
        {"ThePageOfLogsAfterTheEndOfOptions",
         {"--page", "--", "--", "-x.pdb"},
         std::vector<std::string>{"--", "-x.pdb"},
         std::nullopt},
        {"ALogAfterTheEndOfOptions", {"--", "--page"}, std::nullopt, "--page"},
        {"ThePageOfNothing", {"--page"}, std::vector<std::string>{}, std::nullopt},
        {"ThePageOfAnEmptyArgument", {"--page", ""}, std::vector<std::string>{""}, std::nullopt},
        // Explorer's "Copy as path" of nothing, where a name cannot hold '"'.
        {"AnEmptyPathInQuotes",
         {"\"\""},
         std::nullopt,
         system::kWindowsPaths ? std::nullopt : std::optional<std::string>("\"\"")},
    };
    return cases;
}

INSTANTIATE_TEST_SUITE_P(CommandLines, WindowArgumentsTest,
                         testing::ValuesIn(windowArgumentsCases()),
                         [](const auto& info) { return info.param.name; });

class RecordedMessages : public PageMessages {
  public:
    void show(const std::string& text, MessageIcon icon) override { shown.push_back({text, icon}); }
    std::vector<std::pair<std::string, MessageIcon>> shown;
};

// Before any file is looked for: no name, or an empty one, names no log, and more logs than a
// page compares are too many.
TEST(LogPageTest, OfNoLogOrTooManySaysSo) {
    const std::string noLog = "No log was named.";
    std::vector<std::pair<std::vector<std::string>, std::string>> rows = {
        {{}, noLog},
        {{""}, noLog},
        {{"a.pdb", ""}, noLog},
        {std::vector<std::string>(9, "a.pdb"), "A page compares at most 8 logs."}};
    if (system::kWindowsPaths) rows.push_back({{"\"\""}, noLog});
    for (const auto& [logs, text] : rows) {
        RecordedMessages messages;
        EXPECT_EQ(showLogPage(logs, messages), 1) << logs.size();
        EXPECT_EQ(
            messages.shown,
            (std::vector<std::pair<std::string, MessageIcon>>{{text, MessageIcon::Exclamation}}))
            << logs.size();
    }
}

}  // namespace
}  // namespace quillet::frontend
