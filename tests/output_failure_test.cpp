// What a run leaves when its output or its log fails part of the way, through devices that fail
// where a test says: a failed output keeps what it held before; a failed log still gives the
// lines before its failure.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "conversion/log_output.h"
#include "picture/picture_output.h"
#include "tests/conversion_fixture.h"
#include "tests/support/expected_csv.h"
#include "tests/support/failing_io.h"
#include "tests/support/memory_io.h"

namespace quillet {
namespace {

using support::FailingLogInput;
using support::FailingOutputTarget;
using support::kNever;

const std::string kPrevious = FailingOutputTarget().contents;

// A log whose CSV is about 150 kB, so that it is written in several blocks.
const LogContents& longLog() {
    static const LogContents log = support::drivingLog({33, 38, 6}, 1500, 10);
    return log;
}

std::vector<std::uint8_t> cutShort(std::vector<std::uint8_t> bytes) {
    bytes.resize(bytes.size() - 3);
    return bytes;
}

enum class Left { Previous, LinesBeforeTheFailure, WholeCsv };

struct FailureCase {
    std::string name;
    std::vector<std::uint8_t> log;
    std::uint64_t readFailsAt;
    std::uint64_t room;
    bool closingFails;
    FailureNumber outputFailure;
    FailureNumber expected;
    std::string descriptionEnd;
    Left left;
};

void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }

FailingOutputTarget failingOutput(std::uint64_t room, bool closingFails,
                                  FailureNumber failure = FailureNumber::DiskFull) {
    FailingOutputTarget output;
    output.room = room;
    output.closingFails = closingFails;
    output.failure = failure;
    return output;
}

class OutputFailureTest : public ::testing::TestWithParam<FailureCase> {
  protected:
    support::RecordingServices services;
};

TEST_P(OutputFailureTest, LeavesWhatTheOutputCanKeep) {
    const FailureCase& c = GetParam();
    FailingLogInput log("RunQMRX.pdb", c.log, c.readFailsAt);
    FailingOutputTarget output = failingOutput(c.room, c.closingFails, c.outputFailure);
    EXPECT_EQ(writeOneOutput(makeCsvOutput, log, output, services), ConversionOutcome::Failed);

    std::string message = expectedMessage(c.expected);
    message.insert(message.find('\r'), c.descriptionEnd);
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0], message);
    const std::string csv = support::expectedCsv(longLog(), "RunQMRX.pdb");
    switch (c.left) {
        case Left::Previous:
            EXPECT_FALSE(output.kept);
            EXPECT_EQ(output.contents, kPrevious);
            break;
        case Left::LinesBeforeTheFailure:
            EXPECT_TRUE(output.kept);
            EXPECT_GT(output.contents.size(), csv.find("\r\n0:") + 2);
            EXPECT_LT(output.contents.size(), csv.size());
            EXPECT_EQ(output.contents, csv.substr(0, output.contents.size()));
            EXPECT_TRUE(output.contents.ends_with("\r\n"));
            break;
        case Left::WholeCsv:
            EXPECT_EQ(output.contents, csv);
            break;
    }
}

const std::vector<std::uint8_t> kLongLog = support::buildLog(longLog());

const std::uint64_t kHalfTheLog = kLongLog.size() / 2;
// Room for every line of the cut log but its last block.
const std::uint64_t kAllButTheLastLines =
    support::expectedCsv(longLog(), "RunQMRX.pdb").size() - 1000;

