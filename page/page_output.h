#pragma once

#include <memory>
#include <optional>
#include <string>

#include "conversion/log_output.h"
#include "conversion/log_summary.h"
#include "conversion/spreadsheet_profile.h"
#include "page/log_samples.h"

// A log's HTML page as an output, written from the samples and the summary its reading keeps.
namespace quillet {

class PageOutput : public LogOutput {
  public:
    // The values and times are written in the profile's decimals.
    PageOutput(std::string title, const LogStart& start, const SpreadsheetProfile& profile)
        : m_title(std::move(title)),
          m_recordCount(start.header.recordCount()),
          m_samples(start),
          m_summary(start),
          m_profile(profile) {}

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
    SpreadsheetProfile m_profile;
};

std::unique_ptr<LogOutput> makePageOutput(const LogToWrite& log);

}  // namespace quillet
