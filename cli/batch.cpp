#include "cli/batch.h"

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
#include "conversion/log_naming.h"
#include "conversion/log_records.h"
#include "page/page_run.h"
#include "picture/plot_run.h"
#include "system/file_access.h"
#include "system/log_files.h"
#include "system/paths.h"
#include "system/standard_streams.h"
#include "system/terminal.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;

// Forwards everything but messages, for a run whose failure was told already.
class WithoutMessages : public ReportingServices {
  public:
    explicit WithoutMessages(ReportingServices& services) : m_services(services) {}
    void setBusyPointer(bool busy) override { m_services.setBusyPointer(busy); }
    void setProgressMin(float min) override { m_services.setProgressMin(min); }
    void setProgressMax(float max) override { m_services.setProgressMax(max); }
    void setProgressValue(float value) override { m_services.setProgressValue(value); }
    void showMessage(const std::string&, MessageIcon) override {}
    void beep() override { m_services.beep(); }

  private:
    ReportingServices& m_services;
};

std::unique_ptr<OutputTarget> outputTarget(const std::string& path, const std::string& log,
                                           InPlaceOutputs inPlace) {
    if (isStandardStream(path)) return std::make_unique<system::StandardOutputTarget>();
    const auto input = isStandardStream(log) ? std::nullopt : std::optional(log);
    return std::make_unique<FileOutputTarget>(path, input, inPlace);
}

// The name a log's outputs are called after: the log's file name, or for standard input the
// name given to it.
std::string nameOfLog(const std::string& log, const ConverterOptions& options) {
    return std::string(fileNameOf(isStandardStream(log) ? *options.logName : log));
}

std::string inFolder(const std::string& folder, const std::string& name) {
    return utf8FromPath(pathFromUtf8(folder) / pathFromUtf8(name));
}

struct PlannedOutput {
    std::string log;
    std::string name;
};

std::string clashReason(const PlannedOutput& earlier, const PlannedOutput& later) {
    const std::string logs = "\"" + earlier.log + "\" and \"" + later.log + "\"";
    if (earlier.name == later.name) return logs + " would both write " + later.name;
    return logs + " would write " + earlier.name + " and " + later.name +
           ", which a folder on a disk that ignores letter case holds as one file";
}

// Pairs each log with its CSV, and its picture when plotting, in the folder. A log named twice
// is planned once; two logs whose outputs would be one file are wrong usage.
std::variant<std::vector<LogJob>, UsageError> planJobs(const std::vector<std::string>& logs,
                                                       const ConverterOptions& options) {
    std::map<std::string, PlannedOutput> outputsByName;
    std::vector<LogJob> jobs;
    for (const std::string& log : logs) {
        const std::string csvName = csvPathForLog(nameOfLog(log, options));
        const std::string stem = csvName.substr(0, csvName.size() - 4);
        const std::string pictureName = options.plot ? stem + ".svg" : "";
        const std::string pageName = options.html ? stem + ".html" : "";
        bool namedBefore = false;
        for (const std::string& name : {csvName, pictureName, pageName}) {
            if (name.empty()) continue;
            // One name in two letter cases is one file on Windows and macOS.
            const auto [earlier, added] =
                outputsByName.try_emplace(lowerCaseName(name), PlannedOutput{log, name});
            if (added) continue;
            namedBefore = !isStandardStream(log) && !isStandardStream(earlier->second.log) &&
                          namesOneFile(earlier->second.log, log);
            if (!namedBefore) return UsageError{clashReason(earlier->second, {log, name})};
            break;
        }
        if (namedBefore) continue;
        auto inOutputFolder = [&](const std::string& name) {
            return name.empty() ? name : inFolder(options.outputDir, name);
        };
        jobs.push_back(
            {log, inOutputFolder(csvName), inOutputFolder(pictureName), inOutputFolder(pageName)});
    }
    return jobs;
}

// The CSV's profile as the options give it, with line 1 spelling the log's name as this
// platform's spreadsheets read it, as the window writes it.
CsvProfile csvProfile(const ConverterOptions& options) {
    CsvProfile profile = options.profile;
    profile.nameEncoding = kCsvNameEncoding;
    return profile;
}

