#pragma once

#include <string>

#include "tests/support/log_writer.h"

namespace quillet::support {

// The CSV that converting `contents` from a file called fileName must give, assembled from
// the channel table and sample times.
std::string expectedCsv(const LogContents& contents, const std::string& fileName);

}  // namespace quillet::support
