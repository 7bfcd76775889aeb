#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "conversion/log_output.h"
#include "conversion/log_reading.h"
#include "conversion/spreadsheet_profile.h"

// The CSV of a log, written line by line as the samples are read.
namespace quillet {

// The log's file name, the channels' headings, and a line of cells for each sample. A line
// reaches the output only once all its bytes were read.
class CsvOutput : public LogOutput {
  public:
    // Fails with SubscriptOutOfRange, before anything is written, for more than twelve channels.
    CsvOutput(const std::string& fileName, const LogStart& start,
              const SpreadsheetProfile& profile);
    ~CsvOutput() override;

    void begin(WriteBuffer& out) override;
    void end(WriteBuffer&, const std::optional<ReadingStop>&) override {}
    void beginRecord(int record, int seconds) override;
    void sample(std::uint8_t hundredths, std::span<const std::uint8_t> raw) override;

  private:
    struct Cells;
    std::string m_heading;
    std::unique_ptr<Cells> m_cells;
};

// The CSV's writer, written by the log's profile.
std::unique_ptr<LogOutput> makeCsvOutput(const LogToWrite& log);

}  // namespace quillet
