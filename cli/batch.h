#pragma once

#include <string>

#include "cli/console_services.h"
#include "cli/options.h"

namespace quillet {

// Whether the file at outputPath (a CSV or a picture) exists and was written after the log at
// logPath last changed. Standard input and output are never up to date.
bool outputIsUpToDate(const std::string& logPath, const std::string& outputPath);

// What one log is turned into: its CSV, its picture and its page, each left out when empty;
// "-" names standard input as the log and standard output as an output.
struct LogJob {
    std::string log;
    std::string csv;
    std::string picture;
    std::string page;
};

enum class JobOutcome { Written, UpToDate, Failed };

// Reads the job's log once and writes its CSV, then its picture, then its page, skipping each
// when options.update finds it up to date; a log whose every output is up to date is still
// read, so that a log that fails is reported as failed every time. A failure is reported once:
// a picture or page of a log whose conversion failed is made as far as the log allows, without
// repeating the message.
JobOutcome runJob(const LogJob& job, const ConverterOptions& options, ConsoleServices& console);

// Converts every log the INPUTs name into a CSV in the output folder, and with --plot and
// --html also its picture and page, going on past logs that fail, and ends with a count on standard
// error. A log named twice is converted once. Returns the exit status: 0 when every log converted,
// 1 when any failed, a folder held no logs, or the output folder cannot be created, 2 when two
// outputs would be one file (found before any is written).
int convertManyLogs(const ConverterOptions& options);

// Converts a single log into the CSV and picture the options name. Returns the exit status.
int convertOneLog(const ConverterOptions& options);

}  // namespace quillet
