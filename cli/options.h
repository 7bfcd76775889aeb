#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "cli/output_kinds.h"
#include "conversion/spreadsheet_profile.h"

namespace quillet {

enum class ConverterMode { OneLog, ManyLogs, Summary, Compare };

// What a command line asks quillet-convert to do.
struct ConverterOptions {
    ConverterMode mode = ConverterMode::OneLog;
    // Logs, and for many logs or a summary also folders of logs; "-" is standard input. With
    // --compare, the logs of one page, the first the reference.
    std::vector<std::string> inputs;
    // What to write of each log, in the order of the table of kinds: for a single log each
    // output's file ("-" for standard output); for many logs the kinds, the CSV always, with no
    // file, since each log's name gives them in `outputDir`.
    std::vector<RequestedOutput> outputs;
    // Where the outputs of many logs go.
    std::string outputDir;
    // Skip an output that exists and is newer than its log.
    bool update = false;
    // --setup: a setup saved by the log page, which every page written opens with; and its text,
    // read before any log.
    std::string setup;
    std::string pageSetup;
    // The name of a log read from standard input, for the CSV's first line and its outputs.
    std::optional<std::string> logName;
    SpreadsheetProfile profile;

    bool operator==(const ConverterOptions&) const = default;
};

// Whether a path is "-", which names standard input as a log and standard output as an
// output, never a file of that name.
bool isStandardStream(const std::string& path);

// A command line that asks for a text and nothing else: the help, or the version.
struct InformationRequest {
    std::string text;
};

// Why a command line cannot be carried out.
struct UsageError {
    std::string reason;
};

using ParsedCommandLine = std::variant<ConverterOptions, InformationRequest, UsageError>;

// The options of a command line, arguments[0] being the program.
ParsedCommandLine parseCommandLine(const std::vector<std::string>& arguments);

// What standard error shows for wrong usage: the reason, then the usage lines.
std::string usageErrorText(const UsageError& error);

}  // namespace quillet