// Whether an output goes to a terminal: standard output that is one, or a path that names one
// ("CON" on Windows).
bool showsOnTerminal(const std::string& output) {
    if (isStandardStream(output)) return system::isTerminal(stdout);
    return !output.empty() && system::namesTerminal(pathFromUtf8(output));
}

}  // namespace

bool outputIsUpToDate(const std::string& logPath, const std::string& outputPath) {
    if (isStandardStream(logPath) || isStandardStream(outputPath)) return false;
    std::error_code error;
    const auto outputTime = fs::last_write_time(pathFromUtf8(outputPath), error);
    if (error) {
        return false;
    }
    const auto logTime = fs::last_write_time(pathFromUtf8(logPath), error);
    return !error && outputTime > logTime;
}

JobOutcome runJob(const LogJob& job, const ConverterOptions& options, ConsoleServices& console) {
    auto due = [&](const std::string& output) {
        return !output.empty() && !(options.update && outputIsUpToDate(job.log, output));
    };
    const std::unique_ptr<LogInput> log = logInputOf(job.log, options.logName);
    if (!due(job.csv) && !due(job.picture) && !due(job.page)) {
        // Outputs newer than their log prove nothing of a log that cannot be read whole.
        const auto read = runReported(console, [&] { readEveryRecord(log->source()); });
        return read == ConversionOutcome::Failed ? JobOutcome::Failed : JobOutcome::UpToDate;
    }
    const InPlaceOutputs inPlace =
        options.mode == ConverterMode::ManyLogs ? InPlaceOutputs::Refused : InPlaceOutputs::Written;
    bool failed = false;
    if (due(job.csv)) {
        failed = convertLog(*log, *outputTarget(job.csv, job.log, inPlace), console,
                            csvProfile(options)) == ConversionOutcome::Failed;
    }
    // Of a log whose conversion failed, the others are made as far as it allows, untold.
    auto alsoWrite = [&](const std::string& output, const auto& write) {
        if (!due(output)) return;
        WithoutMessages toldAlready(console);
        ReportingServices& services = failed ? static_cast<ReportingServices&>(toldAlready)
                                             : static_cast<ReportingServices&>(console);
        failed =
            write(*outputTarget(output, job.log, inPlace), services) == ConversionOutcome::Failed ||
            failed;
    };
    alsoWrite(job.picture, [&](OutputTarget& target, ReportingServices& services) {
        return plotLog(*log, target, services);
    });
    alsoWrite(job.page, [&](OutputTarget& target, ReportingServices& services) {
        return pageLog(*log, target, services, options.profile);
    });
    return failed ? JobOutcome::Failed : JobOutcome::Written;
}

int convertManyLogs(const ConverterOptions& options) {
    const LogList list = listLogs(options.inputs);
    const auto planned = planJobs(list.logs, options);
    if (const UsageError* wrong = std::get_if<UsageError>(&planned)) {
        system::writeStandardError(usageErrorText(*wrong));
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
            printFailure(options.outputDir, Failure(FailureNumber::PathFileAccessError));
            return 1;
        }
    }
    ConsoleServices console;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        console.beginLog(jobs[i].log, static_cast<int>(i + 1), static_cast<int>(jobs.size()));
        switch (runJob(jobs[i], options, console)) {
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
    const std::string skipped =
        upToDate > 0 ? ", " + std::to_string(upToDate) + " up to date" : std::string();
    system::writeStandardError(std::to_string(converted) + " converted" + skipped + ", " +
                               std::to_string(failed) + " failed\n");
    return failed == 0 ? 0 : 1;
}

int convertOneLog(const ConverterOptions& options) {
    ConsoleServices console(showsOnTerminal(options.output) || showsOnTerminal(options.picture) ||
                            showsOnTerminal(options.page));
    const LogJob job{options.inputs.front(), options.output, options.picture, options.page};
    return runJob(job, options, console) == JobOutcome::Failed ? 1 : 0;
}

}  // namespace quillet
