#pragma once

#include <string>
#include <vector>

namespace quillet {

// Prints a summary of every log the INPUTs name on standard output, warnings and failures on
// standard error. Returns the exit status: 0 when every log was read, 1 when any failed.
int summarizeLogs(const std::vector<std::string>& inputs);

}  // namespace quillet