INSTANTIATE_TEST_SUITE_P(
    Devices, OutputFailureTest,
    ::testing::Values(
        FailureCase{"FullDisk", kLongLog, kNever, 70000, false, FailureNumber::DiskFull,
                    FailureNumber::DiskFull, "", Left::Previous},
        FailureCase{"WriteFails", kLongLog, kNever, 0, false, FailureNumber::DeviceIoError,
                    FailureNumber::DeviceIoError, "", Left::Previous},
        FailureCase{"ClosingFails", kLongLog, kNever, kNever, true, FailureNumber::DiskFull,
                    FailureNumber::DiskFull, "", Left::Previous},
        FailureCase{"LogReadFails", kLongLog, kHalfTheLog, kNever, false, FailureNumber::DiskFull,
                    FailureNumber::DeviceIoError, "", Left::LinesBeforeTheFailure},
        FailureCase{"LogEndsEarly", cutShort(kLongLog), kNever, kNever, false,
                    FailureNumber::DiskFull, FailureNumber::InputPastEndOfFile, "",
                    Left::LinesBeforeTheFailure},
        FailureCase{"LogEndsEarlyAndClosingFails", cutShort(kLongLog), kNever, kNever, true,
                    FailureNumber::DiskFull, FailureNumber::InputPastEndOfFile,
                    "; the output could not be completed: Disk full", Left::Previous},
        FailureCase{"LogEndsEarlyAndItsLastLinesFindNoRoom", cutShort(kLongLog), kNever,
                    kAllButTheLastLines, false, FailureNumber::DiskFull,
                    FailureNumber::InputPastEndOfFile,
                    "; the output could not be completed: Disk full", Left::Previous},
        FailureCase{"SameFailureTwiceIsToldOnce", kLongLog, kHalfTheLog, kNever, true,
                    FailureNumber::DeviceIoError, FailureNumber::DeviceIoError, "",
                    Left::Previous}),
    [](const auto& info) { return info.param.name; });

struct PictureCase {
    std::string name;
    std::vector<std::uint8_t> log;
    std::uint64_t readFailsAt;
    std::uint64_t room;
    bool closingFails;
    std::string message;
    // Whether the picture took the output's place.
    bool written;
};

void PrintTo(const PictureCase& c, std::ostream* out) { *out << c.name; }

class PictureFailureTest : public ::testing::TestWithParam<PictureCase> {};

// The picture is written once the whole log was read, through the same kind of output.
TEST_P(PictureFailureTest, LeavesWhatTheOutputCanKeep) {
    const PictureCase& c = GetParam();
    support::RecordingServices services;
    FailingLogInput log("RunQMRX.pdb", c.log, c.readFailsAt);
    FailingOutputTarget output = failingOutput(c.room, c.closingFails);
    EXPECT_EQ(writeOneOutput(makePictureOutput, log, output, services), ConversionOutcome::Failed);
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].substr(0, services.messages[0].find('\r')), c.message);
    EXPECT_EQ(output.kept, c.written);
    if (c.written) {
        EXPECT_NE(output.contents.find("class=\"stop\""), std::string::npos);
    } else {
        EXPECT_EQ(output.contents, kPrevious);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Devices, PictureFailureTest,
    ::testing::Values(
        PictureCase{"FullDisk", kLongLog, kNever, 1000, false,
                    "Unexpected error # 61 occurred: Disk full", false},
        PictureCase{"ClosingFails", kLongLog, kNever, kNever, true,
                    "Unexpected error # 61 occurred: Disk full", false},
        PictureCase{"LogReadFails", kLongLog, kHalfTheLog, kNever, false,
                    "Unexpected error # 57 occurred: Device I/O error", true},
        PictureCase{"LogEndsEarly", cutShort(kLongLog), kNever, kNever, false,
                    "Unexpected error # 62 occurred: Input past end of file", true},
        PictureCase{"LogEndsEarlyAndClosingFails", cutShort(kLongLog), kNever, kNever, true,
                    "Unexpected error # 62 occurred: Input past end of file; the output could "
                    "not be completed: Disk full",
                    false}),
    [](const auto& info) { return info.param.name; });

struct JobCase {
    std::string name;
    std::vector<std::uint8_t> log;
    // Which of the three outputs fails, and how.
    std::size_t failing;
    std::uint64_t room;
    bool closingFails;
    bool keepingFails;
    // The failure's number, the output it names and the outputs it says it left unwritten.
    FailureNumber expected;
    std::string outputPath;
    std::vector<std::string> unwritten;
    // Whether the outputs that did not fail took their places.
    bool othersKept;
};

void PrintTo(const JobCase& c, std::ostream* out) { *out << c.name; }

class JobFailureTest : public ::testing::TestWithParam<JobCase> {};

