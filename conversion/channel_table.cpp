#include "conversion/channel_table.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <span>

#include "conversion/number_text.h"

namespace quillet {
namespace {

// Rounds to the nearest whole number, exact halves to the even neighbour.
double roundHalfEven(double number) {
    const double floor = std::floor(number);
    const double fraction = number - floor;
    if (fraction > 0.5) return floor + 1;
    if (fraction < 0.5) return floor;
    return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

// The exact product of a raw byte and a single-precision constant, rounded once to whole.
double wholeProduct(std::uint8_t raw, float constant) {
    return roundHalfEven(raw * static_cast<double>(constant));
}

float singleQuotient(std::uint8_t raw, float divisor) { return static_cast<float>(raw) / divisor; }

struct Segment {
    int lastRaw;
    double slope;
    double offset;
};

const Segment& segmentFor(std::uint8_t raw, std::span<const Segment> segments) {
    const auto found = std::find_if(segments.begin(), segments.end() - 1,
                                    [raw](const Segment& s) { return raw <= s.lastRaw; });
    return *found;
}

constexpr Segment kAirTempSegments[] = {
    {16, -7.6382, 363.25},  {32, -3.5, 297.24},     {49, -1.9649, 248.58},  {80, -1.2273, 212.72},
    {186, -0.8138, 178.25}, {218, -1.1962, 248.67}, {255, -3.1604, 683.99},
};

constexpr Segment kCoolantSegments[] = {
    {17, 5.9167, 1196.1},
    {45, 2.4229, 365.03},
    {72, 1.2397, 112.01},
    {255, 0.7646, 25.626},
};

double passThrough(std::uint8_t raw) { return raw; }
double rpm(std::uint8_t raw) { return roundHalfEven(raw * 31.25); }
double timing(std::uint8_t raw) { return std::max(raw - 10, 0); }
double o2(std::uint8_t raw) { return singleQuotient(raw, 51.0f); }
double airflow(std::uint8_t raw) { return wholeProduct(raw, 6.3f); }
double injectorPulseWidth(std::uint8_t raw) { return singleQuotient(raw, 3.9f); }
double throttlePosition(std::uint8_t raw) { return singleQuotient(raw, 2.545f); }
double battery(std::uint8_t raw) { return singleQuotient(raw, 13.64f); }
double barometer(std::uint8_t raw) { return singleQuotient(raw, 2.06f) / 100.0f; }
double trim(std::uint8_t raw) { return wholeProduct(raw, 0.781f); }

double airTemp(std::uint8_t raw) {
    const Segment& s = segmentFor(raw, kAirTempSegments);
    return roundHalfEven(raw * s.slope + s.offset);
}

double coolant(std::uint8_t raw) {
    const Segment& s = segmentFor(raw, kCoolantSegments);
    return roundHalfEven((255 - raw) * s.slope - s.offset);
}

// Rows whose numbers are written in the sign-column form rather than by a digit pattern.
constexpr std::string_view kSignColumn{};

struct ChannelRow {
    std::uint8_t identifier;
    std::string_view heading;
    double (*number)(std::uint8_t raw);
    std::string_view pattern;
    // Only where the number's range leaves no doubt of it: the temperatures, the barometer and
    // the raw counts keep none rather than a guess.
    std::string_view unit;
};

constexpr ChannelRow kChannels[] = {
    {33, "RPM", rpm, "####", "rpm"},
    {38, "Knock", passThrough, kSignColumn, ""},
    {6, "Timing", timing, kSignColumn, "deg"},
    {19, "O2", o2, "0.00", "V"},
    {26, "Airflow", airflow, kSignColumn, ""},
    {41, "Inj P/W", injectorPulseWidth, "0.000", "ms"},
    {44, "Air Volume", passThrough, kSignColumn, ""},
    {58, "Air Temp", airTemp, "###", ""},
    {23, "TPS", throttlePosition, "#", "%"},
    {7, "Coolant", coolant, "###", ""},
    {20, "Battery", battery, "##.00", "V"},
    {21, "Barometer", barometer, "#.00", ""},
    {22, "ISC", passThrough, kSignColumn, ""},
    {29, "Accel Enrichment", throttlePosition, "0", ""},
    {15, "O2 Trim", trim, "#", "%"},
    {14, "Fuel Trim High", trim, "#", "%"},
    {13, "Fuel Trim Mid", trim, "#", "%"},
    {12, "Fuel Trim Low", trim, "#", "%"},
};

const ChannelRow* findRow(std::uint8_t identifier) {
    const auto found =
        std::find_if(std::begin(kChannels), std::end(kChannels),
                     [identifier](const ChannelRow& row) { return row.identifier == identifier; });
    return found == std::end(kChannels) ? nullptr : found;
}

int patternDecimals(std::string_view pattern) {
    const std::size_t point = pattern.find('.');
    return point == std::string_view::npos ? 0 : static_cast<int>(pattern.size() - point - 1);
}

}  // namespace

std::string signColumnText(long long number) {
    return (number < 0 ? "-" : " ") + decimalDigits(number < 0 ? -number : number);
}

std::string patternText(double number, std::string_view pattern) {
    const std::size_t point = pattern.find('.');
    const std::string_view integerPlaceholders = pattern.substr(0, point);
    const int decimals = patternDecimals(pattern);
    const bool writesZeroInteger = integerPlaceholders.find('0') != std::string_view::npos;

    long long scale = 1;
    for (int i = 0; i < decimals; ++i) scale *= 10;
    const long long scaled = static_cast<long long>(roundHalfEven(number * scale));
    if (scaled == 0 && decimals == 0 && !writesZeroInteger) {
        return {};
    }

    const long long magnitude = scaled < 0 ? -scaled : scaled;
    const long long integerPart = magnitude / scale;
    std::string text = scaled < 0 ? "-" : "";
    if (integerPart != 0 || writesZeroInteger) {
        text += decimalDigits(integerPart);
    }
    if (decimals > 0) {
        const std::string fraction = decimalDigits(magnitude % scale);
        text += '.';
        text.append(static_cast<std::size_t>(decimals) - fraction.size(), '0');
        text += fraction;
    }
    return text;
}

std::string ChannelName(std::uint8_t identifier) {
    const ChannelRow* row = findRow(identifier);
    return row ? std::string(row->heading) : std::string();
}

std::string channelLabel(std::uint8_t identifier) {
    const std::string heading = ChannelName(identifier);
    return heading.empty() ? "channel " + decimalDigits(identifier) : heading;
}

std::string ChannelValue(std::uint8_t identifier, std::uint8_t raw) {
    const ChannelRow* row = findRow(identifier);
    if (!row) {
        return {};
    }
    const double number = row->number(raw);
    return row->pattern == kSignColumn ? signColumnText(static_cast<long long>(number))
                                       : patternText(number, row->pattern);
}

std::optional<double> channelNumber(std::uint8_t identifier, std::uint8_t raw) {
    const std::array<double, 256>* numbers = channelNumbers(identifier);
    if (!numbers) return std::nullopt;
    return (*numbers)[raw];
}

const std::array<double, 256>* channelNumbers(std::uint8_t identifier) {
    using Numbers = std::array<double, 256>;
    static const std::array<Numbers, std::size(kChannels)> tables = [] {
        std::array<Numbers, std::size(kChannels)> made{};
        for (std::size_t row = 0; row < made.size(); ++row) {
            // Rounded as the cell rounds it, so that 0.0196 plots and sums as the "0.02" it
            // shows.
            const double scale = std::pow(10.0, patternDecimals(kChannels[row].pattern));
            for (int raw = 0; raw < 256; ++raw) {
                made[row][raw] =
                    roundHalfEven(kChannels[row].number(static_cast<std::uint8_t>(raw)) * scale) /
                    scale;
            }
        }
        return made;
    }();
    const ChannelRow* row = findRow(identifier);
    return row ? &tables[static_cast<std::size_t>(row - std::begin(kChannels))] : nullptr;
}

int channelDecimals(std::uint8_t identifier) {
    const ChannelRow* row = findRow(identifier);
    return row ? patternDecimals(row->pattern) : 0;
}

std::string_view channelUnit(std::uint8_t identifier) {
    const ChannelRow* row = findRow(identifier);
    return row ? row->unit : std::string_view();
}

}  // namespace quillet
