#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "conversion/csv_output.h"
#include "frontend/file_conversion.h"
#include "system/paths.h"
#include "tests/run_ending.h"
#include "tests/support/log_writer.h"

namespace quillet {

namespace fs = std::filesystem;
using support::LogContents;
using support::LogRecord;
using support::readFile;

// A folder of its own, an output path in it, and services that write down what a run did, for
// runs on files.
class ConversionRunTest : public RunEndingTest {
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

    support::TemporaryFolder folder;
    fs::path output = folder / "out.csv";
};

}  // namespace quillet
