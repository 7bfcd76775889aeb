// The summary reads time as the CSV's cells say it, and a log as its conversion does.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "cli/summary_table.h"
#include "conversion/log_summary.h"
#include "tests/support/damaged_logs.h"
#include "tests/support/log_writer.h"
#include "tests/support/recording_services.h"
#include "tests/support/reference_conversion.h"

namespace quillet {
namespace {

using support::LogContents;
using support::LogRecord;

struct ClockCase {
    std::string name;
    std::vector<LogRecord> records;
    std::string time;
    std::string rate;
    // Each warning as "record: before -> after".
    std::vector<std::string> jumps;
};

void PrintTo(const ClockCase& c, std::ostream* out) { *out << c.name; }

class SummaryClockTest : public ::testing::TestWithParam<ClockCase> {};

std::string lineOf(const std::string& text, const std::string& label) {
    const std::size_t at = text.find("  " + label);
    return text.substr(at + 16, text.find('\n', at) - at - 16);
}

TEST_P(SummaryClockTest, ReadsTimeAsTheCsvWritesIt) {
    LogContents log;
    log.channels = {38};
    log.records = GetParam().records;
    const std::vector<std::uint8_t> bytes = support::buildLog(log);
    MemorySource source(bytes);
    support::RecordingServices services;
    const LogSummary summary = summarizeLog(source, services);
    const std::string text = summaryText("RunQMRX.pdb", summary);
    EXPECT_EQ(lineOf(text, "time"), GetParam().time);
    EXPECT_EQ(lineOf(text, "median rate"), GetParam().rate);
    std::vector<std::string> jumps;
    for (const TimeJump& jump : summary.timeJumps) {
        jumps.push_back(std::to_string(jump.record) + ": " + sampleTime(jump.before) + " -> " +
                        sampleTime(jump.after) + (jump.goesBack() ? " back" : " ahead"));
    }
    EXPECT_EQ(jumps, GetParam().jumps);
}

LogRecord record(std::uint16_t seconds, std::vector<std::uint8_t> hundredths) {
    LogRecord made{seconds, {}};
    for (const std::uint8_t h : hundredths) made.samples.push_back({h, {1}});
    return made;
}

INSTANTIATE_TEST_SUITE_P(
    Clocks, SummaryClockTest,
    ::testing::Values(ClockCase{"TenASecond",
                                {record(0, {0, 10, 20, 30, 40, 50, 60, 70, 80, 90}),
                                 record(1, {0})},
                                "earliest 0:00.00, latest 0:01.00",
                                "10.0 samples a second",
                                {}},
                      ClockCase{"BackWithinARecord",
                                {record(10, {0, 50, 20}), record(11, {0})},
                                "earliest 0:10.00, latest 0:11.00",
                                "1.5 samples a second",
                                {"1: 0:10.50 -> 0:10.20 back"}},
                      ClockCase{"OneAMinute",
                                {record(0, {0}), record(60, {0}), record(120, {0})},
                                "earliest 0:00.00, latest 2:00.00",
                                "1.0 samples a minute",
                                {}},
                      ClockCase{"OneAnHour",
                                {record(0, {0}), record(3600, {0}), record(7200, {0})},
                                "earliest 0:00.00, latest 120:00.00",
                                "1.0 samples an hour",
                                {"2: 0:00.00 -> 60:00.00 ahead", "3: 60:00.00 -> 120:00.00 ahead"}},
                      // The CSV writes hundredths of 100 and more in full: 5 s and 150 read
                      // 0:05.150, which lies before 0:06.00.
                      ClockCase{"HundredthsOfAHundredAndMore",
                                {record(5, {0, 150}), record(6, {0})},
                                "earliest 0:05.00, latest 0:06.00",
                                "2.0 samples a second",
                                {}},
                      ClockCase{"HundredthsPastAHundredGoingBack",
                                {record(5, {90, 120})},
                                "earliest 0:05.120, latest 0:05.90",
                                "-",
                                {"1: 0:05.90 -> 0:05.120 back"}}),
    [](const auto& info) { return info.param.name; });

class DamagedLogSummaryTest : public ::testing::TestWithParam<support::DamagedLog> {};

// A damaged log fails as its conversion does; one that converts has the samples its CSV has.
TEST_P(DamagedLogSummaryTest, ReadsTheLogAsItsConversion) {
    const support::DamagedLog& log = GetParam();
    const support::ReferenceOutcome reference =
        support::referenceConversion(log.bytes, support::kDamagedLogName);
    MemorySource source(log.bytes);
    support::RecordingServices services;
    if (reference.ending != support::kConverted) {
        try {
            summarizeLog(source, services);
            ADD_FAILURE() << "a damaged log was summed up";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.number(), *reference.ending);
        }
        return;
    }
    const long long lines = std::count(reference.csv.begin(), reference.csv.end(), '\n');
    EXPECT_EQ(summarizeLog(source, services).span.samples, lines - 2);
}

INSTANTIATE_TEST_SUITE_P(Logs, DamagedLogSummaryTest, ::testing::ValuesIn(support::damagedLogs()),
                         [](const auto& info) { return info.param.name; });

// A CSV cell read back as the number it shows; a cell left empty shows a zero.
double cellNumber(const std::string& cell) { return cell.empty() ? 0 : std::stod(cell); }

// The ranges are the CSV's own cells: for each channel, the cell of the smallest and of the
// largest value among the log's samples, as the reference reading writes them.
TEST(SummaryRanges, AreTheCellsOfTheCsv) {
    const std::vector<std::vector<std::uint8_t>> channelSets = {
        {33, 38, 6, 19, 26, 41, 44, 58, 23, 7, 20, 21}, {22, 29, 15, 14, 13, 12, 34}};
    const std::vector<std::uint8_t> raws = {1, 0, 3, 100, 196, 255, 18, 2};
    for (const std::vector<std::uint8_t>& channels : channelSets) {
        LogContents log;
        log.channels = channels;
        for (std::size_t sample = 0; sample < raws.size(); ++sample) {
            std::vector<std::uint8_t> bytes;
            for (std::size_t column = 0; column < channels.size(); ++column) {
                bytes.push_back(raws[(sample + column) % raws.size()]);
            }
            log.records.push_back({static_cast<std::uint16_t>(sample), {{0, bytes}}});
        }
        const std::vector<std::uint8_t> bytes = support::buildLog(log);
        MemorySource source(bytes);
        support::RecordingServices services;
        const LogSummary summary = summarizeLog(source, services);

        std::vector<std::vector<std::string>> rows;
        std::istringstream csv(support::referenceConversion(bytes, "RunQMRX.pdb").csv);
        for (std::string line; std::getline(csv, line);) {
            line.pop_back();
            std::vector<std::string> cells;
            std::istringstream cellsOf(line + ",");
            for (std::string cell; std::getline(cellsOf, cell, ',');) cells.push_back(cell);
            rows.push_back(cells);
        }
        for (std::size_t column = 0; column < channels.size(); ++column) {
            const ChannelRange& range = summary.channels[column];
            if (channels[column] == 34) {
                EXPECT_EQ(rangeValueText(range.smallest, range.identifier), "-");
                continue;
            }
            std::vector<std::string> cells;
            for (std::size_t row = 2; row < rows.size(); ++row) {
                cells.push_back(rows[row][column + 1]);
            }
            const auto [smallest, largest] = std::minmax_element(
                cells.begin(), cells.end(),
                [](const auto& a, const auto& b) { return cellNumber(a) < cellNumber(b); });
            auto shown = [](std::string cell) {
                if (cell.starts_with(' ')) cell.erase(0, 1);
                return cell.empty() ? "0" : cell;
            };
            EXPECT_EQ(rangeValueText(range.smallest, range.identifier), shown(*smallest))
                << rows[1][column + 1];
            EXPECT_EQ(rangeValueText(range.largest, range.identifier), shown(*largest))
                << rows[1][column + 1];
        }
    }
}

}  // namespace
}  // namespace quillet
