#pragma once

#include <cstdint>
#include <string>

// A sample's time as the log stores it, and as the CSV writes and a reader of the CSV reads it.
namespace quillet {

struct SampleClock {
    int seconds = 0;
    std::uint8_t hundredths = 0;

    // The time the CSV's cell says, in milliseconds: the hundredths byte is written as digits
    // after the decimal mark, two of them below 100 (".05", ".42") and three from 100 on
    // (".150"), so that 5 s with 150 reads 5.150 s.
    long long milliseconds() const {
        return seconds * 1000LL + (hundredths < 100 ? hundredths * 10 : hundredths);
    }
};

// How many samples a reading took, and the times they span: the earliest and the latest, which
// are not the first and the last where the clock goes back, and the last in the log's order.
struct SampleSpan {
    long long samples = 0;
    SampleClock earliest;
    SampleClock latest;
    SampleClock last;

    // Inline, since a reading calls it for each of millions of samples.
    void add(const SampleClock& clock) {
        const long long time = clock.milliseconds();
        if (samples == 0 || time < earliest.milliseconds()) earliest = clock;
        if (samples == 0 || time > latest.milliseconds()) latest = clock;
        last = clock;
        ++samples;
    }
};

// Minutes, seconds and hundredths as the CSV writes them: 754 s and 42 give "12:34.42".
std::string sampleTime(int seconds, std::uint8_t hundredths, char decimalMark = '.');
std::string sampleTime(const SampleClock& clock, char decimalMark = '.');

// The time that samples span, as every output says it: "earliest 0:05.00, latest 0:12.00", or
// "-" without samples.
std::string timeSpanText(const SampleSpan& span, char decimalMark = '.');

// The minutes and seconds of a time: ":05" or ":34" after the minutes.
std::string minutesAndSeconds(int seconds);

// The hundredths of a time as they follow the seconds: "." or ".0" before the digits.
std::string hundredthsText(std::uint8_t hundredths, char decimalMark = '.');

}  // namespace quillet
