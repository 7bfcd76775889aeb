#pragma once

#include <optional>

#include "cli/console.h"
#include "cli/options.h"

namespace quillet {

// Reads the setup that options.setup names into options.pageSetup. Returns nothing once it is
// read; else the exit status, its message on standard error: 1 for a file that cannot be read, 2
// for one that is no setup.
std::optional<int> readPageSetup(ConverterOptions& options, Console& console);

// Writes the --compare page of the logs, the first the reference. A failure names the log or the
// page it concerns. Returns the exit status: 0 when every log is on the page whole, 1 when any
// failed, 2 when the page would replace a log.
int compareLogs(const ConverterOptions& options, Console& console);

}  // namespace quillet
