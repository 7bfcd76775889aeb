#pragma once

#include <memory>
#include <optional>
#include <string>

#include "conversion/log_output.h"
#include "picture/log_chart.h"

// A log's SVG picture as an output, drawn from the chart its reading fills.
namespace quillet {

class PictureOutput : public LogOutput {
  public:
    // Reads the seconds of the log's records ahead, for the picture's time axis.
    PictureOutput(std::string title, ByteSource& source, const LogStart& start);

    void beginRecord(int record, int seconds) override { m_reading.beginRecord(record, seconds); }
    void sample(std::uint8_t hundredths, std::span<const std::uint8_t> raw) override {
        m_reading.sample(hundredths, raw);
    }
    void endRecord() override { m_reading.endRecord(); }
    // A log that ends early is drawn up to its damage, with a note of where it stopped.
    void end(WriteBuffer& out, const std::optional<ReadingStop>& stop) override;

  private:
    std::string m_title;
    long long m_recordCount;
    ChartReading m_reading;
};

std::unique_ptr<LogOutput> makePictureOutput(const LogToWrite& log);

}  // namespace quillet
