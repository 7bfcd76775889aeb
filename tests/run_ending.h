#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "conversion/failure.h"
#include "conversion/run_reporting.h"
#include "generated/quillet_version.h"
#include "tests/support/recording_services.h"
#include "tests/support/reference_conversion.h"

namespace quillet {

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

// The same message as the converter command writes it on standard error, after the file it
// concerns. The logs that are bad file names are those that hold no Palm database, which the
// command says.
inline std::string expectedErrorOutput(FailureNumber failure, const std::string& file) {
    std::string message = expectedMessage(failure);
    const std::size_t lineEnd = message.find('\r');
    if (lineEnd != std::string::npos) message.erase(lineEnd, 1);
    if (failure == FailureNumber::PathFileAccessError) {
        message += " The file holds no Palm database, as logs do.";
    }
    return file + ": " + message + "\n";
}

// Services that write down what a run did, and the checks of how it ended.
class RunEndingTest : public ::testing::Test {
  protected:
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

    support::RecordingServices services;
};

}  // namespace quillet
