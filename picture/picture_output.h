#pragma once

#include <optional>
#include <string>

#include "conversion/log_io.h"
#include "conversion/log_job.h"
#include "conversion/run_reporting.h"
#include "picture/log_chart.h"

// A log's SVG picture as an output of its job, drawn from the chart its reading filled.
namespace quillet {

class PictureOutput : public LogOutput {
  public:
    // Reads the seconds of the log's records ahead, for the picture's time axis.
    PictureOutput(std::string title, ByteSource& source, const LogStart& start);

    // What the picture takes from the job's reading.
    SampleVisitor& reading() { return m_reading; }

    void end(WriteBuffer& out, const std::optional<ReadingStop>& stop) override;

  private:
    std::string m_title;
    long long m_recordCount;
    ChartReading m_reading;
};

// Draws the log into output, as a job of one output. A log that ends early is drawn up to its
// damage and then reported with the message its conversion gives; a log that cannot be read at
// all writes no picture. Returns Converted only when the whole log was drawn.
ConversionOutcome plotLog(LogInput& log, OutputTarget& output, ReportingServices& services);

}  // namespace quillet
