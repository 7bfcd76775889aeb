#include "conversion/sample_time.h"

#include "conversion/number_text.h"

namespace quillet {

std::string minutesAndSeconds(int seconds) {
    const int minutes = seconds / 60;
    const int secondsInMinute = seconds - 60 * minutes;
    return decimalDigits(minutes) + (secondsInMinute < 10 ? ":0" : ":") +
           decimalDigits(secondsInMinute);
}

std::string hundredthsText(std::uint8_t hundredths, char decimalMark) {
    return decimalMark + std::string(hundredths < 10 ? "0" : "") + decimalDigits(hundredths);
}

std::string sampleTime(int seconds, std::uint8_t hundredths, char decimalMark) {
    return minutesAndSeconds(seconds) + hundredthsText(hundredths, decimalMark);
}

std::string sampleTime(const SampleClock& clock, char decimalMark) {
    return sampleTime(clock.seconds, clock.hundredths, decimalMark);
}

std::string timeSpanText(const SampleSpan& span, char decimalMark) {
    if (span.samples == 0) return "-";
    return "earliest " + sampleTime(span.earliest, decimalMark) + ", latest " +
           sampleTime(span.latest, decimalMark);
}

}  // namespace quillet
