#include "batch.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <system_error>
#include <vector>

#include "console_services.h"
#include "conversion_run.h"
#include "failure.h"
#include "log_list.h"
#include "log_naming.h"
#include "platform_file.h"
#include "plot_run.h"

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

// "-" names standard output, and as the log, standard input, read under --name's name.
std::unique_ptr<OutputTarget> outputTarget(const std::string& path, const std::string& log) {
    if (path == "-") return std::make_unique<StandardOutputTarget>();
    return std::make_unique<FileOutputTarget>(path, log == "-" ? std::nullopt : std::optional(log));
}

std::unique_ptr<LogInput> logInput(const std::string& log, const ConverterOptions& options) {
    if (log == "-") return std::make_unique<StandardInputLog>(options.logName.value_or("-"));
    return std::make_unique<FileLogInput>(log);
}

std::string inFolder(const std::string& folder, const std::string& name) {
    return platform::utf8FromPath(platform::pathFromUtf8(folder) / platform::pathFromUtf8(name));
}

// Pairs each log with its CSV, and its picture when plotting, in the folder. Fails with the
// usage message when two logs would write the same CSV.
bool planJobs(const std::vector<std::string>& logs, const ConverterOptions& options,
              std::vector<LogJob>& jobs) {
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
        const std::string pictureName = csvName.substr(0, csvName.size() - 4) + ".svg";
        jobs.push_back({log, inFolder(options.outputDir, csvName),
                        options.plot ? inFolder(options.outputDir, pictureName) : ""});
    }
    return true;
}

}  // namespace

bool outputIsUpToDate(const std::string& logPath, const std::string& outputPath) {
    std::error_code error;
    const auto outputTime = fs::last_write_time(platform::pathFromUtf8(outputPath), error);
    if (error) {
        return false;
    }
    const auto logTime = fs::last_write_time(platform::pathFromUtf8(logPath), error);
    return !error && outputTime > logTime;
}

JobOutcome runJob(const LogJob& job, const ConverterOptions& options, ConsoleServices& console) {
    auto due = [&](const std::string& output) {
        return !output.empty() && !(options.update && outputIsUpToDate(job.log, output));
    };
    bool written = false;
    bool failed = false;
    if (due(job.csv)) {
        failed = convertLog(*logInput(job.log, options), *outputTarget(job.csv, job.log), console,
                            options.profile) == ConversionOutcome::Failed;
        written = true;
    }
    if (due(job.picture)) {
        WithoutMessages toldAlready(console);
        ReportingServices& services = failed ? static_cast<ReportingServices&>(toldAlready)
                                             : static_cast<ReportingServices&>(console);
        failed = plotLog(job.log, *outputTarget(job.picture, job.log), services) ==
                     ConversionOutcome::Failed ||
                 failed;
        written = true;
    }
    return failed ? JobOutcome::Failed : written ? JobOutcome::Written : JobOutcome::UpToDate;
}

int convertManyLogs(const ConverterOptions& options) {
    const LogList list = listLogs(options.inputs);
    std::vector<LogJob> jobs;
    if (!planJobs(list.logs, options, jobs)) {
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
    std::fprintf(stderr, "%d converted%s, %d failed\n", converted, skipped.c_str(), failed);
    return failed == 0 ? 0 : 1;
}

}  // namespace quillet
