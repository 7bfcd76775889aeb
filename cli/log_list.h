#pragma once

#include <string>
#include <vector>

namespace quillet {

struct LogList {
    std::vector<std::string> logs;
    // Folders that could not be listed, each already reported on standard error.
    int unreadableFolders = 0;
};

// The logs that the INPUTs of a command line name, in their order: a file stands for itself,
// a folder for the files directly in it named like logs, in name order.
LogList listLogs(const std::vector<std::string>& inputs);

}  // namespace quillet
