#include "batch.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <system_error>
#include <vector>

#include "console_services.h"
#include "conversion_run.h"
#include "failure.h"
#include "log_list.h"
#include "log_naming.h"
#include "platform_file.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;

struct Job {
    std::string log;
    std::string csv;
};

// Pairs each log with its CSV in the folder. Fails with the usage message when two logs would
// write the same CSV.
bool planJobs(const std::vector<std::string>& logs, const std::string& folder,
              std::vector<Job>& jobs) {
    std::map<std::string, std::string> logByCsv;
    for (const std::string& log : logs) {
        const std::string csvName = csvPathForLog(inputFileName(log));
        // One name in two letter cases is one file on Windows and macOS.
        const auto [earlier, added] = logByCsv.try_emplace(lowerCaseName(csvName), log);
        if (!added) {
            usageError("\"" + earlier->second + "\" and \"" + log + "\" would both write " +
                       csvName);
            return false;
        }
        jobs.push_back({log, platform::utf8FromPath(platform::pathFromUtf8(folder) /
                                                    platform::pathFromUtf8(csvName))});
    }
    return true;
}

}  // namespace

bool csvIsUpToDate(const std::string& logPath, const std::string& csvPath) {
    std::error_code error;
    const auto csvTime = fs::last_write_time(platform::pathFromUtf8(csvPath), error);
    if (error) {
        return false;
    }
    const auto logTime = fs::last_write_time(platform::pathFromUtf8(logPath), error);
    return !error && csvTime > logTime;
}

int convertManyLogs(const ConverterOptions& options) {
    const LogList list = listLogs(options.inputs);
    std::vector<Job> jobs;
    if (!planJobs(list.logs, options.outputDir, jobs)) {
        return 2;
    }
    std::error_code notCreated;
    fs::create_directories(platform::pathFromUtf8(options.outputDir), notCreated);
    if (notCreated) {
        const Failure noFolder(FailureNumber::PathFileAccessError);
        printMessage(options.outputDir, failureMessage(noFolder.number(), noFolder.description()));
        return 1;
    }

    int converted = 0;
    int upToDate = 0;
    int failed = list.unreadableFolders;
    ConsoleServices console;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        const Job& job = jobs[i];
        if (options.update && csvIsUpToDate(job.log, job.csv)) {
            ++upToDate;
            continue;
        }
        console.beginLog(job.log, static_cast<int>(i + 1), static_cast<int>(jobs.size()));
        if (convertLog(job.log, job.csv, console, options.profile) ==
            ConversionOutcome::Converted) {
            ++converted;
        } else {
            ++failed;
        }
    }
    const std::string skipped =
        upToDate > 0 ? ", " + std::to_string(upToDate) + " up to date" : std::string();
    std::fprintf(stderr, "%d converted%s, %d failed\n", converted, skipped.c_str(), failed);
    return failed == 0 ? 0 : 1;
}

}  // namespace quillet
