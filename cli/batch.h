#pragma once

#include <string>

#include "console_services.h"
#include "options.h"

namespace quillet {

// Whether the file at outputPath (a CSV or a picture) exists and was written after the log at
// logPath last changed.
bool outputIsUpToDate(const std::string& logPath, const std::string& outputPath);

// What one log is turned into: its CSV and its picture, either left out when empty; "-" names
// standard output.
struct LogJob {
    std::string log;
    std::string csv;
    std::string picture;
};

enum class JobOutcome { Written, UpToDate, Failed };

// Writes the job's CSV, then its picture, skipping either when options.update finds it up to
// date. A failure is reported once: a picture of a log whose conversion failed is drawn as far
// as the log allows, without repeating the message.
JobOutcome runJob(const LogJob& job, const ConverterOptions& options, ConsoleServices& console);

// Converts every log the INPUTs name into a CSV in the output folder, and with --plot also
// its picture, going on past logs that fail, and ends with a count on standard error. Returns
// the exit status: 0 when every log converted, 1 when any failed or the folder cannot be
// created, 2 when two logs would write the same CSV (found before any is written).
int convertManyLogs(const ConverterOptions& options);

}  // namespace quillet
