#include <gtest/gtest.h>

#include "conversion_fixture.h"
#include "converter_command.h"
#include "damaged_logs.h"
#include "reference_conversion.h"

namespace quillet::testing {

void PrintTo(const DamagedLog& log, std::ostream* out) { *out << log.name; }

}  // namespace quillet::testing

namespace quillet {
namespace {

using testing::DamagedLog;

const std::string kOldOutput = "the CSV of an earlier run";

// What the output must hold after converting `log`: the row's own text, or for rows that read
// bytes never meant as records, what the reference reading finds.
std::string expectedOutput(const DamagedLog& log) {
    if (log.csvFromReference) {
        const testing::ReferenceOutcome reference =
            testing::referenceConversion(log.bytes, testing::kDamagedLogName);
        return reference.outputCreated ? reference.csv : kOldOutput;
    }
    return log.csv.value_or(kOldOutput);
}

class DamagedLogTest : public ConversionRunTest, public ::testing::WithParamInterface<DamagedLog> {
  protected:
    void SetUp() override {
        input = writeLog(GetParam().bytes, testing::kDamagedLogName);
        testing::writeFile(output, std::vector<std::uint8_t>(kOldOutput.begin(), kOldOutput.end()));
    }

    fs::path input;
};

TEST_P(DamagedLogTest, ThroughTheLibrary) {
    const DamagedLog& log = GetParam();
    const ConversionOutcome outcome = convert(input);
    if (log.failureNumber == 0) {
        EXPECT_EQ(outcome, ConversionOutcome::Converted);
        EXPECT_TRUE(services.messages.empty());
        EXPECT_EQ(services.calls.back(), "beep");
    } else {
        EXPECT_EQ(outcome, ConversionOutcome::Failed);
        expectFailure(log.failureNumber);
    }
    EXPECT_EQ(readFile(output), expectedOutput(log));
    EXPECT_EQ(readFile(input), std::string(log.bytes.begin(), log.bytes.end()));
}

TEST_P(DamagedLogTest, ThroughTheConverterCommand) {
    const DamagedLog& log = GetParam();
    const testing::CommandResult result = testing::runCommand(
        QUILLET_CONVERT, testing::shellQuoted(input) + " " + testing::shellQuoted(output),
        folder.path());
    if (log.failureNumber == 0) {
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.standardError, "");
    } else {
        std::string message = expectedMessage(log.failureNumber);
        message.erase(message.find('\r'), 1);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.standardError, message + "\n");
    }
    EXPECT_EQ(readFile(output), expectedOutput(log));
}

// The fuzzer judges every run by the reference reading, so it must agree with the rows.
TEST_P(DamagedLogTest, ReferenceReadingAgrees) {
    const DamagedLog& log = GetParam();
    const testing::ReferenceOutcome reference =
        testing::referenceConversion(log.bytes, testing::kDamagedLogName);
    EXPECT_EQ(reference.failureNumber, log.failureNumber);
    if (!log.csvFromReference) {
        EXPECT_EQ(reference.outputCreated, log.csv.has_value());
        EXPECT_EQ(reference.csv, log.csv.value_or(""));
    }
}

INSTANTIATE_TEST_SUITE_P(Logs, DamagedLogTest, ::testing::ValuesIn(testing::damagedLogs()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace quillet
