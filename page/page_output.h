#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "conversion/csv_profile.h"
#include "conversion/log_io.h"
#include "conversion/log_job.h"
#include "conversion/log_summary.h"
#include "conversion/run_reporting.h"
#include "page/html_page.h"
#include "page/log_samples.h"

// A log's HTML page as an output of its job, written from the samples and the summary the job
// read, after the runs of any logs read before it.
namespace quillet {

class PageOutput : public LogOutput {
  public:
    // The values and times are written in the settings' profile. Earlier runs, read whole or up
    // to their damage before this log, come first on the page.
    PageOutput(std::string title, const LogStart& start, const LogSamples& samples,
               const SummaryCollector& summary, PageSettings settings,
               std::vector<PageRun> earlierRuns = {})
        : m_title(std::move(title)),
          m_recordCount(start.header.recordCount()),
          m_samples(samples),
          m_summary(summary),
          m_settings(std::move(settings)),
          m_earlierRuns(std::move(earlierRuns)) {}

    std::size_t bufferSize() const override { return 1024 * 1024; }
    void end(WriteBuffer& out, const std::optional<ReadingStop>& stop) override;

  private:
    std::string m_title;
    long long m_recordCount;
    const LogSamples& m_samples;
    const SummaryCollector& m_summary;
    PageSettings m_settings;
    std::vector<PageRun> m_earlierRuns;
};

// Called with a log's index before it is read, and again before the failure of a damaged log is
// reported, so that the caller may name that log in the messages and progress that follow.
using PageLogBegins = std::function<void(std::size_t log)>;

// Writes one page of the logs into output, the first the reference the others are compared
// with, as a job of one output: the logs are read in turn, and the page is written from their
// readings once the last is read. A log that cannot be read at all writes no page. A log that
// ends early is shown up to its damage, and the run then fails as that log's conversion does.
// Returns Converted only when every log is on the page whole.
ConversionOutcome pageLogs(std::span<LogInput* const> logs, OutputTarget& output,
                           ReportingServices& services, const PageSettings& settings = {},
                           const PageLogBegins& logBegins = {});

// The page of one log, as pageLogs writes it.
ConversionOutcome pageLog(LogInput& log, OutputTarget& output, ReportingServices& services,
                          const CsvProfile& profile = {});

}  // namespace quillet
