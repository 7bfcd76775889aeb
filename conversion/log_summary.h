#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "conversion/byte_io.h"
#include "conversion/log_reading.h"
#include "conversion/run_reporting.h"
#include "conversion/sample_time.h"

// What a log holds at a glance, read without writing any CSV: its size, the time it covers,
// how fast it sampled, each channel's range, and where its clock misbehaves. Times are read as
// the CSV's cells say them.
namespace quillet {

// Two samples whose times lie out of step: the later one comes before the earlier one, or more
// than a minute after it.
struct TimeJump {
    int record;
    SampleClock before;
    SampleClock after;

    bool goesBack() const { return after.milliseconds() < before.milliseconds(); }
};

struct ChannelRange {
    std::uint8_t identifier;
    // The raw bytes of the smallest and the largest value; none for a channel the table does not
    // know or a log without samples.
    std::optional<std::uint8_t> smallest;
    std::optional<std::uint8_t> largest;
};

struct LogSummary {
    int records = 0;
    SampleSpan span;
    // Samples per second at the median step between two samples; none without a forward step.
    std::optional<double> medianSampleRate;
    std::vector<ChannelRange> channels;
    std::vector<TimeJump> timeJumps;
};

// A jump forward by more than this many milliseconds is reported.
inline constexpr long long kLongestQuietSpell = 60 * 1000;

// Gathers the summary sample by sample from the log's reading.
class SummaryCollector : public SampleVisitor {
  public:
    explicit SummaryCollector(const LogStart& start);

    void beginRecord(int record, int seconds) override;
    void sample(std::uint8_t hundredths, std::span<const std::uint8_t> raw) override;
    void endRecord() override { ++m_summary.records; }
    LogSummary summary() const;

  private:
    LogSummary m_summary;
    LogStart m_start;
    // Per channel, which raw bytes its samples held.
    std::vector<std::array<bool, 256>> m_seenBytes;
    // Counts of steps so far, each a step and how often it came, and the run of equal steps
    // not yet among them: a log's steps come in long runs, which cost one count instead of one
    // each. Counts of one step are folded together once the list grows long.
    void countStepRun();
    std::vector<std::pair<long long, long long>> m_stepCounts;
    std::size_t m_foldAt = 1024;
    long long m_runStep = 0;
    long long m_runLength = 0;
    int m_record = 0;
    int m_seconds = 0;
};

// Reads the whole log, its progress through the services. Fails as the conversion of the same
// log would.
LogSummary summarizeLog(ByteSource& log, ReportingServices& services);

// A channel's smallest or largest value as the summary tables write it: the text of its CSV
// cell, "0" where that cell is empty for a zero, and "-" where the channel has no value.
std::string rangeValueText(const std::optional<std::uint8_t>& raw, std::uint8_t identifier,
                           char decimalMark = '.');

// A sample rate with one decimal: "12.5 samples a second", or a minute or an hour where they
// come more seldom.
std::string sampleRateText(double perSecond, char decimalMark = '.');

// How a jump reads in a warning: "at record 9 the time goes back from 0:40.00 to 0:12.00".
std::string timeJumpText(const TimeJump& jump, char decimalMark = '.');

}  // namespace quillet
