#include "cli/log_list.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "cli/console_services.h"
#include "cli/options.h"
#include "conversion/failure.h"
#include "conversion/log_naming.h"
#include "system/paths.h"
#include "system/standard_streams.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;

// The logs directly in a folder, sorted by name; false when the folder cannot be read.
bool addLogsInFolder(const fs::path& folder, std::vector<std::string>& logs) {
    std::vector<std::string> found;
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = utf8FromPath(entry->path().filename());
        std::error_code notAFile;
        if (isLogFileName(name) && entry->is_regular_file(notAFile)) {
            found.push_back(utf8FromPath(entry->path()));
        }
    }
    if (error) {
        return false;
    }
    std::sort(found.begin(), found.end());
    logs.insert(logs.end(), found.begin(), found.end());
    return true;
}

bool isFolder(const std::string& input) {
    std::error_code notAFolder;
    return !isStandardStream(input) && fs::is_directory(pathFromUtf8(input), notAFolder);
}

}  // namespace

LogList listLogs(const std::vector<std::string>& inputs) {
    LogList list;
    for (const std::string& input : inputs) {
        if (!isFolder(input)) {
            list.logs.push_back(input);
            continue;
        }
        const std::size_t before = list.logs.size();
        if (!addLogsInFolder(pathFromUtf8(input), list.logs)) {
            printFailure(input, Failure(FailureNumber::PathFileAccessError));
            ++list.failedFolders;
        } else if (list.logs.size() == before) {
            system::writeStandardError("quillet-convert: no logs in " + input + "\n");
            ++list.failedFolders;
        }
    }
    return list;
}

std::unique_ptr<LogInput> logInputOf(const std::string& input,
                                     const std::optional<std::string>& name) {
    if (isStandardStream(input)) {
        return std::make_unique<system::StandardInputLog>(name.value_or("-"));
    }
    return std::make_unique<FileLogInput>(input);
}

}  // namespace quillet