// The outputs of one log stand or fall together: where one fails, none takes its place.
TEST_P(JobFailureTest, LeavesEveryOutputAsItWasOrAllWritten) {
    const JobCase& c = GetParam();
    MemoryOutputTarget first;
    MemoryOutputTarget second;
    first.label = "first.csv";
    second.label = "second.csv";
    FailingOutputTarget failing = failingOutput(c.room, c.closingFails);
    failing.keepingFails = c.keepingFails;
    if (c.keepingFails) failing.failure = FailureNumber::PathFileAccessError;
    first.contents = second.contents = kPrevious;
    std::vector<OutputTarget*> targets = {&first, &second};
    targets.insert(targets.begin() + static_cast<std::ptrdiff_t>(c.failing), &failing);

    MemorySource source(c.log);
    const LogStart start = readLogStart(source);
    CsvOutput a("RunQMRX.pdb", start, {});
    CsvOutput b("RunQMRX.pdb", start, {});
    CsvOutput d("RunQMRX.pdb", start, {});
    const JobOutput outputs[] = {{a, *targets[0]}, {b, *targets[1]}, {d, *targets[2]}};
    support::RecordingServices services;
    try {
        writeMadeOutputs(source, start, outputs, {}, services);
        FAIL() << "the job did not fail";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.number(), c.expected);
        EXPECT_EQ(failure.outputPath(), c.outputPath);
        EXPECT_EQ(failure.unwrittenOutputs(), c.unwritten);
    }
    for (const MemoryOutputTarget* other : {&first, &second}) {
        EXPECT_EQ(other->kept, c.othersKept) << other->label;
        EXPECT_TRUE(other->contents.starts_with(c.othersKept ? "RunQMRX.pdb\r\n" : kPrevious))
            << other->label;
    }
    EXPECT_EQ(failing.kept, c.othersKept);
    EXPECT_TRUE(failing.contents.starts_with(c.othersKept ? "RunQMRX.pdb\r\n" : kPrevious));
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, JobFailureTest,
    ::testing::Values(JobCase{"TheFirstFindsNoRoom",
                              kLongLog,
                              0,
                              1000,
                              false,
                              false,
                              FailureNumber::DiskFull,
                              "failing",
                              {"first.csv", "second.csv"},
                              false},
                      JobCase{"TheLastFailsToClose",
                              kLongLog,
                              2,
                              kNever,
                              true,
                              false,
                              FailureNumber::DiskFull,
                              "failing",
                              {"first.csv", "second.csv"},
                              false},
                      JobCase{"OneInTheMiddleFailsAsTheLogEnds",
                              cutShort(kLongLog),
                              1,
                              kNever,
                              true,
                              false,
                              FailureNumber::InputPastEndOfFile,
                              "",
                              {"first.csv", "second.csv"},
                              false},
                      JobCase{"NoneFailsBesideADamagedLog",
                              cutShort(kLongLog),
                              1,
                              kNever,
                              false,
                              false,
                              FailureNumber::InputPastEndOfFile,
                              "",
                              {},
                              true},
                      // The outputs moved before one that cannot take its place are put back.
                      JobCase{"TheLastFailsToTakeItsPlace",
                              kLongLog,
                              2,
                              kNever,
                              false,
                              true,
                              FailureNumber::PathFileAccessError,
                              "failing",
                              {"first.csv", "second.csv"},
                              false},
                      JobCase{"OneInTheMiddleFailsToTakeItsPlaceAsTheLogEnds",
                              cutShort(kLongLog),
                              1,
                              kNever,
                              false,
                              true,
                              FailureNumber::InputPastEndOfFile,
                              "",
                              {"first.csv", "second.csv"},
                              false}),
    [](const auto& info) { return info.param.name; });

// A job makes every output of a log from one reading of it.
TEST(OneReading, ServesTheCsvAndThePicture) {
    support::RecordingServices services;
    FailingLogInput log("RunQMRX.pdb", kLongLog, kNever);
    MemoryOutputTarget csv;
    MemoryOutputTarget picture;
    EXPECT_EQ(writeOneOutput(makeCsvOutput, log, csv, services), ConversionOutcome::Converted);
    EXPECT_EQ(writeOneOutput(makePictureOutput, log, picture, services),
              ConversionOutcome::Converted);
    EXPECT_EQ(log.opened, 1);
    EXPECT_EQ(csv.contents, support::expectedCsv(longLog(), "RunQMRX.pdb"));
    EXPECT_NE(picture.contents.find(">15000 samples, "), std::string::npos);
}

}  // namespace
}  // namespace quillet
