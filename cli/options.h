#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "csv_profile.h"

namespace quillet {

enum class ConverterMode { OneLog, ManyLogs, Summary };

// What a command line asks quillet-convert to do.
struct ConverterOptions {
    ConverterMode mode = ConverterMode::OneLog;
    // Logs, and for many logs or a summary also folders of logs.
    std::vector<std::string> inputs;
    // The CSV of a single log; "-" for standard output.
    std::string output;
    // Where the CSVs of many logs go.
    std::string outputDir;
    // Skip a CSV or picture that exists and is newer than its log.
    bool update = false;
    // Draw each log's picture: for a single log into `picture` ("-" for standard output), with
    // the CSV only when `output` names one; for many logs beside each CSV.
    bool plot = false;
    std::string picture;
    // The name on the CSV's first line for a log read from standard input.
    std::optional<std::string> logName;
    CsvProfile profile;
};

// The options of a command line (arguments[0] being the program), or the exit status to end
// with at once: 0 after --help or --version, 2 on wrong usage, its reason on standard error.
std::variant<ConverterOptions, int> parseCommandLine(const std::vector<std::string>& arguments);

// Writes why a command line cannot be carried out, and the usage lines, on standard error;
// returns the exit status of wrong usage, 2.
int usageError(const std::string& reason);

}  // namespace quillet
