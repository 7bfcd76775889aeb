#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "conversion/channel_table.h"
#include "markup/markup_text.h"
#include "picture/picture_output.h"
#include "picture/svg_picture.h"
#include "system/log_files.h"
#include "tests/conversion_fixture.h"
#include "tests/support/converter_command.h"
#include "tests/support/damaged_logs.h"
#include "tests/support/expected_csv.h"
#include "tests/support/memory_io.h"
#include "tests/support/reference_conversion.h"

namespace quillet {
namespace {

using support::CommandResult;
using support::shellQuoted;

struct Point {
    double x;
    double y;
};

// What a test reads back from a picture: the texts of one class, and the points of each
// strip's line.
class Picture {
  public:
    explicit Picture(std::string svg) : m_svg(std::move(svg)) {}

    std::vector<std::string> texts(const std::string& kind) const {
        std::vector<std::string> found;
        const std::string start = "<text ";
        for (std::size_t at = m_svg.find(start); at != std::string::npos;
             at = m_svg.find(start, at + 1)) {
            const std::size_t close = m_svg.find('>', at);
            if (m_svg.substr(at, close - at).find("class=\"" + kind + "\"") == std::string::npos)
                continue;
            found.push_back(m_svg.substr(close + 1, m_svg.find("</text>", close) - close - 1));
        }
        return found;
    }

    // The points of every strip's line, in order; a dash after a lone point adds none.
    std::vector<std::vector<Point>> lines() const {
        std::vector<std::vector<Point>> found;
        const std::string start = "<path class=\"values\"";
        for (std::size_t at = m_svg.find(start); at != std::string::npos;
             at = m_svg.find(start, at + 1)) {
            const std::size_t d = m_svg.find(" d=\"", at) + 4;
            std::istringstream path(m_svg.substr(d, m_svg.find('"', d) - d));
            std::vector<Point> points;
            for (std::string command; path >> command;) {
                if (command[0] == 'h') continue;
                Point point{std::stod(command.substr(1)), 0};
                path >> point.y;
                points.push_back(point);
            }
            found.push_back(points);
        }
        return found;
    }

    long long samples() const { return std::stoll(texts("samples").at(0)); }

  private:
    std::string m_svg;
};

// A picture turns into a PNG without complaint, as a browser or an image viewer would draw it.
void expectRenders(const fs::path& svg, const fs::path& scratch) {
#ifdef _WIN32
    (void)svg;
    (void)scratch;
#else
    const fs::path png = scratch / "picture.png";
    const CommandResult result =
        support::runCommand("rsvg-convert", shellQuoted(svg) + " -o " + shellQuoted(png), scratch);
    EXPECT_EQ(result.exitCode, 0) << result.standardError;
    EXPECT_EQ(result.standardError, "");
    EXPECT_GT(fs::file_size(png), 1000u);
#endif
}

// Knock and O2 rising by one raw step per sample, four samples a second for 50 seconds: each
// sample falls into a column of its own, five columns after the one before.
LogContents rampLog() {
    LogContents log;
    log.channels = {38, 19};
    for (int second = 0; second < 50; ++second) {
        LogRecord record{static_cast<std::uint16_t>(second), {}};
        for (int quarter = 0; quarter < 4; ++quarter) {
            const auto raw = static_cast<std::uint8_t>(second * 4 + quarter);
            record.samples.push_back({static_cast<std::uint8_t>(quarter * 25), {raw, raw}});
        }
        log.records.push_back(record);
    }
    return log;
}

// Pictures drawn in process from logs in memory; each is also written to a file, which a
// renderer must take.
class PictureTest : public RunEndingTest {
  protected:
    ConversionOutcome draw(const std::vector<std::uint8_t>& bytes) {
        MemoryLogInput log("RunQMRX.pdb", bytes);
        MemoryOutputTarget output;
        const ConversionOutcome outcome = writeOneOutput(makePictureOutput, log, output, services);
        support::writeFile(svg, {output.contents.begin(), output.contents.end()});
        return outcome;
    }

    Picture picture() const { return Picture(readFile(svg)); }

