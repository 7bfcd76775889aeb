#pragma once

#include <string>

#include "options.h"

namespace quillet {

// Whether the CSV at csvPath exists and was written after the log at logPath last changed.
bool csvIsUpToDate(const std::string& logPath, const std::string& csvPath);

// Converts every log the INPUTs name into a CSV in the output folder, going on past logs that
// fail, and ends with a count on standard error. Returns the exit status: 0 when every log
// converted, 1 when any failed or the folder cannot be created, 2 when two logs would write the
// same CSV (found before any is written).
int convertManyLogs(const ConverterOptions& options);

}  // namespace quillet
