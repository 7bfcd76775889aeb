#pragma once

#include <optional>
#include <string>

#include "conversion/csv_profile.h"
#include "conversion/log_io.h"
#include "conversion/log_job.h"
#include "conversion/log_summary.h"
#include "conversion/run_reporting.h"
#include "page/log_samples.h"

// A log's HTML page as an output of its job, written from the samples and the summary the job
// read.
namespace quillet {

class PageOutput : public LogOutput {
  public:
    // The values and times are written in the profile's decimals.
    PageOutput(std::string title, const LogStart& start, const LogSamples& samples,
               const SummaryCollector& summary, const CsvProfile& profile)
        : m_title(std::move(title)),
          m_recordCount(start.header.recordCount()),
          m_samples(samples),
          m_summary(summary),
          m_profile(profile) {}

    std::size_t bufferSize() const override { return 1024 * 1024; }
    void end(WriteBuffer& out, const std::optional<ReadingStop>& stop) override;

  private:
    std::string m_title;
    long long m_recordCount;
    const LogSamples& m_samples;
    const SummaryCollector& m_summary;
    CsvProfile m_profile;
};

// Writes the page of the log into output, as a job of one output. A log that ends early is
// shown up to its damage and then reported with the message its conversion gives; a log that
// cannot be read at all writes no page. Returns Converted only when the whole log is on the
// page.
ConversionOutcome pageLog(LogInput& log, OutputTarget& output, ReportingServices& services,
                          const CsvProfile& profile = {});

}  // namespace quillet
