#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <locale>

#include "conversion/csv_output.h"
#include "conversion/failure.h"
#include "conversion/sample_time.h"
#include "tests/run_ending.h"
#include "tests/support/expected_csv.h"
#include "tests/support/log_writer.h"
#include "tests/support/memory_io.h"
#include "tests/support/sample_logs.h"

// The conversion run on logs and outputs held in memory.
namespace quillet {
namespace {

namespace fs = std::filesystem;
using support::LogContents;
using support::LogRecord;
using support::readFile;

class ConversionRunTest : public RunEndingTest {
  protected:
    ConversionOutcome convert(const std::vector<std::uint8_t>& bytes,
                              const std::string& name = "RunQMRX.pdb") {
        MemoryLogInput input(name, bytes);
        return writeOneOutput(makeCsvOutput, input, output, services);
    }

    ConversionOutcome convert(const LogContents& contents) {
        return convert(support::buildLog(contents));
    }

    MemoryOutputTarget output;
};

TEST_F(ConversionRunTest, WritesHeadingAndOneLinePerSample) {
    LogContents log;
    log.channels = {33, 6, 58, 34};
    log.records = {
        LogRecord{61, {{0, {2, 11, 208, 9}}, {33, {255, 0, 209, 9}}, {66, {1, 10, 0, 9}}}},
        LogRecord{754, {{42, {6, 255, 219, 9}}}}};
    ASSERT_EQ(convert(log), ConversionOutcome::Converted);
    EXPECT_EQ(output.contents,
              "RunQMRX.pdb\r\n"
              "Time,RPM,Timing,Air Temp,\r\n"
              "1:01.00,62, 1,,\r\n"
              "1:01.33,7969, 0,-1,\r\n"
              "1:01.66,31, 0,363,\r\n"
              "12:34.42,188, 245,-8,\r\n");
    EXPECT_EQ(services.calls, (std::vector<std::string>{"busy", "min 1", "max 2", "value 1",
                                                        "value 2", "idle", "value 1", "beep"}));
    EXPECT_TRUE(services.messages.empty());
}

struct TimeCase {
    std::uint16_t seconds;
    std::uint8_t hundredths;
    std::string text;
};

void PrintTo(const TimeCase& c, std::ostream* out) {
    *out << c.seconds << " s " << int{c.hundredths} << " -> " << c.text;
}

class SampleTimeTest : public ::testing::TestWithParam<TimeCase> {};

TEST_P(SampleTimeTest, WritesMinutesSecondsAndHundredths) {
    EXPECT_EQ(sampleTime(GetParam().seconds, GetParam().hundredths), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Forms, SampleTimeTest,
                         ::testing::Values(TimeCase{5, 3, "0:05.03"}, TimeCase{754, 42, "12:34.42"},
                                           TimeCase{60, 0, "1:00.00"}, TimeCase{0, 0, "0:00.00"},
                                           TimeCase{59, 9, "0:59.09"}, TimeCase{70, 10, "1:10.10"},
                                           TimeCase{61, 150, "1:01.150"},
                                           TimeCase{65535, 255, "1092:15.255"}));

// A line end in a file name would break line 1 in two.
TEST_F(ConversionRunTest, LineEndsInTheNameAreWrittenAsSpaces) {
    LogContents log;
    log.records = {LogRecord{1, {{5, {}}}}};
    ASSERT_EQ(convert(support::buildLog(log), "Run\r\n7\rA\nQMRX.pdb"),
              ConversionOutcome::Converted);
    EXPECT_EQ(output.contents, "Run  7 A QMRX.pdb\r\nTime\r\n0:01.05\r\n");
}

TEST_F(ConversionRunTest, LogWithoutChannelsWritesTimesAlone) {
    LogContents log;
    log.records = {LogRecord{3, {{0, {}}, {50, {}}}}};
    ASSERT_EQ(convert(log), ConversionOutcome::Converted);
    EXPECT_EQ(output.contents, "RunQMRX.pdb\r\nTime\r\n0:03.00\r\n0:03.50\r\n");
}

TEST_F(ConversionRunTest, CountByteKeepsOnlyItsLowSixBits) {
    LogContents log;
    log.channels = {38, 44, 22};
    log.channelCountByte = 0xC3;
    log.records = {LogRecord{0, {{1, {1, 2, 3}}}}};
    ASSERT_EQ(convert(log), ConversionOutcome::Converted);
    EXPECT_EQ(output.contents, "RunQMRX.pdb\r\nTime,Knock,Air Volume,ISC\r\n0:00.01, 1, 2, 3\r\n");
}

TEST_F(ConversionRunTest, TwelveChannelsAreAllConverted) {
    const LogContents log =
        support::drivingLog({33, 38, 6, 19, 26, 41, 44, 58, 23, 7, 20, 21}, 5, 7);
    ASSERT_EQ(convert(log), ConversionOutcome::Converted);
    EXPECT_EQ(output.contents, support::expectedCsv(log, "RunQMRX.pdb"));
}

TEST_F(ConversionRunTest, FirstHundredthsByteOfFFIsASample) {
    LogContents log;
    log.channels = {38};
    log.records = {LogRecord{2, {{0xFF, {7}}, {4, {8}}}}};
    ASSERT_EQ(convert(log), ConversionOutcome::Converted);
    EXPECT_EQ(output.contents, "RunQMRX.pdb\r\nTime,Knock\r\n0:02.255, 7\r\n0:02.04, 8\r\n");
}

TEST_F(ConversionRunTest, RecordZeroIsNeverConverted) {
    LogContents log;
    log.channels = {38};
    log.firstRecord = {0x00, 0x09, 0x01, 0x05, 0xFF};
    log.records = {LogRecord{1, {{0, {6}}}}};
    ASSERT_EQ(convert(log), ConversionOutcome::Converted);
    EXPECT_EQ(output.contents, "RunQMRX.pdb\r\nTime,Knock\r\n0:01.00, 6\r\n");
}

struct RecordCountCase {
    std::uint16_t recordCount;
    std::string lines;
    std::vector<std::string> progress;
};

void PrintTo(const RecordCountCase& c, std::ostream* out) { *out << "count " << c.recordCount; }

class RecordCountTest : public ConversionRunTest,
                        public ::testing::WithParamInterface<RecordCountCase> {};

TEST_P(RecordCountTest, ConvertsRecordsOneToCountLessOne) {
    LogContents log;
    log.channels = {22};
    log.records = {LogRecord{1, {{0, {1}}}}, LogRecord{2, {{0, {2}}}}};
    std::vector<std::uint8_t> bytes = support::buildLog(log);
    support::putWord(bytes, support::kRecordCountField, GetParam().recordCount);
    ASSERT_EQ(convert(bytes), ConversionOutcome::Converted);
    EXPECT_EQ(output.contents, "RunQMRX.pdb\r\nTime,ISC\r\n" + GetParam().lines);
    std::vector<std::string> expected{"busy", "min 1"};
    expected.insert(expected.end(), GetParam().progress.begin(), GetParam().progress.end());
    expected.insert(expected.end(), {"idle", "value 1", "beep"});
    EXPECT_EQ(services.calls, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, RecordCountTest,
    ::testing::Values(RecordCountCase{0, "", {"max -1"}}, RecordCountCase{1, "", {"max 0"}},
                      RecordCountCase{2, "0:01.00, 1\r\n", {"max 1", "value 1"}},
                      RecordCountCase{
                          3, "0:01.00, 1\r\n0:02.00, 2\r\n", {"max 2", "value 1", "value 2"}}));

TEST_F(ConversionRunTest, ReplacesAnExistingOutputWhole) {
    output.contents = std::string(5000, 'x');
    LogContents log;
    log.records = {LogRecord{1, {{0, {}}}}};
    ASSERT_EQ(convert(log), ConversionOutcome::Converted);
    EXPECT_EQ(output.contents, "RunQMRX.pdb\r\nTime\r\n0:01.00\r\n");
}

TEST_F(ConversionRunTest, WritesAFullStopWhateverTheLocale) {
    struct CommaDecimals : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
    };
    const std::locale previous = std::locale::global(std::locale(std::locale(), new CommaDecimals));
    LogContents log;
    log.channels = {19, 41, 20};
    log.records = {LogRecord{1, {{0, {1, 1, 86}}}}};
    const ConversionOutcome outcome = convert(log);
    std::locale::global(previous);
    ASSERT_EQ(outcome, ConversionOutcome::Converted);
    EXPECT_EQ(output.contents,
              "RunQMRX.pdb\r\nTime,O2,Inj P/W,Battery\r\n0:01.00,0.02,0.256,6.30\r\n");
}

TEST_F(ConversionRunTest, SampleLogsConvertAsTheirContentsSay) {
    for (const support::SampleLog& sample : support::sampleLogs()) {
        const std::string stored = readFile(fs::path(QUILLET_SAMPLES_DIR) / sample.fileName);
        const std::vector<std::uint8_t> bytes = support::buildLog(sample.contents);
        ASSERT_EQ(stored, std::string(bytes.begin(), bytes.end()))
            << "samples/ is out of date: " << sample.fileName;
        ASSERT_EQ(convert(bytes, sample.fileName), ConversionOutcome::Converted) << sample.fileName;
        EXPECT_EQ(output.contents, support::expectedCsv(sample.contents, sample.fileName));
    }
}

TEST_F(ConversionRunTest, KeepsTheLinesWrittenBeforeAFailure) {
    LogContents log;
    log.channels = {38};
    log.records = {LogRecord{1, {{0, {1}}, {50, {2}}}}, LogRecord{2, {{0, {3}}}}};
    std::vector<std::uint8_t> bytes = support::buildLog(log);
    bytes.resize(bytes.size() - 2);
    EXPECT_EQ(convert(bytes), ConversionOutcome::Failed);
    EXPECT_EQ(output.contents, "RunQMRX.pdb\r\nTime,Knock\r\n0:01.00, 1\r\n0:01.50, 2\r\n");
    EXPECT_EQ(services.calls,
              (std::vector<std::string>{"busy", "min 1", "max 2", "value 1", "value 2",
                                        "message critical", "idle", "value 0"}));
}

// A long log read in place, and one that cannot begin, whose output is never replaced.
TEST_F(ConversionRunTest, ALongLogConvertsAndOneOfThirteenChannelsNeverBegins) {
    const LogContents log = support::drivingLog({33, 38, 6}, 2000, 20);
    MemoryLogInput input("MemoryQMRX.pdb", support::buildLog(log));
    MemoryOutputTarget memory;
    EXPECT_EQ(writeOneOutput(makeCsvOutput, input, memory, services), ConversionOutcome::Converted);
    EXPECT_TRUE(memory.kept);
    EXPECT_EQ(memory.contents, support::expectedCsv(log, "MemoryQMRX.pdb"));

    LogContents thirteen = log;
    thirteen.channelCountByte = 13;
    MemoryLogInput damaged("MemoryQMRX.pdb", support::buildLog(thirteen));
    MemoryOutputTarget untouched;
    services = {};
    EXPECT_EQ(writeOneOutput(makeCsvOutput, damaged, untouched, services),
              ConversionOutcome::Failed);
    expectFailure(FailureNumber::SubscriptOutOfRange);
    EXPECT_FALSE(untouched.replaced);
}

}  // namespace
}  // namespace quillet
