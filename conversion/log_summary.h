#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What a log holds at a glance, read without writing any CSV: its size, the time it covers,
// how fast it sampled, each channel's range, and where its clock misbehaves.
namespace quillet {

// A sample's time as the log stores it.
struct SampleClock {
    int seconds = 0;
    std::uint8_t hundredths = 0;

    long long inHundredths() const { return seconds * 100LL + hundredths; }
};

// Two records whose times lie out of step: the later one starts before the earlier one ended,
// or more than a minute after it.
struct TimeJump {
    int record;
    SampleClock before;
    SampleClock after;
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

// A jump forward by more than this many hundredths is reported.
inline constexpr long long kLongestQuietSpell = 60 * 100;

// Reads the whole log at path. Fails as the conversion of the same log would.
LogSummary summarizeLog(const std::string& path);

}  // namespace quillet