    support::TemporaryFolder folder;
    fs::path svg = folder / "run.svg";
};

TEST_F(PictureTest, DrawsOneStripPerChannelUnderTheLogsName) {
    const LogContents log =
        support::drivingLog({33, 38, 6, 19, 26, 41, 44, 58, 23, 7, 20, 34}, 30, 5);
    EXPECT_EQ(draw(support::buildLog(log)), ConversionOutcome::Converted);
    EXPECT_TRUE(services.messages.empty());
    expectRenders(svg, folder.path());

    const Picture drawn = picture();
    EXPECT_EQ(drawn.texts("title"), std::vector<std::string>{"RunQMRX.pdb"});
    EXPECT_EQ(drawn.texts("heading"),
              (std::vector<std::string>{"RPM", "Knock", "Timing", "O2", "Airflow", "Inj P/W",
                                        "Air Volume", "Air Temp", "TPS", "Coolant", "Battery",
                                        "channel 34"}));
    // The channel the table does not know has a strip, but no values to draw.
    EXPECT_EQ(drawn.lines().size(), 11u);
    EXPECT_EQ(drawn.texts("largest").size(), 11u);
    EXPECT_EQ(drawn.samples(), 150);
    EXPECT_TRUE(drawn.texts("stop").empty());
}

TEST_F(PictureTest, PointsFollowARampAndTheLabelsAreItsCells) {
    ASSERT_EQ(draw(support::buildLog(rampLog())), ConversionOutcome::Converted);

    const Picture drawn = picture();
    EXPECT_EQ(drawn.texts("smallest"), (std::vector<std::string>{"0", "0.00"}));
    EXPECT_EQ(drawn.texts("largest"),
              (std::vector<std::string>{"199", patternText(199 / 51.0, "0.00")}));
    for (const std::vector<Point>& line : drawn.lines()) {
        ASSERT_EQ(line.size(), 200u);
        const Point& first = line.front();
        const Point& last = line.back();
        EXPECT_LT(last.y, first.y) << "a rising ramp climbs the strip";
        for (std::size_t k = 0; k < line.size(); ++k) {
            const double share = static_cast<double>(k) / (line.size() - 1);
            EXPECT_NEAR(line[k].x, first.x + 5.0 * k, 0.051) << k;
            EXPECT_NEAR(line[k].y, first.y + share * (last.y - first.y), 0.15) << k;
        }
    }
}

TEST_F(PictureTest, ADamagedLogIsDrawnUpToTheDamageAndFailsAsItsConversion) {
    std::vector<std::uint8_t> bytes = support::buildLog(rampLog());
    bytes.resize(bytes.size() - 4);
    MemoryLogInput log("RunQMRX.pdb", bytes);
    MemoryOutputTarget csv;
    support::RecordingServices conversion;
    EXPECT_EQ(writeOneOutput(makeCsvOutput, log, csv, conversion), ConversionOutcome::Failed);
    EXPECT_EQ(draw(bytes), ConversionOutcome::Failed);
    EXPECT_EQ(services.messages, conversion.messages);
    expectRenders(svg, folder.path());

    const long long csvSamples = std::count(csv.contents.begin(), csv.contents.end(), '\n') - 2;
    const Picture drawn = picture();
    EXPECT_EQ(drawn.samples(), csvSamples);
    for (const std::vector<Point>& line : drawn.lines()) {
        EXPECT_EQ(static_cast<long long>(line.size()), csvSamples);
    }
    ASSERT_EQ(drawn.texts("stop").size(), 1u);
    EXPECT_EQ(drawn.texts("stop")[0].rfind("Stopped at record 50 of 50: error # 62", 0), 0u)
        << drawn.texts("stop")[0];
}

TEST_F(PictureTest, ALongLogStaysUnderOneMegabyte) {
    const LogContents log =
        support::drivingLog({33, 38, 6, 19, 26, 41, 44, 58, 23, 7, 20, 21}, 4000, 50);
    ASSERT_EQ(draw(support::buildLog(log)), ConversionOutcome::Converted);
    EXPECT_LT(fs::file_size(svg), 1000u * 1000u);
    const Picture drawn = picture();
    EXPECT_EQ(drawn.samples(), 4000 * 50);
    for (const std::vector<Point>& line : drawn.lines()) {
        EXPECT_LE(line.size(), 2u * kPlotColumns);
        EXPECT_GT(line.size(), kPlotColumns);
    }
    expectRenders(svg, folder.path());
}

TEST_F(PictureTest, TimeGoingBackDrawsEverySampleOnOneAxis) {
    LogContents log;
    log.channels = {38};
    log.records = {{10, {{0, {10}}, {50, {20}}}},
                   {11, {{0, {30}}}},
                   {4, {{0, {40}}, {50, {50}}}},
                   {12, {{0, {60}}}}};
    EXPECT_EQ(draw(support::buildLog(log)), ConversionOutcome::Converted);
    expectRenders(svg, folder.path());
    const Picture drawn = picture();
    EXPECT_EQ(drawn.samples(), 6);
    const std::vector<std::vector<Point>> lines = drawn.lines();
    ASSERT_EQ(lines.size(), 1u);
    ASSERT_EQ(lines[0].size(), 6u);
    // The samples of second 4 come first on the axis, whatever their place in the log.
    EXPECT_TRUE(std::is_sorted(lines[0].begin(), lines[0].end(),
                               [](const Point& a, const Point& b) { return a.x < b.x; }));
    EXPECT_EQ(drawn.texts("smallest"), std::vector<std::string>{"10"});
    EXPECT_EQ(drawn.texts("largest"), std::vector<std::string>{"60"});
}

// The real program: the picture and the CSV from one command, a picture on standard output, and
// a log on standard input read once for both.
class PlotCommandTest : public ::testing::Test {
  protected:
    CommandResult run(const std::string& arguments) {
        return support::runCommand(QUILLET_CONVERT, arguments, folder.path());
    }

