// The command line's rules, in process: each row is an argument list and what it must give,
// the options of a job or the reason it is wrong usage.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "cli/options.h"
#include "generated/quillet_version.h"
#include "tests/support/log_writer.h"
#include "tests/support/recording_services.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> arguments{"quillet-convert"};
    std::istringstream in(line);
    for (std::string word; in >> word;) arguments.push_back(word == "''" ? "" : word);
    return arguments;
}

constexpr OutputKind kCsv = OutputKind::Csv;
constexpr OutputKind kPicture = OutputKind::Picture;
constexpr OutputKind kPage = OutputKind::Page;
constexpr OutputKind kMlg = OutputKind::Mlg;

ConverterOptions oneLog(std::vector<std::string> inputs, std::vector<RequestedOutput> outputs) {
    ConverterOptions options;
    options.inputs = std::move(inputs);
    options.outputs = std::move(outputs);
    return options;
}

// The CSV of each log, and the other kinds asked for, in the folder.
ConverterOptions manyLogs(std::vector<std::string> inputs, std::string folder,
                          const std::vector<OutputKind>& kinds = {}) {
    ConverterOptions options;
    options.mode = ConverterMode::ManyLogs;
    options.inputs = std::move(inputs);
    options.outputDir = std::move(folder);
    options.outputs = {{kCsv, ""}};
    for (const OutputKind kind : kinds) options.outputs.push_back({kind, ""});
    return options;
}

template <typename Change>
ConverterOptions with(ConverterOptions options, Change change) {
    change(options);
    return options;
}

struct OptionsCase {
    std::string name;
    std::string arguments;
    // The job, or the reason of the usage error.
    std::variant<ConverterOptions, std::string> expected;
};

void PrintTo(const OptionsCase& c, std::ostream* out) { *out << c.arguments; }

class OptionsTest : public ::testing::TestWithParam<OptionsCase> {};

TEST_P(OptionsTest, ParseAsTheRulesSay) {
    const ParsedCommandLine parsed = parseCommandLine(words(GetParam().arguments));
    if (const auto* reason = std::get_if<std::string>(&GetParam().expected)) {
        const auto* error = std::get_if<UsageError>(&parsed);
        ASSERT_NE(error, nullptr) << "accepted";
        EXPECT_EQ(error->reason, *reason);
        return;
    }
    const auto* options = std::get_if<ConverterOptions>(&parsed);
    ASSERT_NE(options, nullptr) << (std::holds_alternative<UsageError>(parsed)
                                        ? std::get<UsageError>(parsed).reason
                                        : "a text");
    EXPECT_TRUE(*options == std::get<ConverterOptions>(GetParam().expected));
}

const std::string kBothNeeded = "INPUT and OUTPUT are both needed";
const std::string kNameWithoutInput = "--name names a log read from standard input, INPUT -";
const std::string kPlotTakesOne = "--plot SVG takes one INPUT, and an OUTPUT for its CSV";

