#include "picture/log_chart.h"

#include <limits>

#include "conversion/channel_table.h"

namespace quillet {

std::optional<std::pair<double, double>> LogChart::rangeOf(std::size_t strip) const {
    if (!strips[strip].hasValues) {
        return std::nullopt;
    }
    std::optional<std::pair<double, double>> range;
    for (std::size_t column = 0; column < columnCount(); ++column) {
        if (!filled(column)) continue;
        const auto [low, high] = extremesOf(column, strip);
        if (!range) range.emplace(low, high);
        if (low < range->first) range->first = low;
        if (high > range->second) range->second = high;
    }
    return range;
}

TimeAxis timeAxisOf(ByteSource& source, const LogStart& start, int columns) {
    TimeAxis axis;
    axis.columns = columns;
    if (const auto seconds = recordSecondsRange(source, start)) {
        axis.start = seconds->first * 1000LL;
        axis.end = (seconds->second + 1) * 1000LL;
    }
    return axis;
}

ChartReading::ChartReading(const LogStart& start, const TimeAxis& axis) {
    static const std::array<double, 256> kNoValues{};
    m_chart.axis = axis;
    m_chart.slots.assign(static_cast<std::size_t>(axis.columns), -1);
    m_numbers.reserve(start.identifiers().size());
    m_chart.strips.reserve(start.identifiers().size());
    for (const std::uint8_t identifier : start.identifiers()) {
        const std::array<double, 256>* numbers = channelNumbers(identifier);
        m_numbers.push_back(numbers ? numbers : &kNoValues);
        m_chart.strips.push_back({identifier, channelDecimals(identifier), numbers != nullptr});
    }
}

void ChartReading::beginRecord(int, int seconds) { m_seconds = seconds; }

void ChartReading::sample(std::uint8_t hundredths, std::span<const std::uint8_t> raw) {
    const SampleClock clock{m_seconds, hundredths};
    const std::size_t strips = m_numbers.size();
    int& slot = m_chart.slots[static_cast<std::size_t>(columnOf(clock.milliseconds()))];
    if (slot < 0) {
        slot = m_filledColumns++;
        constexpr double kInfinity = std::numeric_limits<double>::infinity();
        m_chart.extremes.resize(m_chart.extremes.size() + strips, {kInfinity, -kInfinity});
    }
    LogChart::Extremes* extremes =
        m_chart.extremes.data() + static_cast<std::size_t>(slot) * strips;
    for (std::size_t strip = 0; strip < strips; ++strip) {
        const double number = (*m_numbers[strip])[raw[strip]];
        if (number < extremes[strip].smallest) extremes[strip].smallest = number;
        if (number > extremes[strip].largest) extremes[strip].largest = number;
    }
    m_chart.span.add(clock);
}

int ChartReading::columnOf(long long time) {
    const TimeAxis& axis = m_chart.axis;
    const long long scaled = (time - axis.start) * axis.columns;
    if (scaled < m_columnLow || scaled >= m_columnHigh) {
        const long long span = axis.end - axis.start;
        m_column = axis.columnOf(time);
        m_columnLow = m_column == 0 ? std::numeric_limits<long long>::min() : m_column * span;
        m_columnHigh = m_column == axis.columns - 1 ? std::numeric_limits<long long>::max()
                                                    : (m_column + 1) * span;
    }
    return m_column;
}

}  // namespace quillet
