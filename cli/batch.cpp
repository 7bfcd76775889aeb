#include "cli/batch.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <system_error>
#include <variant>
#include <vector>

#include "cli/log_list.h"
#include "conversion/conversion_run.h"
#include "conversion/failure.h"
#include "conversion/log_job.h"
#include "conversion/log_naming.h"
#include "conversion/log_reading.h"
#include "conversion/log_summary.h"
#include "conversion/utf8_text.h"
#include "page/page_output.h"
#include "picture/picture_output.h"
#include "system/file_access.h"
#include "system/file_identity.h"
#include "system/file_times.h"
#include "system/log_files.h"
#include "system/paths.h"
#include "system/standard_streams.h"
#include "system/terminal.h"

namespace quillet {

namespace fs = std::filesystem;

std::unique_ptr<OutputTarget> outputTarget(const std::string& path, const std::string& log,
                                           InPlaceOutputs inPlace) {
    if (isStandardStream(path)) return std::make_unique<system::StandardOutputTarget>();
    const auto input = isStandardStream(log) ? std::nullopt : std::optional(log);
    return std::make_unique<FileOutputTarget>(path, input, inPlace);
}

bool showsOnTerminal(const std::string& output) {
    if (isStandardStream(output)) return system::isTerminal(stdout);
    return !output.empty() && system::namesTerminal(pathFromUtf8(output));
}

namespace {

// The name a log's outputs are called after: the log's file name, or for standard input the
// name given to it.
std::string nameOfLog(const std::string& log, const ConverterOptions& options) {
    return std::string(storedFileName(fileNameOf(isStandardStream(log) ? *options.logName : log)));
}

std::string inFolder(const std::string& folder, const std::string& name) {
    return utf8FromPath(pathFromUtf8(folder) / pathFromUtf8(name));
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

// Pairs each log with its CSV, and its picture and page when asked for, in the folder; two logs
// whose outputs would be one file are wrong usage.
std::variant<std::vector<LogJob>, UsageError> planJobs(const std::vector<std::string>& logs,
                                                       const ConverterOptions& options) {
    std::map<std::string, PlannedOutput> outputsByName;
    std::vector<LogJob> jobs;
    for (const std::string& log : logs) {
        const std::string stem(withoutDatabaseExtension(nameOfLog(log, options)));
        const std::string csvName = stem + ".csv";
        const std::string pictureName = options.plot ? stem + ".svg" : "";
        const std::string pageName = options.html ? stem + ".html" : "";
        for (const std::string& name : {csvName, pictureName, pageName}) {
            if (name.empty()) continue;
            // One name in two letter cases is one file on Windows and macOS.
            const auto [earlier, added] =
                outputsByName.try_emplace(lowerCaseName(name), PlannedOutput{log, name});
            if (!added) return UsageError{clashReason(earlier->second, {log, name})};
        }
        auto inOutputFolder = [&](const std::string& name) {
            return name.empty() ? name : inFolder(options.outputDir, name);
        };
        jobs.push_back(
            {log, inOutputFolder(csvName), inOutputFolder(pictureName), inOutputFolder(pageName)});
    }
    return jobs;
}

// The outputs of one log and the readings they are written from, made once the log's start
// is read.
class JobOutputs {
  public:
    JobOutputs(const LogJob& job, const std::vector<std::string>& due, LogInput& log,
               const LogStart& start, const ConverterOptions& options) {
        const InPlaceOutputs inPlace = options.mode == ConverterMode::ManyLogs
                                           ? InPlaceOutputs::Refused
                                           : InPlaceOutputs::Written;
        auto isDue = [&](const std::string& output) {
            return std::find(due.begin(), due.end(), output) != due.end();
        };
        auto add = [&](LogOutput& output, const std::string& path) {
            m_targets.push_back(outputTarget(path, job.log, inPlace));
            m_outputs.push_back({output, *m_targets.back()});
        };
        CsvProfile profile = options.profile;
        profile.nameEncoding = kCsvNameEncoding;
        if (isDue(job.csv)) {
            m_csv.emplace(log.fileName(), start, profile);
            m_visitors.push_back(&*m_csv);
            add(*m_csv, job.csv);
        }
        if (isDue(job.picture)) {
            m_picture.emplace(log.fileName(), log.source(), start);
            m_visitors.push_back(&m_picture->reading());
            add(*m_picture, job.picture);
        }
        if (isDue(job.page)) {
            m_samples.emplace(start);
            m_summary.emplace(start);
            m_visitors.push_back(&*m_samples);
            m_visitors.push_back(&*m_summary);
            m_page.emplace(log.fileName(), start, *m_samples, *m_summary,
                           PageSettings{profile, options.pageSetup});
            add(*m_page, job.page);
        }
    }

    std::span<const JobOutput> outputs() const { return m_outputs; }
    std::span<SampleVisitor* const> visitors() const { return m_visitors; }

  private:
    std::optional<CsvOutput> m_csv;
    std::optional<LogSamples> m_samples;
    std::optional<SummaryCollector> m_summary;
    std::optional<PictureOutput> m_picture;
    std::optional<PageOutput> m_page;
    std::vector<std::unique_ptr<OutputTarget>> m_targets;
    std::vector<JobOutput> m_outputs;
    std::vector<SampleVisitor*> m_visitors;
};

}  // namespace

bool outputIsUpToDate(const std::string& logPath, const std::string& outputPath) {
    if (isStandardStream(logPath) || isStandardStream(outputPath)) return false;
    return system::writtenAfter(pathFromUtf8(outputPath), pathFromUtf8(logPath));
}

JobOutcome runJob(const LogJob& job, const ConverterOptions& options, ConsoleServices& console) {
    std::vector<std::string> due;
    for (const std::string& output : {job.csv, job.picture, job.page}) {
        if (!output.empty() && !(options.update && outputIsUpToDate(job.log, output))) {
            due.push_back(output);
        }
    }
    const std::unique_ptr<LogInput> log = logInputOf(job.log, options.logName);
    // Outputs newer than their log prove nothing of a log that cannot be read whole, so a log
    // is read to its end even when no output is due.
    const ConversionOutcome outcome = runReported(console, [&] {
        ByteSource& source = log->source();
        const LogStart start = readLogStart(source);
        const JobOutputs outputs(job, due, *log, start, options);
        writeLogOutputs(source, start, outputs.outputs(), outputs.visitors(), console);
    });
    if (outcome == ConversionOutcome::Failed) return JobOutcome::Failed;
    return due.empty() ? JobOutcome::UpToDate : JobOutcome::Written;
}

std::optional<UsageError> lostLogError(const std::vector<LogJob>& jobs, bool manyLogs) {
    std::map<system::FileIdentity, std::string> logs;
    for (const LogJob& job : jobs) {
        if (isStandardStream(job.log)) continue;
        if (const auto identity = system::identityOf(pathFromUtf8(job.log))) {
            logs.try_emplace(*identity, job.log);
        }
    }
    for (const LogJob& job : jobs) {
        const std::string of = manyLogs ? " of " + displayName(job.log) : "";
        const std::pair<const char*, const std::string&> outputs[] = {
            {"the CSV", job.csv}, {"the picture", job.picture}, {"the page", job.page}};
        for (const auto& [role, output] : outputs) {
            if (output.empty() || isStandardStream(output)) continue;
            const std::string written = role + of + " would be written over ";
            const auto identity = system::identityOf(pathFromUtf8(output));
            if (const auto log = identity ? logs.find(*identity) : logs.end(); log != logs.end()) {
                return UsageError{written + "the log " + displayName(log->second)};
            }
            if (const std::optional<std::string> reason = outputLosingALog(output)) {
                return UsageError{written + displayName(output) + ", which " + *reason +
                                  "; no output replaces a log"};
            }
        }
    }
    return std::nullopt;
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
        std::error_code notCreated;
        // Made absolute first, so that a folder relative to a drive's own folder ("D:csv") is
        // made where Windows writes into it.
        fs::create_directories(fs::absolute(pathFromUtf8(options.outputDir)), notCreated);
        if (notCreated) {
            printFailure(console, options.outputDir, Failure(FailureNumber::PathFileAccessError));
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
    const LogJob job{options.inputs.front(), options.output, options.picture, options.page};
    if (const std::optional<UsageError> lost = lostLogError({job}, false)) {
        console.writeError(usageErrorText(*lost));
        return 2;
    }
    ConsoleServices services(console, showsOnTerminal(options.output) ||
                                          showsOnTerminal(options.picture) ||
                                          showsOnTerminal(options.page));
    return runJob(job, options, services) == JobOutcome::Failed ? 1 : 0;
}

}  // namespace quillet
