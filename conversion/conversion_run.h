#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "conversion/csv_profile.h"
#include "conversion/log_io.h"
#include "conversion/log_job.h"
#include "conversion/log_reading.h"
#include "conversion/run_reporting.h"

// The conversion of one log into its CSV file, reporting through services that its caller
// lends: the window, the console, or a test.
namespace quillet {

// The CSV of a log, written line by line as the samples are read: the log's file name, the
// channels' headings, and a line of cells for each sample. A line reaches the output only
// once all its bytes were read.
class CsvOutput : public LogOutput, public SampleVisitor {
  public:
    // Fails with SubscriptOutOfRange, before anything is written, for more than twelve channels.
    CsvOutput(const std::string& fileName, const LogStart& start, const CsvProfile& profile);
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

// Converts the log into its CSV, written by the profile. Every failure ends in a message
// through the services; the returned outcome tells scripts which way the run ended. A log that
// fails part of the way still gives the lines before the failure; an output that fails keeps
// what it held before.
ConversionOutcome convertLog(LogInput& log, OutputTarget& output, ReportingServices& services,
                             const CsvProfile& profile = {});

// A value cell's text: the channel table's, with the decimal mark for its ".".
std::string valueText(std::uint8_t identifier, std::uint8_t raw, char decimalMark = '.');

// Line 1 of the CSV for a log's file name: the name as every output shows it, spelled in the
// encoding that the spreadsheets read.
std::string firstLineText(std::string_view fileName, NameEncoding encoding);

}  // namespace quillet
