#pragma once

#include <optional>
#include <string>

#include "chart/log_samples.h"
#include "conversion/log_io.h"
#include "conversion/log_job.h"
#include "conversion/run_reporting.h"

// A log's SVG picture as an output of its job, drawn from the samples the job read.
namespace quillet {

class PictureOutput : public LogOutput {
  public:
    PictureOutput(std::string title, const LogStart& start, const LogSamples& samples)
        : m_title(std::move(title)),
          m_recordCount(start.header.recordCount()),
          m_samples(samples) {}

    void end(WriteBuffer& out, const std::optional<ReadingStop>& stop) override;

  private:
    std::string m_title;
    long long m_recordCount;
    const LogSamples& m_samples;
};

// Draws the log into output, as a job of one output. A log that ends early is drawn up to its
// damage and then reported with the message its conversion gives; a log that cannot be read at
// all writes no picture. Returns Converted only when the whole log was drawn.
ConversionOutcome plotLog(LogInput& log, OutputTarget& output, ReportingServices& services);

}  // namespace quillet
