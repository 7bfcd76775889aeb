#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "conversion/log_io.h"
#include "conversion/log_output.h"
#include "conversion/log_summary.h"
#include "conversion/run_reporting.h"
#include "page/html_page.h"
#include "page/log_samples.h"

// A log's HTML page as an output, written from the samples and the summary its reading keeps,
// after the runs of any logs read before it.
namespace quillet {

class PageOutput : public LogOutput {
  public:
    // The values and times are written in the settings' profile. Earlier runs, read whole or up
    // to their damage before this log, come first on the page.
    PageOutput(std::string title, const LogStart& start, PageSettings settings,
               std::vector<PageRun> earlierRuns = {})
        : m_title(std::move(title)),
          m_recordCount(start.header.recordCount()),
          m_samples(start),
          m_summary(start),
          m_settings(std::move(settings)),
          m_earlierRuns(std::move(earlierRuns)) {}

    std::size_t bufferSize() const override { return 1024 * 1024; }
    void beginRecord(int record, int seconds) override {
        m_samples.beginRecord(record, seconds);
        m_summary.beginRecord(record, seconds);
    }
    void sample(std::uint8_t hundredths, std::span<const std::uint8_t> raw) override {
        m_samples.sample(hundredths, raw);
        m_summary.sample(hundredths, raw);
    }
    void endRecord() override {
        m_samples.endRecord();
        m_summary.endRecord();
    }
    // A log that ends early is shown up to its damage, with a note of where it stopped.
    void end(WriteBuffer& out, const std::optional<ReadingStop>& stop) override;

  private:
    std::string m_title;
    long long m_recordCount;
    LogSamples m_samples;
    SummaryCollector m_summary;
    PageSettings m_settings;
    std::vector<PageRun> m_earlierRuns;
};

// The page of one log, opening with the setup the log's writing names.
std::unique_ptr<LogOutput> makePageOutput(const LogToWrite& log);

// Called with a log's index before it is read, and again before the failure of a damaged log is
// reported, so that the caller may name that log in the messages and progress that follow.
using PageLogBegins = std::function<void(std::size_t log)>;

// Writes one page of the logs (at most kMostPageRuns) into output, the first the reference the
// others are compared with: the logs are read in turn, and the page is written once the last is
// read, as writeLogOutputs writes one log's. A log that cannot be read at all writes no page. A
// log that ends early is shown up to its damage, and the run then fails as that log's conversion
// does. Every failure ends in a message through the services; returns Converted only when every
// log is on the page whole.
ConversionOutcome pageLogs(std::span<const std::unique_ptr<LogInput>> logs, OutputTarget& output,
                           ReportingServices& services, const PageSettings& settings = {},
                           const PageLogBegins& logBegins = {});

}  // namespace quillet
