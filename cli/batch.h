#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/console.h"
#include "cli/console_services.h"
#include "cli/options.h"
#include "system/log_files.h"

namespace quillet {

// Where an output goes: standard output for "-", else the file, which must not be the log.
std::unique_ptr<OutputTarget> outputTarget(const std::string& path, const std::string& log,
                                           system::InPlaceOutputs inPlace);

// Whether an output goes to a terminal: standard output that is one, or a path that names one
// ("CON" on Windows).
bool showsOnTerminal(const std::string& output);

// Whether the file at outputPath exists and was written after the log at logPath last changed,
// as system::writtenAfter judges it. Standard input and output are never up to date.
bool outputIsUpToDate(const std::string& logPath, const std::string& outputPath);

// What one log is turned into: its outputs, each of a kind and with its file; "-" names standard
// input as the log and standard output as an output.
struct LogJob {
    std::string log;
    std::vector<RequestedOutput> outputs;
};

// Why the jobs cannot be carried out without losing a log, found before anything is written:
// an output that names one of the logs, by any spelling or through a link, one named like a log,
// or one that holds a Palm database as logs do. Standard output counts as the file
// `standardOutput` when it is one.
std::optional<UsageError> lostLogError(const std::vector<LogJob>& jobs, bool manyLogs,
                                       const std::optional<std::string>& standardOutput = {});

// The same for a text written on standard output (the summary, the help), `what` as messages
// call it, where standard output is the file `standardOutput`.
std::optional<UsageError> standardOutputLosesALog(std::string_view what,
                                                  const std::vector<std::string>& logs,
                                                  const std::optional<std::string>& standardOutput);

enum class JobOutcome { Written, UpToDate, Failed };

// Reads the job's log once and writes every output that is due from that one reading, leaving
// out each that options.update finds up to date; a log whose every output is up to date is
// still read, so that a log that fails is reported as failed every time. The outputs stand or
// fall together.
JobOutcome runJob(const LogJob& job, const ConverterOptions& options, ConsoleServices& console);

// Converts every log the INPUTs name into its outputs in the output folder, going on past logs
// that fail, and ends with a count on standard error. A log named twice is converted once.
// Returns the exit status: 0 when every log converted, 1 when any failed, a folder held no logs,
// or the output folder cannot be created, 2 when two outputs would be one file or an output would
// replace a log (found before any is written).
int convertManyLogs(const ConverterOptions& options, Console& console);

// Converts a single log into the outputs the options name. Returns the exit status, 2 when an
// output would replace a log or two outputs would be one file, standard output among them.
int convertOneLog(const ConverterOptions& options, Console& console);

}  // namespace quillet
