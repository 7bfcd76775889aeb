#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "conversion/csv_profile.h"

namespace quillet {

enum class ConverterMode { OneLog, ManyLogs, Summary, Compare };

// What a command line asks quillet-convert to do.
struct ConverterOptions {
    ConverterMode mode = ConverterMode::OneLog;
    // Logs, and for many logs or a summary also folders of logs; "-" is standard input. With
    // --compare, the logs of one page, the first the reference.
    std::vector<std::string> inputs;
    // The CSV of a single log; "-" for standard output, empty for a picture alone.
    std::string output;
    // Where the CSVs of many logs go.
    std::string outputDir;
    // Skip a CSV, picture or page that exists and is newer than its log.
    bool update = false;
    // Draw each log's picture: for a single log into `picture` ("-" for standard output), for
    // many logs beside each CSV.
    bool plot = false;
    std::string picture;
    // Write each log's HTML page, as `plot` draws pictures: into `page` for a single log, beside
    // each CSV for many.
    bool html = false;
    std::string page;
    // --setup: a setup saved by the log page, which every page written opens with; and its text,
    // read before any log.
    std::string setup;
    std::string pageSetup;
    // The name of a log read from standard input, for the CSV's first line and its outputs.
    std::optional<std::string> logName;
    CsvProfile profile;

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
