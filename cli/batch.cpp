#include "cli/batch.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

#include "cli/log_list.h"
#include "conversion/failure.h"
#include "conversion/log_naming.h"
#include "conversion/log_output.h"
#include "conversion/utf8_text.h"
#include "system/file_access.h"
#include "system/file_identity.h"
#include "system/file_times.h"
#include "system/folders.h"
#include "system/log_files.h"
#include "system/paths.h"
#include "system/standard_streams.h"
#include "system/terminal.h"

namespace quillet {

std::unique_ptr<OutputTarget> outputTarget(const std::string& path, const std::string& log,
                                           system::InPlaceOutputs inPlace) {
    if (isStandardStream(path)) return std::make_unique<system::StandardOutputTarget>();
    const auto input = isStandardStream(log) ? std::nullopt : std::optional(log);
    return std::make_unique<system::FileOutputTarget>(path, input, inPlace);
}

bool showsOnTerminal(const std::string& output) {
    if (isStandardStream(output)) return system::isTerminal(stdout);
    return !output.empty() && system::namesTerminal(system::pathFromUtf8(output));
}

namespace {

// The name a log's outputs are called after: the log's file name, or for standard input the
// name given to it.
std::string nameOfLog(const std::string& log, const ConverterOptions& options) {
    return std::string(
        system::storedFileName(system::fileNameOf(isStandardStream(log) ? *options.logName : log)));
}

std::string inFolder(const std::string& folder, const std::string& name) {
    return system::utf8FromPath(system::pathFromUtf8(folder) / system::pathFromUtf8(name));
}

struct PlannedOutput {
    std::string log;
    std::string name;
};

std::string clashReason(const PlannedOutput& earlier, const PlannedOutput& later) {
    const std::string logs =
        "\"" + displayName(earlier.log) + "\" and \"" + displayName(later.log) + "\"";
    if (earlier.name == later.name) return logs + " would both write " + displayName(later.name);
    return logs + " would write " + displayName(earlier.name) + " and " + displayName(later.name) +
           ", which a folder on a disk that ignores letter case holds as one file";
}

// Pairs each log with its outputs in the folder, each named after the log; two logs whose
// outputs would be one file are wrong usage.
std::variant<std::vector<LogJob>, UsageError> planJobs(const std::vector<std::string>& logs,
                                                       const ConverterOptions& options) {
    std::map<std::string, PlannedOutput> outputsByName;
    std::vector<LogJob> jobs;
    for (const std::string& log : logs) {
        const std::string stem(withoutDatabaseExtension(nameOfLog(log, options)));
        LogJob& job = jobs.emplace_back(LogJob{log, {}});
        for (const RequestedOutput& requested : options.outputs) {
            const std::string name = stem + std::string(entryOf(requested.kind).extension);
            // One name in two letter cases is one file on Windows and macOS.
            const auto [earlier, added] =
                outputsByName.try_emplace(lowerCaseName(name), PlannedOutput{log, name});
            if (!added) return UsageError{clashReason(earlier->second, {log, name})};
            job.outputs.push_back({requested.kind, inFolder(options.outputDir, name)});
        }
    }
    return jobs;
}

// The path the checks judge an output by: its own, or standard output's file where it is one;
// nothing for standard output that is no file.
std::optional<std::string> checkedPath(const std::string& output,
                                       const std::optional<std::string>& standardOutput) {
    if (isStandardStream(output)) return standardOutput;
    return output;
}

// Two outputs of one log going to one file where one is standard output's, which only the file
// standard output is found to be can tell.
std::optional<UsageError> standardOutputClash(const LogJob& job,
                                              const std::optional<std::string>& standardOutput) {
    if (!standardOutput) return std::nullopt;
    for (const RequestedOutput& first : job.outputs) {
        for (const RequestedOutput& second : job.outputs) {
            if (!isStandardStream(first.path) || isStandardStream(second.path)) continue;
            if (system::namesOneFile(*standardOutput, second.path)) {
                return UsageError{std::string(entryOf(first.kind).role) + " and " +
                                  std::string(entryOf(second.kind).role) +
                                  " would both be written to " + displayName(second.path) +
                                  ", which standard output is"};
            }
        }
    }
    return std::nullopt;
}

}  // namespace

bool outputIsUpToDate(const std::string& logPath, const std::string& outputPath) {
    if (isStandardStream(logPath) || isStandardStream(outputPath)) return false;
    return system::writtenAfter(system::pathFromUtf8(outputPath), system::pathFromUtf8(logPath));
}

JobOutcome runJob(const LogJob& job, const ConverterOptions& options, ConsoleServices& console) {
    const system::InPlaceOutputs inPlace = options.mode == ConverterMode::ManyLogs
                                               ? system::InPlaceOutputs::Refused
                                               : system::InPlaceOutputs::Written;
    std::vector<std::unique_ptr<OutputTarget>> targets;
    std::vector<OutputOrder> due;
    for (const RequestedOutput& output : job.outputs) {
        if (options.update && outputIsUpToDate(job.log, output.path)) continue;
        targets.push_back(outputTarget(output.path, job.log, inPlace));
        due.push_back({entryOf(output.kind).make, *targets.back()});
    }
    SpreadsheetProfile profile = options.profile;
    profile.nameEncoding = system::kCsvNameEncoding;
    const std::unique_ptr<LogInput> log = logInputOf(job.log, options.logName);
    // Outputs newer than their log prove nothing of a log that cannot be read whole, so a log
    // is read to its end even when no output is due.
    if (writeLogOutputs(*log, due, console, profile, options.pageSetup) ==
        ConversionOutcome::Failed) {
        return JobOutcome::Failed;
    }
    return due.empty() ? JobOutcome::UpToDate : JobOutcome::Written;
}

namespace {

using LogsByIdentity = std::map<system::FileIdentity, std::string>;

LogsByIdentity logsByIdentity(const std::vector<std::string>& logs) {
    LogsByIdentity byIdentity;
    for (const std::string& log : logs) {
        if (isStandardStream(log)) continue;
        if (const auto identity = system::identityOf(system::pathFromUtf8(log))) {
            byIdentity.try_emplace(*identity, log);
        }
    }
    return byIdentity;
}

// Why `what` ("the CSV", "the page of X.pdb") written at `path` would lose a log, if it would.
// Standard output, where it is a file, is named as what it is.
std::optional<UsageError> lossAt(const std::string& what, const std::string& path,
                                 bool standardOutput, const LogsByIdentity& logs) {
    const std::string written =
        what + (standardOutput ? " would be written to standard output, which is "
                               : " would be written over ");
    const auto identity = system::identityOf(system::pathFromUtf8(path));
    if (const auto log = identity ? logs.find(*identity) : logs.end(); log != logs.end()) {
        return UsageError{written + "the log " + displayName(log->second)};
    }
    if (const std::optional<std::string> reason = system::outputLosingALog(path)) {
        return UsageError{written +
                          (standardOutput ? "a file that" : displayName(path) + ", which") + " " +
                          *reason + "; no output replaces a log"};
    }
    return std::nullopt;
}

}  // namespace

std::optional<UsageError> lostLogError(const std::vector<LogJob>& jobs, bool manyLogs,
                                       const std::optional<std::string>& standardOutput) {
    std::vector<std::string> logs;
    for (const LogJob& job : jobs) logs.push_back(job.log);
    const LogsByIdentity byIdentity = logsByIdentity(logs);
    for (const LogJob& job : jobs) {
        const std::string of = manyLogs ? " of " + displayName(job.log) : "";
        for (const RequestedOutput& output : job.outputs) {
            const std::optional<std::string> path = checkedPath(output.path, standardOutput);
            if (!path) continue;
            const std::string what = std::string(entryOf(output.kind).role) + of;
            if (auto lost = lossAt(what, *path, isStandardStream(output.path), byIdentity)) {
                return lost;
            }
        }
    }
    return std::nullopt;
}

std::optional<UsageError> standardOutputLosesALog(
    std::string_view what, const std::vector<std::string>& logs,
    const std::optional<std::string>& standardOutput) {
    if (!standardOutput) return std::nullopt;
    return lossAt(std::string(what), *standardOutput, true, logsByIdentity(logs));
}

int convertManyLogs(const ConverterOptions& options, Console& console) {
    const LogList list = listLogs(options.inputs, console);
    auto planned = planJobs(list.logs, options);
    if (const auto* jobs = std::get_if<std::vector<LogJob>>(&planned)) {
        if (auto lost = lostLogError(*jobs, true)) planned = *lost;
    }
    if (const UsageError* wrong = std::get_if<UsageError>(&planned)) {
        console.writeError(usageErrorText(*wrong));
        return 2;
    }
    const auto& jobs = std::get<std::vector<LogJob>>(planned);
    int converted = 0;
    int upToDate = 0;
    int failed = list.failedFolders;
    if (!jobs.empty()) {
        try {
            system::createFolders(system::pathFromUtf8(options.outputDir));
        } catch (const Failure& failure) {
            printFailure(console, options.outputDir, failure);
            return 1;
        }
    }
    ConsoleServices services(console);
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        services.beginLog(logLabel(jobs[i].log, options.logName), static_cast<int>(i + 1),
                          static_cast<int>(jobs.size()));
        switch (runJob(jobs[i], options, services)) {
            case JobOutcome::Written:
                ++converted;
                break;
            case JobOutcome::UpToDate:
                ++upToDate;
                break;
            case JobOutcome::Failed:
                ++failed;
                break;
        }
    }
    const auto counted = [](int count, const char* what) {
        return ", " + std::to_string(count) + " " + what;
    };
    console.writeError(std::to_string(converted) + " converted" +
                       (upToDate > 0 ? counted(upToDate, "up to date") : "") +
                       counted(failed, "failed") +
                       (list.skipped > 0 ? counted(list.skipped, "skipped") : "") + "\n");
    return failed == 0 ? 0 : 1;
}

int convertOneLog(const ConverterOptions& options, Console& console) {
    const LogJob job{options.inputs.front(), options.outputs};
    const std::optional<std::string> standardOutput = console.outputFile();
    std::optional<UsageError> wrong = lostLogError({job}, false, standardOutput);
    if (!wrong) wrong = standardOutputClash(job, standardOutput);
    if (wrong) {
        console.writeError(usageErrorText(*wrong));
        return 2;
    }
    bool onTerminal = false;
    for (const RequestedOutput& output : job.outputs) onTerminal |= showsOnTerminal(output.path);
    ConsoleServices services(console, onTerminal);
    // Every message names the file it is about: the log, or the output that failed.
    services.beginLog(logLabel(job.log, options.logName));
    return runJob(job, options, services) == JobOutcome::Failed ? 1 : 0;
}

}  // namespace quillet
