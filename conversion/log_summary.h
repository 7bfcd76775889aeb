#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "byte_io.h"
#include "sample_time.h"

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

// Reads the whole log. Fails as the conversion of the same log would.
LogSummary summarizeLog(ByteSource& log);
LogSummary summarizeLog(const std::string& path);

}  // namespace quillet
