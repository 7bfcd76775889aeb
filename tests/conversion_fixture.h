#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "conversion_run.h"
#include "log_writer.h"
#include "platform_file.h"
#include "recording_services.h"

namespace quillet {

namespace fs = std::filesystem;
using testing::LogContents;
using testing::LogRecord;
using testing::readFile;

// The message each failure number shows, written out in full.
inline std::string expectedMessage(int failureNumber) {
    static const std::map<int, std::string> descriptions = {
        {6, "Overflow"},   {9, "Subscript out of range"},  {57, "Device I/O error"},
        {61, "Disk full"}, {62, "Input past end of file"},
    };
    if (failureNumber == 75) {
        return "Bad Filename.  Please check the name and path of the files.";
    }
    return "Unexpected error # " + std::to_string(failureNumber) +
           " occurred: " + descriptions.at(failureNumber) +
           "\r\nPlease report this error to " QUILLET_SUPPORT_ADDRESS;
}

// A folder of its own, an output path in it, and services that write down what a run did.
class ConversionRunTest : public ::testing::Test {
  protected:
    fs::path writeLog(const std::vector<std::uint8_t>& bytes,
                      const std::string& name = "RunQMRX.pdb") {
        const fs::path path = folder / platform::pathFromUtf8(name);
        testing::writeFile(path, bytes);
        return path;
    }

    ConversionOutcome convert(const fs::path& input) {
        return convertLog(testing::utf8Text(input), testing::utf8Text(output), services);
    }

    ConversionOutcome convert(const LogContents& contents) {
        return convert(writeLog(testing::buildLog(contents)));
    }

    // The run ended through its failure path, with the message of `failureNumber`.
    void expectFailure(int failureNumber) {
        ASSERT_EQ(services.messages.size(), 1u);
        EXPECT_EQ(services.messages[0], expectedMessage(failureNumber));
        ASSERT_GE(services.calls.size(), 3u);
        EXPECT_EQ(services.calls[services.calls.size() - 3],
                  failureNumber == 75 ? "message exclamation" : "message critical");
        EXPECT_EQ(services.calls[services.calls.size() - 2], "idle");
        EXPECT_EQ(services.calls.back(), "value 0");
    }

    testing::TemporaryFolder folder;
    fs::path output = folder / "out.csv";
    testing::RecordingServices services;
};

}  // namespace quillet
