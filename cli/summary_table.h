#pragma once

#include <string>

#include "cli/console.h"
#include "cli/options.h"
#include "conversion/log_summary.h"

namespace quillet {

// The summary of one log as it is printed, under its label.
std::string summaryText(const std::string& label, const LogSummary& summary);

// Prints a summary of every log the options' INPUTs name on standard output, warnings and
// failures on standard error. Returns the exit status: 0 when every log was read and its
// summary written, 1 otherwise.
int summarizeLogs(const ConverterOptions& options, Console& console);

}  // namespace quillet
