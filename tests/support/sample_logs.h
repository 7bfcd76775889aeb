#pragma once

#include <string>
#include <vector>

#include "tests/support/log_writer.h"

namespace quillet::support {

struct SampleLog {
    std::string fileName;
    LogContents contents;
};

// The logs that ship in samples/.
std::vector<SampleLog> sampleLogs();

}  // namespace quillet::support