INSTANTIATE_TEST_SUITE_P(
    Jobs, OptionsTest,
    ::testing::Values(
        OptionsCase{"OneLog", "Run7QMRX.pdb Run7.csv",
                    oneLog({"Run7QMRX.pdb"}, {{kCsv, "Run7.csv"}})},
        OptionsCase{"StandardStreams", "--name N.pdb - -",
                    with(oneLog({"-"}, {{kCsv, "-"}}), [](auto& o) { o.logName = "N.pdb"; })},
        OptionsCase{"PictureAlone", "--plot p.svg A", oneLog({"A"}, {{kPicture, "p.svg"}})},
        OptionsCase{"DashedLogAfterThePicture", "--plot p.svg -- -aQMRX.pdb",
                    oneLog({"-aQMRX.pdb"}, {{kPicture, "p.svg"}})},
        OptionsCase{"OptionsEndAtTwoDashes", "-- --plot -b", oneLog({"--plot"}, {{kCsv, "-b"}})},
        OptionsCase{"TwoDashesAsTheNameOfALog", "--name -- - o.csv",
                    with(oneLog({"-"}, {{kCsv, "o.csv"}}), [](auto& o) { o.logName = "--"; })},
        OptionsCase{"PictureFromStandardInput", "--plot p.svg - o.csv",
                    oneLog({"-"}, {{kCsv, "o.csv"}, {kPicture, "p.svg"}})},
        OptionsCase{"Profile", "--separator tab --decimal , A B",
                    with(oneLog({"A"}, {{kCsv, "B"}}),
                         [](auto& o) {
                             o.profile = SpreadsheetProfile{'\t', ','};
                         })},
        OptionsCase{"FolderAfterPlotIsAnInput", "--output-dir out a --plot b c",
                    manyLogs({"a", "b", "c"}, "out", {kPicture})},
        OptionsCase{"WordsAfterHtmlAndPlotAreInputs", "--output-dir out --html a --plot b c",
                    manyLogs({"a", "b", "c"}, "out", {kPicture, kPage})},
        OptionsCase{"PagePictureAndCsv", "--html p.html --plot p.svg - o.csv",
                    oneLog({"-"}, {{kCsv, "o.csv"}, {kPicture, "p.svg"}, {kPage, "p.html"}})},
        OptionsCase{"WordAfterMlgIsAnInput", "--output-dir out --mlg a b",
                    manyLogs({"a", "b"}, "out", {kMlg})},
        OptionsCase{"ManyFromStandardInput", "--output-dir out --update --name N.pdb - a",
                    with(manyLogs({"-", "a"}, "out"),
                         [](auto& o) {
                             o.update = true;
                             o.logName = "N.pdb";
                         })},
        OptionsCase{"CompareEightWithASetup",
                    "--setup s.txt --compare --name N.pdb --html - A B C D E F G -",
                    with(ConverterOptions{},
                         [](auto& o) {
                             o.mode = ConverterMode::Compare;
                             o.inputs = {"A", "B", "C", "D", "E", "F", "G", "-"};
                             o.outputs = {{kPage, "-"}};
                             o.setup = "s.txt";
                             o.logName = "N.pdb";
                         })},
        OptionsCase{"PageWithASetup", "--setup s.txt --html p.html A",
                    with(oneLog({"A"}, {{kPage, "p.html"}}), [](auto& o) { o.setup = "s.txt"; })},
        OptionsCase{"PagesOfAFolderWithASetup", "--output-dir out --html --setup s.txt a",
                    with(manyLogs({"a"}, "out", {kPage}), [](auto& o) { o.setup = "s.txt"; })},
        OptionsCase{"SummaryOfStandardInput", "--summary --name N.pdb -",
                    with(ConverterOptions{},
                         [](auto& o) {
                             o.mode = ConverterMode::Summary;
                             o.inputs = {"-"};
                             o.logName = "N.pdb";
                         })}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    UsageErrors, OptionsTest,
    ::testing::Values(
        OptionsCase{"Nothing", "", kBothNeeded}, OptionsCase{"OnePath", "one", kBothNeeded},
        OptionsCase{"ThreePaths", "a b c", "one INPUT and one OUTPUT, or --output-dir"},
        OptionsCase{"NameOfAFile", "--name x a b", kNameWithoutInput},
        OptionsCase{"NameWithoutItsValue", "- out.csv --name", "--name: 1 required NAME missing"},
        OptionsCase{"EmptyName", "--name '' - out.csv", kNameWithoutInput},
        OptionsCase{"UnknownOption", "--quiet A out",
                    "The following argument was not expected: --quiet"},
        OptionsCase{"UnknownSeparator", "--separator : A out", "--separator must be , ; or tab"},
        OptionsCase{"UnknownDecimalMark", "--decimal x A out", "--decimal must be . or ,"},
        OptionsCase{"DecimalCommaBetweenCommas", "--decimal , A out",
                    "a decimal comma needs --separator ';' or --separator tab"},
        OptionsCase{"VersionWithWords", "--version x y", "--version takes nothing else"},
        OptionsCase{"VersionWithWordsAfterTwoDashes", "--version -- x",
                    "--version takes nothing else"},
        OptionsCase{"VersionWithOptions", "--update --version", "--version takes nothing else"},
        OptionsCase{"NoInputForTheFolder", "--output-dir out", "no INPUT given"},
        OptionsCase{"EmptyFolderName", "--output-dir '' A", "--output-dir needs a folder"},
        OptionsCase{"StandardInputTwice", "--output-dir out --name N - -",
                    "standard input, INPUT -, can be read only once"},
        OptionsCase{"StandardInputUnnamedIntoAFolder", "--output-dir out -",
                    "a log read from standard input needs --name to name its CSV"},
        OptionsCase{"SummaryWritesNoCsv", "--summary --output-dir out A",
                    "--output-dir excludes --summary"},
        OptionsCase{"SummaryDrawsNothing", "--summary --plot a.svg A", "--plot excludes --summary"},
        OptionsCase{"PictureWithoutItsFile", "A --plot",
                    "--plot needs the file to write, or --output-dir"},
        OptionsCase{"PictureWithoutALog", "--plot a.svg", kPlotTakesOne},
        OptionsCase{"PictureOfTwoLogs", "--plot a.svg A B C", kPlotTakesOne},
        OptionsCase{"BothToStandardOutput", "--plot - A -",
                    "the CSV and the picture cannot both go to standard output"},
        OptionsCase{"PictureOverItsCsv", "--plot o.csv A o.csv",
                    "the CSV and the picture would both be written to o.csv"},
        OptionsCase{"PictureOverItsCsvSpelledOtherwise", "--plot ./x/../o.csv A o.csv",
                    "the CSV and the picture would both be written to o.csv"},
        OptionsCase{"PageOverThePicture", "--plot p.x --html p.x A",
                    "the picture and the page would both be written to p.x"},
        OptionsCase{"PageAndCsvToStandardOutput", "--html - A -",
                    "the CSV and the page cannot both go to standard output"},
        OptionsCase{"PageWithoutItsFile", "A --html",
                    "--html needs the file to write, or --output-dir"},
        OptionsCase{"PageOfTwoLogs", "--html p.html A B C",
                    "--html PAGE takes one INPUT, and an OUTPUT for its CSV"},
        OptionsCase{"SummaryWritesNoPage", "--summary --html p.html A",
                    "--html excludes --summary"},
        OptionsCase{"MlgWithoutItsFile", "A --mlg",
                    "--mlg needs the file to write, or --output-dir"},
        OptionsCase{"MlgOfTwoLogs", "--mlg r.mlg A B C",
                    "--mlg MLG takes one INPUT, and an OUTPUT for its CSV"},
        OptionsCase{"MlgOverThePage", "--html p.x --mlg p.x A",
                    "the page and the MLG would both be written to p.x"},
        OptionsCase{"SummaryWritesNoMlg", "--summary --mlg r.mlg A", "--mlg excludes --summary"},
        OptionsCase{"CompareWithoutAPage", "--compare A B",
                    "--compare needs --html PAGE, the page to write"},
        OptionsCase{"CompareOfOneLog", "--compare --html p A", "--compare takes 2 to 8 logs"},
        OptionsCase{"CompareOfNineLogs", "--compare --html p A B C D E F G H I",
                    "--compare takes 2 to 8 logs"},
        OptionsCase{"CompareIntoAFolder", "--compare --html p --output-dir o A B",
                    "--output-dir excludes --compare"},
        OptionsCase{"CompareDrawsNothing", "--compare --plot x.svg --html p A B",
                    "--plot excludes --compare"},
        OptionsCase{"CompareStandardInputTwice", "--compare --html p - -",
                    "standard input, INPUT -, can be read only once"},
        OptionsCase{"SetupWithoutAPage", "--setup s.txt A b.csv",
                    "--setup FILE needs --html, whose pages open with it"},
        OptionsCase{"EmptySetup", "--setup '' --html p.html A",
                    "--setup FILE needs --html, whose pages open with it"},
        OptionsCase{"SummaryTakesNoSetup", "--summary --setup s A", "--setup excludes --summary"}),
    [](const auto& info) { return info.param.name; });

#ifndef _WIN32
// Windows lets few users create symbolic links, and Wine none.
TEST(OptionsTest, PictureThroughALinkToItsCsvIsWrongUsage) {
    const support::TemporaryFolder folder;
    fs::create_symlink("o.csv", folder / "link.svg");
    const ParsedCommandLine parsed =
        parseCommandLine({"quillet-convert", "--plot", support::utf8Text(folder / "link.svg"), "A",
                          support::utf8Text(folder / "o.csv")});
    ASSERT_TRUE(std::holds_alternative<UsageError>(parsed));
}
#endif

TEST(OptionsTest, HelpAndVersionAreTextsToPrint) {
    const auto help = parseCommandLine({"quillet-convert", "--help"});
    ASSERT_TRUE(std::holds_alternative<InformationRequest>(help));
    EXPECT_EQ(std::get<InformationRequest>(help).text.rfind(
                  "usage: quillet-convert [OPTIONS] INPUT OUTPUT\n", 0),
              0u);
    const auto version = parseCommandLine({"quillet-convert", "--version"});
    ASSERT_TRUE(std::holds_alternative<InformationRequest>(version));
    EXPECT_EQ(std::get<InformationRequest>(version).text,
              "quillet-convert " + std::string(kVersion) + "\n");
}

TEST(OptionsTest, UsageErrorsEndInTheUsageLines) {
    EXPECT_EQ(usageErrorText(UsageError{"no INPUT given"}),
              "quillet-convert: no INPUT given\n"
              "usage: quillet-convert [OPTIONS] INPUT OUTPUT\n"
              "       quillet-convert [OPTIONS] --output-dir DIR INPUT...\n"
              "       quillet-convert [OPTIONS] --plot SVG INPUT [OUTPUT]\n"
              "       quillet-convert [OPTIONS] --html PAGE INPUT [OUTPUT]\n"
              "       quillet-convert [OPTIONS] --mlg MLG INPUT [OUTPUT]\n"
              "       quillet-convert [OPTIONS] --compare --html PAGE LOG LOG...\n"
              "       quillet-convert --summary INPUT...\n");
}

}  // namespace
}  // namespace quillet
