#include "picture/log_chart.h"

#include <array>
#include <limits>
#include <map>

#include "conversion/channel_table.h"
#include "conversion/log_records.h"

namespace quillet {
namespace {

using ChannelNumbers = std::array<double, 256>;

// The whole seconds that the records name, from the first to the end of the last, read from
// each record's first two bytes alone. Reading stops at the first record it cannot reach.
TimeAxis secondsSpanned(ByteSource& source, const LogStart& start, int columns) {
    TimeAxis axis;
    axis.columns = columns;
    std::optional<int> first;
    int last = 0;
    try {
        RecordReader records(source, start.info);
        for (int record = 1; record < start.header.recordCount(); ++record) {
            const int seconds = records.beginRecord();
            if (!first || seconds < *first) first = seconds;
            if (seconds > last) last = seconds;
        }
    } catch (const Failure&) {
        // The reading of the values meets the same damage at this record or before, and tells it.
    }
    if (first) {
        axis.start = *first * 1000LL;
        axis.end = (last + 1) * 1000LL;
    }
    return axis;
}

// Reads the samples into the chart's columns. Each value comes from a table made once per
// identifier, and a sample counts only once all its bytes were read.
class ColumnFiller {
  public:
    ColumnFiller(const LogInfo& info, LogChart& chart) : m_chart(chart) {
        for (int column = 0; column < info.channelCount(); ++column) {
            const std::uint8_t identifier = info.channelIdentifier(column);
            auto [numbers, added] = m_numbersByIdentifier.try_emplace(identifier);
            for (int raw = 0; added && raw < 256; ++raw) {
                numbers->second[raw] =
                    channelNumber(identifier, static_cast<std::uint8_t>(raw)).value_or(0);
            }
            m_columns.push_back(&numbers->second);
            chart.strips.push_back({identifier, channelLabel(identifier),
                                    channelDecimals(identifier),
                                    channelNumber(identifier, 0).has_value()});
        }
        const std::size_t cells = m_columns.size() * static_cast<std::size_t>(chart.axis.columns);
        chart.filled.assign(static_cast<std::size_t>(chart.axis.columns), false);
        chart.smallest.assign(cells, std::numeric_limits<double>::infinity());
        chart.largest.assign(cells, -std::numeric_limits<double>::infinity());
    }

    void readRecord(RecordReader& records) {
        const int seconds = records.beginRecord();
        const std::size_t strips = m_columns.size();
        records.forEachSample([&](std::uint8_t hundredths) {
            std::array<std::uint8_t, LogInfo::kMaxChannels> raw;
            records.channelBytes(std::span(raw.data(), strips));
            const SampleClock clock{seconds, hundredths};
            const auto column =
                static_cast<std::size_t>(m_chart.axis.columnOf(clock.milliseconds()));
            double* smallest = m_chart.smallest.data() + column * strips;
            double* largest = m_chart.largest.data() + column * strips;
            for (std::size_t strip = 0; strip < strips; ++strip) {
                const double number = (*m_columns[strip])[raw[strip]];
                if (number < smallest[strip]) smallest[strip] = number;
                if (number > largest[strip]) largest[strip] = number;
            }
            m_chart.filled[column] = true;
            if (m_chart.samples == 0) m_chart.firstSample = clock;
            m_chart.lastSample = clock;
            ++m_chart.samples;
        });
    }

  private:
    LogChart& m_chart;
    std::map<std::uint8_t, ChannelNumbers> m_numbersByIdentifier;
    std::vector<const ChannelNumbers*> m_columns;
};

}  // namespace

std::optional<std::pair<double, double>> LogChart::rangeOf(std::size_t strip) const {
    if (!strips[strip].hasValues) {
        return std::nullopt;
    }
    std::optional<std::pair<double, double>> range;
    for (std::size_t column = 0; column < filled.size(); ++column) {
        if (!filled[column]) continue;
        const double low = smallestOf(column, strip);
        const double high = largestOf(column, strip);
        if (!range) range.emplace(low, high);
        if (low < range->first) range->first = low;
        if (high > range->second) range->second = high;
    }
    return range;
}

LogChart readLogChart(ByteSource& source, const std::string& title, int columns,
                      ReportingServices& services) {
    const LogStart start = readLogStart(source);
    LogChart chart;
    chart.title = title;
    chart.recordCount = start.header.recordCount();
    chart.axis = secondsSpanned(source, start, columns);
    ColumnFiller filler(start.info, chart);

    services.setProgressMin(1);
    services.setProgressMax(static_cast<float>(chart.recordCount - 1));
    int record = 1;
    try {
        // A record list cut before its first entry stops the reading before record 1, as it
        // stops the conversion once its heading is written.
        RecordReader records(source, start.info);
        for (; record < chart.recordCount; ++record) {
            services.setProgressValue(static_cast<float>(record));
            filler.readRecord(records);
        }
    } catch (...) {
        chart.stop = ChartStop{record, failureFromCurrentException()};
    }
    return chart;
}

}  // namespace quillet
