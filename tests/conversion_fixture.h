#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "conversion/conversion_run.h"
#include "conversion/failure.h"
#include "frontend/file_conversion.h"
#include "generated/quillet_version.h"
#include "system/paths.h"
#include "tests/support/log_writer.h"
#include "tests/support/recording_services.h"
#include "tests/support/reference_conversion.h"

namespace quillet {

namespace fs = std::filesystem;
using support::LogContents;
using support::LogRecord;
using support::readFile;

// The message each failure shows, written out in full.
inline std::string expectedMessage(FailureNumber failure) {
    static const std::map<FailureNumber, std::string> messages = {
        {FailureNumber::Overflow, "# 6 occurred: Overflow"},
        {FailureNumber::OutOfMemory, "# 7 occurred: Out of memory"},
        {FailureNumber::SubscriptOutOfRange, "# 9 occurred: Subscript out of range"},
        {FailureNumber::InternalError, "# 51 occurred: Internal error"},
        {FailureNumber::DeviceIoError, "# 57 occurred: Device I/O error"},
        {FailureNumber::DiskFull, "# 61 occurred: Disk full"},
        {FailureNumber::InputPastEndOfFile, "# 62 occurred: Input past end of file"},
    };
    if (failure == FailureNumber::PathFileAccessError) {
        return "Bad Filename.  Please check the name and path of the files.";
    }
    return "Unexpected error " + messages.at(failure) + "\r\nPlease report this error to " +
           std::string(kSupportAddress);
}

// The same message as the converter command writes it on standard error.
inline std::string expectedErrorOutput(FailureNumber failure) {
    std::string message = expectedMessage(failure);
    const std::size_t lineEnd = message.find('\r');
    if (lineEnd != std::string::npos) message.erase(lineEnd, 1);
    return message + "\n";
}

// A folder of its own, an output path in it, and services that write down what a run did.
class ConversionRunTest : public ::testing::Test {
  protected:
    fs::path writeLog(const std::vector<std::uint8_t>& bytes,
                      const std::string& name = "RunQMRX.pdb") {
        const fs::path path = folder / pathFromUtf8(name);
        support::writeFile(path, bytes);
        return path;
    }

    ConversionOutcome convert(const fs::path& input) {
        return frontend::convertFiles(support::utf8Text(input), support::utf8Text(output),
                                      services);
    }

    ConversionOutcome convert(const LogContents& contents) {
        return convert(writeLog(support::buildLog(contents)));
    }

    // The run ended through its failure path, with the message of `failure`.
    void expectFailure(FailureNumber failure) {
        ASSERT_EQ(services.messages.size(), 1u);
        EXPECT_EQ(services.messages[0], expectedMessage(failure));
        ASSERT_GE(services.calls.size(), 3u);
        EXPECT_EQ(services.calls[services.calls.size() - 3],
                  failure == FailureNumber::PathFileAccessError ? "message exclamation"
                                                                : "message critical");
        EXPECT_EQ(services.calls[services.calls.size() - 2], "idle");
        EXPECT_EQ(services.calls.back(), "value 0");
    }

    // The run ended as the ending says: converted without a message and with the beep, or
    // through its failure path with the failure's message.
    void expectEnding(ConversionOutcome outcome, support::Ending ending) {
        if (ending == support::kConverted) {
            EXPECT_EQ(outcome, ConversionOutcome::Converted);
            EXPECT_TRUE(services.messages.empty());
            EXPECT_EQ(services.calls.back(), "beep");
        } else {
            EXPECT_EQ(outcome, ConversionOutcome::Failed);
            expectFailure(*ending);
        }
    }

    support::TemporaryFolder folder;
    fs::path output = folder / "out.csv";
    support::RecordingServices services;
};

}  // namespace quillet