    fs::path writeLog(const std::vector<std::uint8_t>& bytes) {
        support::writeFile(input, bytes);
        return input;
    }

    Picture picture() const { return Picture(readFile(svg)); }

    support::TemporaryFolder folder;
    fs::path input = folder / "RunQMRX.pdb";
    fs::path svg = folder / "run.svg";
};

TEST_F(PlotCommandTest, PictureAndCsvFromOneCommand) {
    const LogContents log = support::drivingLog({33, 7, 20}, 4, 3);
    const fs::path csv = folder / "run.csv";
    const CommandResult result =
        run("--plot " + shellQuoted(svg) + " " + shellQuoted(writeLog(support::buildLog(log))) +
            " " + shellQuoted(csv));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(readFile(csv), support::expectedCsv(log, "RunQMRX.pdb"));
    EXPECT_EQ(picture().samples(), 12);

    const CommandResult toStandardOutput = run("--plot - " + shellQuoted(input));
    EXPECT_EQ(toStandardOutput.exitCode, 0);
    EXPECT_EQ(toStandardOutput.standardOutput, readFile(svg));

    const fs::path fromInput = folder / "input.svg";
    const CommandResult fromStandardInput =
        run("--name RunQMRX.pdb --plot " + shellQuoted(fromInput) + " - " + shellQuoted(csv) +
            " <" + shellQuoted(input));
    EXPECT_EQ(fromStandardInput.exitCode, 0) << fromStandardInput.standardError;
    EXPECT_EQ(readFile(fromInput), readFile(svg));
    EXPECT_EQ(readFile(csv), support::expectedCsv(log, "RunQMRX.pdb"));
}

// The title says the CSV's times, also for hundredths of 100 and more, from the earliest to the
// latest where the clock goes back; and the log's name with a control character as a space.
TEST(PictureTitle, SaysTheTimesTheCsvWrites) {
    LogContents log;
    log.channels = {38};
    log.records = {{5, {{150, {1}}}}, {6, {{0, {2}}, {120, {3}}}}, {4, {{90, {4}}}}};
    MemoryLogInput input("Run\tQMRX.pdb", support::buildLog(log));
    MemoryOutputTarget output;
    support::RecordingServices services;
    ASSERT_EQ(writeOneOutput(makePictureOutput, input, output, services),
              ConversionOutcome::Converted);
    const Picture drawn(output.contents);
    EXPECT_EQ(drawn.texts("samples"),
              std::vector<std::string>{"4 samples, earliest 0:04.90, latest 0:06.120"});
    EXPECT_EQ(drawn.texts("title"), std::vector<std::string>{"Run QMRX.pdb"});
}

TEST(XmlText, EscapesMarkupAndReplacesWhatIsNotUtf8) {
    EXPECT_EQ(xmlText("R&D <1> \"x\"QMRX.pdb"), "R&amp;D &lt;1&gt; &quot;x&quot;QMRX.pdb");
    EXPECT_EQ(xmlText("Fahrt \xC3\xA4 \xE2\x82\xAC \xF0\x9F\x9A\x97"),
              "Fahrt \xC3\xA4 \xE2\x82\xAC \xF0\x9F\x9A\x97");
    EXPECT_EQ(xmlText("a\xFF"
                      "b\xC3"
                      "c\xE0\x80\x80"
                      "d\xED\xA0\x80"
                      "e\x01"
                      "f\xEF\xBF\xBE"
                      "g\xEF\xBF\xBF"
                      "h\xEF\xBF\xBD"),
              "a?b?c???d???e?f???g???h\xEF\xBF\xBD");
}

// Every damaged log ends as its conversion does, and a picture is written exactly where the
// conversion writes its CSV, holding the samples the CSV holds.
class DamagedLogPlotTest : public ConversionRunTest,
                           public ::testing::WithParamInterface<support::DamagedLog> {};

TEST_P(DamagedLogPlotTest, EndsAsItsConversion) {
    const support::DamagedLog& damaged = GetParam();
    const fs::path input = writeLog(damaged.bytes, support::kDamagedLogName);
    const fs::path picture = folder / "out.svg";
    FileOutputTarget target(support::utf8Text(picture), support::utf8Text(input));
    FileLogInput log(support::utf8Text(input));
    const ConversionOutcome outcome = writeOneOutput(makePictureOutput, log, target, services);

    const support::ReferenceOutcome reference =
        support::referenceConversion(damaged.bytes, support::kDamagedLogName);
    expectEnding(outcome, damaged.ending);
    ASSERT_EQ(fs::exists(picture), reference.outputCreated);
    if (reference.outputCreated) {
        const long long csvSamples =
            std::count(reference.csv.begin(), reference.csv.end(), '\n') - 2;
        const Picture drawn(readFile(picture));
        EXPECT_EQ(drawn.samples(), csvSamples);
        EXPECT_EQ(drawn.texts("stop").size(), damaged.ending == support::kConverted ? 0u : 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(Logs, DamagedLogPlotTest, ::testing::ValuesIn(support::damagedLogs()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace quillet
