#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <locale>

#include "conversion/failure.h"
#include "conversion/sample_time.h"
#include "tests/conversion_fixture.h"
#include "tests/support/expected_csv.h"
#include "tests/support/memory_io.h"
#include "tests/support/sample_logs.h"

namespace quillet {
namespace {

TEST_F(ConversionRunTest, WritesHeadingAndOneLinePerSample) {
    LogContents log;
    log.channels = {33, 6, 58, 34};
    log.records = {
        LogRecord{61, {{0, {2, 11, 208, 9}}, {33, {255, 0, 209, 9}}, {66, {1, 10, 0, 9}}}},
        LogRecord{754, {{42, {6, 255, 219, 9}}}}};
    ASSERT_EQ(convert(log), ConversionOutcome::Converted);
    EXPECT_EQ(readFile(output),
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
    EXPECT_EQ(fileNameOf(GetParam().path), windows ? GetParam().onWindows : GetParam().elsewhere);
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

// A line end in a file name would break line 1 in two.
TEST_F(ConversionRunTest, LineEndsInTheNameAreWrittenAsSpaces) {
    LogContents log;
    log.records = {LogRecord{1, {{5, {}}}}};
    MemoryLogInput input("Run\r\n7\rA\nQMRX.pdb", support::buildLog(log));
    MemoryOutputTarget memory;
    ASSERT_EQ(convertLog(input, memory, services), ConversionOutcome::Converted);
    EXPECT_EQ(memory.contents, "Run  7 A QMRX.pdb\r\nTime\r\n0:01.05\r\n");
}

// Line 1 is UTF-8 where file names are; on Windows it takes one byte a character, as its
// spreadsheets read a CSV, and "?" for what one byte cannot hold.
TEST_F(ConversionRunTest, WritesTheNameAsThePlatformsSpreadsheetsReadIt) {
    LogContents log;
    log.records = {LogRecord{1, {{5, {}}}}};
    const fs::path input = writeLog(support::buildLog(log),
                                    "Pr\xC3\xBC"
                                    "fung \xE2\x82\xAC \xF0\x9F\x9A\x97QMRX.pdb");
    ASSERT_EQ(convert(input), ConversionOutcome::Converted);
    const std::string name = kWindowsPaths ? "Pr\xFC"
                                             "fung ? ?QMRX.pdb"
                                           : "Pr\xC3\xBC"
                                             "fung \xE2\x82\xAC \xF0\x9F\x9A\x97QMRX.pdb";
    EXPECT_EQ(readFile(output), name + "\r\nTime\r\n0:01.05\r\n");
}

TEST_F(ConversionRunTest, LogWithoutChannelsWritesTimesAlone) {
    LogContents log;
    log.records = {LogRecord{3, {{0, {}}, {50, {}}}}};
    ASSERT_EQ(convert(log), ConversionOutcome::Converted);
    EXPECT_EQ(readFile(output), "RunQMRX.pdb\r\nTime\r\n0:03.00\r\n0:03.50\r\n");
}

TEST_F(ConversionRunTest, CountByteKeepsOnlyItsLowSixBits) {
    LogContents log;
    log.channels = {38, 44, 22};
    log.channelCountByte = 0xC3;
    log.records = {LogRecord{0, {{1, {1, 2, 3}}}}};
    ASSERT_EQ(convert(log), ConversionOutcome::Converted);
    EXPECT_EQ(readFile(output), "RunQMRX.pdb\r\nTime,Knock,Air Volume,ISC\r\n0:00.01, 1, 2, 3\r\n");
}

TEST_F(ConversionRunTest, TwelveChannelsAreAllConverted) {
    const LogContents log =
        support::drivingLog({33, 38, 6, 19, 26, 41, 44, 58, 23, 7, 20, 21}, 5, 7);
    ASSERT_EQ(convert(log), ConversionOutcome::Converted);
    EXPECT_EQ(readFile(output), support::expectedCsv(log, "RunQMRX.pdb"));
}

TEST_F(ConversionRunTest, FirstHundredthsByteOfFFIsASample) {
    LogContents log;
    log.channels = {38};
    log.records = {LogRecord{2, {{0xFF, {7}}, {4, {8}}}}};
    ASSERT_EQ(convert(log), ConversionOutcome::Converted);
    EXPECT_EQ(readFile(output), "RunQMRX.pdb\r\nTime,Knock\r\n0:02.255, 7\r\n0:02.04, 8\r\n");
}

TEST_F(ConversionRunTest, RecordZeroIsNeverConverted) {
    LogContents log;
    log.channels = {38};
    log.firstRecord = {0x00, 0x09, 0x01, 0x05, 0xFF};
    log.records = {LogRecord{1, {{0, {6}}}}};
    ASSERT_EQ(convert(log), ConversionOutcome::Converted);
    EXPECT_EQ(readFile(output), "RunQMRX.pdb\r\nTime,Knock\r\n0:01.00, 6\r\n");
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
    ASSERT_EQ(convert(writeLog(bytes)), ConversionOutcome::Converted);
    EXPECT_EQ(readFile(output), "RunQMRX.pdb\r\nTime,ISC\r\n" + GetParam().lines);
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
    support::writeFile(output, std::vector<std::uint8_t>(5000, 'x'));
    LogContents log;
    log.records = {LogRecord{1, {{0, {}}}}};
    ASSERT_EQ(convert(log), ConversionOutcome::Converted);
    EXPECT_EQ(readFile(output), "RunQMRX.pdb\r\nTime\r\n0:01.00\r\n");
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
    EXPECT_EQ(readFile(output),
              "RunQMRX.pdb\r\nTime,O2,Inj P/W,Battery\r\n0:01.00,0.02,0.256,6.30\r\n");
}

TEST_F(ConversionRunTest, SampleLogsConvertAsTheirContentsSay) {
    for (const support::SampleLog& sample : support::sampleLogs()) {
        const fs::path input = fs::path(QUILLET_SAMPLES_DIR) / sample.fileName;
        ASSERT_EQ(readFile(input), readFile(writeLog(support::buildLog(sample.contents))))
            << "samples/ is out of date: " << sample.fileName;
        ASSERT_EQ(convert(input), ConversionOutcome::Converted) << sample.fileName;
        EXPECT_EQ(readFile(output), support::expectedCsv(sample.contents, sample.fileName));
    }
}

TEST_F(ConversionRunTest, KeepsTheLinesWrittenBeforeAFailure) {
    LogContents log;
    log.channels = {38};
    log.records = {LogRecord{1, {{0, {1}}, {50, {2}}}}, LogRecord{2, {{0, {3}}}}};
    std::vector<std::uint8_t> bytes = support::buildLog(log);
    bytes.resize(bytes.size() - 2);
    EXPECT_EQ(convert(writeLog(bytes)), ConversionOutcome::Failed);
    EXPECT_EQ(readFile(output), "RunQMRX.pdb\r\nTime,Knock\r\n0:01.00, 1\r\n0:01.50, 2\r\n");
    EXPECT_EQ(services.calls,
              (std::vector<std::string>{"busy", "min 1", "max 2", "value 1", "value 2",
                                        "message critical", "idle", "value 0"}));
}

// The path the fuzzer takes: a log in memory, read in place, into a CSV collected in memory.
TEST_F(ConversionRunTest, ConvertsInMemory) {
    const LogContents log = support::drivingLog({33, 38, 6}, 2000, 20);
    MemoryLogInput input("MemoryQMRX.pdb", support::buildLog(log));
    MemoryOutputTarget memory;
    EXPECT_EQ(convertLog(input, memory, services), ConversionOutcome::Converted);
    EXPECT_TRUE(memory.kept);
    EXPECT_EQ(memory.contents, support::expectedCsv(log, "MemoryQMRX.pdb"));

    LogContents thirteen = log;
    thirteen.channelCountByte = 13;
    MemoryLogInput damaged("MemoryQMRX.pdb", support::buildLog(thirteen));
    MemoryOutputTarget untouched;
    services = {};
    EXPECT_EQ(convertLog(damaged, untouched, services), ConversionOutcome::Failed);
    expectFailure(FailureNumber::SubscriptOutOfRange);
    EXPECT_FALSE(untouched.replaced);
}

}  // namespace
}  // namespace quillet
