#include "picture/log_chart.h"

#include <algorithm>
#include <array>
#include <limits>

#include "conversion/channel_table.h"

namespace quillet {
namespace {

// The whole seconds that the records read name, from the first to the end of the last.
TimeAxis secondsSpanned(const LogSamples& samples, int columns) {
    TimeAxis axis;
    axis.columns = columns;
    const std::vector<std::uint16_t>& seconds = samples.recordSeconds();
    if (!seconds.empty()) {
        const auto [first, last] = std::minmax_element(seconds.begin(), seconds.end());
        axis.start = *first * 1000LL;
        axis.end = (*last + 1) * 1000LL;
    }
    return axis;
}

// Puts the samples into the chart's columns, each value looked up in its channel's numbers.
class ColumnFiller {
  public:
    ColumnFiller(const LogSamples& samples, LogChart& chart) : m_chart(chart) {
        static const std::array<double, 256> kNoValues{};
        m_columns.reserve(samples.identifiers().size());
        chart.strips.reserve(samples.identifiers().size());
        for (const std::uint8_t identifier : samples.identifiers()) {
            const std::array<double, 256>* numbers = channelNumbers(identifier);
            m_columns.push_back(numbers ? numbers : &kNoValues);
            chart.strips.push_back({identifier, channelLabel(identifier),
                                    channelDecimals(identifier), numbers != nullptr});
        }
        chart.slots.assign(static_cast<std::size_t>(chart.axis.columns), -1);
        const std::size_t filledAtMost =
            std::min(samples.sampleCount(), static_cast<std::size_t>(chart.axis.columns));
        chart.smallest.reserve(filledAtMost * m_columns.size());
        chart.largest.reserve(filledAtMost * m_columns.size());
    }

    void add(const SampleClock& clock, std::span<const std::uint8_t> raw) {
        const std::size_t strips = m_columns.size();
        int& slot =
            m_chart.slots[static_cast<std::size_t>(m_chart.axis.columnOf(clock.milliseconds()))];
        if (slot < 0) {
            slot = m_filledColumns++;
            m_chart.smallest.resize(m_chart.smallest.size() + strips,
                                    std::numeric_limits<double>::infinity());
            m_chart.largest.resize(m_chart.largest.size() + strips,
                                   -std::numeric_limits<double>::infinity());
        }
        double* smallest = m_chart.smallest.data() + static_cast<std::size_t>(slot) * strips;
        double* largest = m_chart.largest.data() + static_cast<std::size_t>(slot) * strips;
        for (std::size_t strip = 0; strip < strips; ++strip) {
            const double number = (*m_columns[strip])[raw[strip]];
            if (number < smallest[strip]) smallest[strip] = number;
            if (number > largest[strip]) largest[strip] = number;
        }
        m_chart.span.add(clock);
    }

  private:
    LogChart& m_chart;
    std::vector<const std::array<double, 256>*> m_columns;
    int m_filledColumns = 0;
};

}  // namespace

std::optional<std::pair<double, double>> LogChart::rangeOf(std::size_t strip) const {
    if (!strips[strip].hasValues) {
        return std::nullopt;
    }
    std::optional<std::pair<double, double>> range;
    for (std::size_t column = 0; column < columnCount(); ++column) {
        if (!filled(column)) continue;
        const double low = smallestOf(column, strip);
        const double high = largestOf(column, strip);
        if (!range) range.emplace(low, high);
        if (low < range->first) range->first = low;
        if (high > range->second) range->second = high;
    }
    return range;
}

LogChart chartOf(const LogSamples& samples, int columns) {
    LogChart chart;
    chart.axis = secondsSpanned(samples, columns);
    ColumnFiller filler(samples, chart);
    samples.forEachSample([&](const SampleClock& clock, std::span<const std::uint8_t> raw) {
        filler.add(clock, raw);
    });
    return chart;
}

}  // namespace quillet
