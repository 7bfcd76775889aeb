#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/console.h"
#include "system/log_files.h"

namespace quillet {

struct LogList {
    std::vector<std::string> logs;
    // Folders that could not be listed or hold no logs, each already reported on standard
    // error.
    int failedFolders = 0;
    // Entries of folders that are named like logs but are no files, each already reported.
    int skipped = 0;
};

// The logs that the INPUTs of a command line name, in their order: a file stands for itself,
// "-" for standard input, a folder for the files directly in it named like logs, in name order.
// A log reached again, by another spelling or through a link, is listed once.
LogList listLogs(const std::vector<std::string>& inputs, Console& console);

// The log an INPUT names: a file, or for "-" standard input under the name given (or "-").
std::unique_ptr<LogInput> logInputOf(const std::string& input,
                                     const std::optional<std::string>& name);

// How messages name the log an INPUT names: its path, or for "-" the name given to it.
std::string logLabel(const std::string& input, const std::optional<std::string>& name);

}  // namespace quillet
