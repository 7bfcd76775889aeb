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

// Minutes, seconds and hundredths as the CSV writes them: 754 s and 42 give "12:34.42".
std::string sampleTime(int seconds, std::uint8_t hundredths, char decimalMark = '.');
std::string sampleTime(const SampleClock& clock, char decimalMark = '.');

// The minutes and seconds of a time: ":05" or ":34" after the minutes.
std::string minutesAndSeconds(int seconds);

// The hundredths of a time as they follow the seconds: "." or ".0" before the digits.
std::string hundredthsText(std::uint8_t hundredths, char decimalMark = '.');

}  // namespace quillet
