#include "log_list.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "console_services.h"
#include "conversion_run.h"
#include "failure.h"
#include "log_naming.h"
#include "platform_file.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;

// The logs directly in a folder, sorted by name; false when the folder cannot be read.
bool addLogsInFolder(const fs::path& folder, std::vector<std::string>& logs) {
    std::vector<std::string> found;
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = platform::utf8FromPath(entry->path().filename());
        std::error_code notAFile;
        if (isLogFileName(name) && entry->is_regular_file(notAFile)) {
            found.push_back(platform::utf8FromPath(entry->path()));
        }
    }
    if (error) {
        return false;
    }
    std::sort(found.begin(), found.end());
    logs.insert(logs.end(), found.begin(), found.end());
    return true;
}

}  // namespace

LogList listLogs(const std::vector<std::string>& inputs) {
    LogList list;
    for (const std::string& input : inputs) {
        std::error_code notAFolder;
        const fs::path path = platform::pathFromUtf8(input);
        if (!fs::is_directory(path, notAFolder)) {
            list.logs.push_back(input);
        } else if (!addLogsInFolder(path, list.logs)) {
            const Failure unreadable(FailureNumber::PathFileAccessError);
            printMessage(input, failureMessage(unreadable.number(), unreadable.description()));
            ++list.unreadableFolders;
        }
    }
    return list;
}

}  // namespace quillet
