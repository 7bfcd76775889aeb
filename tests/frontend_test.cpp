#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "frontend/file_choosing.h"
#include "frontend/reporting.h"

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

// Paths in the platform's own spelling: "\" on Windows, "/" elsewhere.
std::string native(std::string path) {
    for (char& c : path) {
        if (c == '/') c = static_cast<char>(std::filesystem::path::preferred_separator);
    }
    return path;
}

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
    AnsweringDialog dialog(c.answer);
    dialog.FileName = "left over";
    dialog.InitDir = "left over";
    MapSettings settings;
    settings.entries = c.storedBefore;

    EXPECT_EQ(chooseFile(*c.pick, dialog, settings), c.expectedBoxText);

    EXPECT_EQ(dialog.shownKind, c.pick->kind);
    EXPECT_EQ(dialog.shownTitle, c.pick->title);
    EXPECT_EQ(dialog.shownInitDir, c.expectedInitDir);
    EXPECT_EQ(dialog.shownFilter, c.pick->filter);
    EXPECT_EQ(dialog.shownFileName, "");
    EXPECT_EQ(dialog.shownFlags, c.pick->flags);
    EXPECT_EQ(settings.entries, c.storedAfter);
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
                             {{kOutDir, native("/Old/")}, {kPalmDir, native("/Logs/")}},
                             native("/New/Run 7.csv"),
                             native("/Old/"),
                             native("/New/Run 7.csv"),
                             {{kOutDir, native("/New/")}, {kPalmDir, native("/Logs/")}}},
                    PickCase{"cancel",
                             &kInputLogPick,
                             {{kPalmDir, native("/Logs/")}},
                             "",
                             native("/Logs/"),
                             std::nullopt,
                             {{kPalmDir, native("/Logs/")}}},
                    PickCase{"spaces only", &kInputLogPick, {}, "   ", "", std::nullopt, {}},
                    PickCase{"name without a folder",
                             &kInputLogPick,
                             {{kPalmDir, native("/Logs/")}},
                             "Run7QMRX.pdb",
                             native("/Logs/"),
                             "Run7QMRX.pdb",
                             {{kPalmDir, ""}}},
                    PickCase{"spaces kept",
                             &kInputLogPick,
                             {},
                             native(" /Logs/Run7QMRX.pdb "),
                             "",
                             native(" /Logs/Run7QMRX.pdb "),
                             {{kPalmDir, native(" /Logs/")}}}),
    [](const auto& info) {
        std::string name;
        for (char c : info.param.name)
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

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

}  // namespace
}  // namespace quillet::frontend
