#include "cli/log_list.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <variant>

#include "cli/console_services.h"
#include "cli/options.h"
#include "conversion/failure.h"
#include "conversion/log_naming.h"
#include "conversion/utf8_text.h"
#include "system/file_identity.h"
#include "system/folders.h"
#include "system/paths.h"
#include "system/standard_streams.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;

// Why a folder's entry named like a log is no log to read, if it is none.
std::optional<std::string> whyNoLog(system::EntryKind kind) {
    switch (kind) {
        case system::EntryKind::File:
            return std::nullopt;
        case system::EntryKind::Missing:
            return "a link to nothing";
        case system::EntryKind::Folder:
            return "a folder";
        case system::EntryKind::Other:
            break;
    }
    return "not a file (a pipe, a socket or a device)";
}

// The logs directly in a folder, sorted by name, and the entries named like logs that are none,
// reported.
void addLogsInFolder(const fs::path& folder, LogList& list, Console& console) {
    std::vector<std::string> found;
    std::vector<std::pair<std::string, std::string>> skipped;
    for (const system::FolderEntry& entry : system::folderEntries(folder)) {
        if (!isLogFileName(entry.name)) continue;
        const std::string path = system::utf8FromPath(entry.path);
        if (const std::optional<std::string> reason = whyNoLog(entry.kind)) {
            skipped.emplace_back(path, *reason);
        } else {
            found.push_back(path);
        }
    }
    std::sort(found.begin(), found.end());
    std::sort(skipped.begin(), skipped.end());
    list.logs.insert(list.logs.end(), found.begin(), found.end());
    for (const auto& [path, reason] : skipped) {
        console.writeError(displayName(path) + ": skipped: " + reason + "\n");
        ++list.skipped;
    }
}

bool isFolder(const std::string& input) {
    return !isStandardStream(input) && system::isFolder(system::pathFromUtf8(input));
}

// What tells a log from every other: its file's identity, or for a path where no file is, the
// path as it would be made.
using LogKey = std::variant<system::FileIdentity, std::string>;

LogKey keyOf(const std::string& log) {
    const fs::path path = system::pathFromUtf8(log);
    if (const std::optional<system::FileIdentity> identity = system::identityOf(path)) {
        return *identity;
    }
    const std::optional<fs::path> spelled = system::absoluteSpelling(path);
    return spelled ? system::utf8FromPath(*spelled) : log;
}

// The logs, each once: a log reached again by another spelling or through a link is left out.
std::vector<std::string> eachOnce(const std::vector<std::string>& logs) {
    std::set<LogKey> seen;
    std::vector<std::string> once;
    for (const std::string& log : logs) {
        if (isStandardStream(log) || seen.insert(keyOf(log)).second) once.push_back(log);
    }
    return once;
}

}  // namespace

LogList listLogs(const std::vector<std::string>& inputs, Console& console) {
    LogList list;
    for (const std::string& input : inputs) {
        if (!isFolder(input)) {
            list.logs.push_back(input);
            continue;
        }
        const std::size_t before = list.logs.size();
        try {
            addLogsInFolder(system::pathFromUtf8(input), list, console);
        } catch (const Failure& failure) {
            printFailure(console, input, failure);
            ++list.failedFolders;
            continue;
        }
        if (list.logs.size() == before) {
            console.writeError("quillet-convert: no logs in " + displayName(input) + "\n");
            ++list.failedFolders;
        }
    }
    list.logs = eachOnce(list.logs);
    return list;
}

std::unique_ptr<LogInput> logInputOf(const std::string& input,
                                     const std::optional<std::string>& name) {
    if (isStandardStream(input)) {
        return std::make_unique<system::StandardInputLog>(name.value_or("-"));
    }
    return std::make_unique<system::FileLogInput>(input);
}

std::string logLabel(const std::string& input, const std::optional<std::string>& name) {
    return isStandardStream(input) ? name.value_or("standard input") : input;
}

}  // namespace quillet
