#include <gtest/gtest.h>

#include "tests/conversion_fixture.h"
#include "tests/support/converter_command.h"
#include "tests/support/damaged_logs.h"
#include "tests/support/reference_conversion.h"

namespace quillet::support {

void PrintTo(const DamagedLog& log, std::ostream* out) { *out << log.name; }

}  // namespace quillet::support

namespace quillet {
namespace {

using support::DamagedLog;

const std::string kOldOutput = "the CSV of an earlier run";

// What the output must hold after converting `log`: the row's own text, or for rows that read
// bytes never meant as records, what the reference reading finds.
std::string expectedOutput(const DamagedLog& log) {
    if (log.csvFromReference) {
        const support::ReferenceOutcome reference =
            support::referenceConversion(log.bytes, support::kDamagedLogName);
        return reference.outputCreated ? reference.csv : kOldOutput;
    }
    return log.csv.value_or(kOldOutput);
}

class DamagedLogTest : public ConversionRunTest, public ::testing::WithParamInterface<DamagedLog> {
  protected:
    void SetUp() override {
        input = writeLog(GetParam().bytes, support::kDamagedLogName);
        support::writeFile(output, std::vector<std::uint8_t>(kOldOutput.begin(), kOldOutput.end()));
    }

    fs::path input;
};

TEST_P(DamagedLogTest, ThroughTheLibrary) {
    const DamagedLog& log = GetParam();
    const ConversionOutcome outcome = convert(input);
    expectEnding(outcome, log.ending);
    EXPECT_EQ(readFile(output), expectedOutput(log));
    EXPECT_EQ(readFile(input), std::string(log.bytes.begin(), log.bytes.end()));
}

TEST_P(DamagedLogTest, ThroughTheConverterCommand) {
    const DamagedLog& log = GetParam();
    const support::CommandResult result = support::runCommand(
        QUILLET_CONVERT, support::shellQuoted(input) + " " + support::shellQuoted(output),
        folder.path());
    if (log.ending == support::kConverted) {
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.standardError, "");
    } else {
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.standardError, expectedErrorOutput(*log.ending, input.string()));
    }
    EXPECT_EQ(readFile(output), expectedOutput(log));
}

// The fuzzer judges every run by the reference reading, so it must agree with the rows.
TEST_P(DamagedLogTest, ReferenceReadingAgrees) {
    const DamagedLog& log = GetParam();
    const support::ReferenceOutcome reference =
        support::referenceConversion(log.bytes, support::kDamagedLogName);
    EXPECT_EQ(reference.ending, log.ending);
    if (!log.csvFromReference) {
        EXPECT_EQ(reference.outputCreated, log.csv.has_value());
        EXPECT_EQ(reference.csv, log.csv.value_or(""));
    }
}

INSTANTIATE_TEST_SUITE_P(Logs, DamagedLogTest, ::testing::ValuesIn(support::damagedLogs()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace quillet
