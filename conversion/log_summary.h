#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "conversion/byte_io.h"
#include "conversion/log_layout.h"
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
    // The decoded values at both ends; none for a channel the table does not know or a log
    // without samples.
    std::optional<double> smallest;
    std::optional<double> largest;
};

struct LogSummary {
    int records = 0;
    long long samples = 0;
    SampleClock firstSample;
    SampleClock lastSample;
    // Samples per second at the median step between two samples; none without a forward step.
    std::optional<double> medianSampleRate;
    std::vector<ChannelRange> channels;
    std::vector<TimeJump> timeJumps;
};

// A jump forward by more than this many milliseconds is reported.
inline constexpr long long kLongestQuietSpell = 60 * 1000;

// Gathers the summary sample by sample, for any reading that walks the log's records.
class SummaryCollector {
  public:
    explicit SummaryCollector(const LogInfo& info);

    void beginRecord(int record, int seconds);
    // One sample of the record begun, with its channels' raw bytes in column order.
    void addSample(std::uint8_t hundredths, std::span<const std::uint8_t> raw);
    // The record begun had all its samples.
    void endRecord() { ++m_summary.records; }
    LogSummary summary() const;

  private:
    LogSummary m_summary;
    std::vector<std::uint8_t> m_identifiers;
    // Per channel, which raw bytes its samples held.
    std::vector<std::array<bool, 256>> m_seenBytes;
    // Steps counted so far, and the run of equal steps not yet among them: a log's steps come
    // in long runs, which cost one count instead of one each.
    std::map<long long, long long> m_stepCounts;
    long long m_runStep = 0;
    long long m_runLength = 0;
    int m_record = 0;
    int m_seconds = 0;
};

// Inline, since a reading calls it for each of millions of samples.
inline void SummaryCollector::addSample(std::uint8_t hundredths,
                                        std::span<const std::uint8_t> raw) {
    const SampleClock clock{m_seconds, hundredths};
    if (m_summary.samples == 0) {
        m_summary.firstSample = clock;
    } else {
        const long long step = clock.milliseconds() - m_summary.lastSample.milliseconds();
        if (step > 0 && step == m_runStep) {
            ++m_runLength;
        } else if (step > 0) {
            if (m_runLength > 0) m_stepCounts[m_runStep] += m_runLength;
            m_runStep = step;
            m_runLength = 1;
        }
        if (step < 0 || step > kLongestQuietSpell) {
            m_summary.timeJumps.push_back({m_record, m_summary.lastSample, clock});
        }
    }
    for (std::size_t column = 0; column < m_seenBytes.size(); ++column) {
        m_seenBytes[column][raw[column]] = true;
    }
    m_summary.lastSample = clock;
    ++m_summary.samples;
}

// Reads the whole log. Fails as the conversion of the same log would.
LogSummary summarizeLog(ByteSource& log);

// A channel's smallest or largest value in the channel's decimals, or "-" when it has none.
std::string rangeValueText(const std::optional<double>& value, std::uint8_t identifier,
                           char decimalMark = '.');

// A sample rate with one decimal: "12.5 samples a second", or a minute or an hour where they
// come more seldom.
std::string sampleRateText(double perSecond, char decimalMark = '.');

// How a jump reads in a warning: "at record 9 the time goes back from 0:40.00 to 0:12.00".
std::string timeJumpText(const TimeJump& jump, char decimalMark = '.');

}  // namespace quillet
