#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "conversion/log_reading.h"
#include "conversion/sample_time.h"

// A log reduced to what a strip chart draws: for each channel and each pixel column of the time
// axis, the smallest and largest value of the samples that fall into it. Its size depends on
// the number of columns only, never on the length of the log.
namespace quillet {

// The time axis of a chart, in milliseconds as the CSV's cells read, from the first whole second
// its records name to the end of the last.
struct TimeAxis {
    long long start = 0;
    long long end = 1000;
    int columns = 1;

    // The column a time falls into; times outside the axis go to its nearest end.
    int columnOf(long long time) const {
        const long long column = (time - start) * columns / (end - start);
        return static_cast<int>(column < 0 ? 0 : column >= columns ? columns - 1 : column);
    }
};

struct ChartStrip {
    std::uint8_t identifier = 0;
    int decimals = 0;
    // False for an identifier without values.
    bool hasValues = false;
};

struct LogChart {
    std::string title;
    long long recordCount = 0;
    TimeAxis axis;
    std::vector<ChartStrip> strips;
    SampleSpan span;
    struct Extremes {
        double smallest;
        double largest;
    };
    // Per column, where the extremes of its strips are kept, or -1 where no sample fell: a short
    // log fills few columns. A column's extremes lie together: extremes[slot * strips.size() +
    // strip].
    std::vector<int> slots;
    std::vector<Extremes> extremes;
    std::optional<ReadingStop> stop;

    std::size_t columnCount() const { return slots.size(); }
    bool filled(std::size_t column) const { return slots[column] >= 0; }
    const Extremes& extremesOf(std::size_t column, std::size_t strip) const {
        return extremes[static_cast<std::size_t>(slots[column]) * strips.size() + strip];
    }
    // The strip's extremes over the whole log; nothing without samples or values.
    std::optional<std::pair<double, double>> rangeOf(std::size_t strip) const;
};

// The time axis `columns` pixel columns wide over the whole seconds that the log's records name,
// read ahead of their samples: the chart is then filled as the samples are read, without keeping
// them.
TimeAxis timeAxisOf(ByteSource& source, const LogStart& start, int columns);

// Fills a chart's columns from the samples as they are read.
class ChartReading : public SampleVisitor {
  public:
    ChartReading(const LogStart& start, const TimeAxis& axis);

    void beginRecord(int record, int seconds) override;
    void sample(std::uint8_t hundredths, std::span<const std::uint8_t> raw) override;

    LogChart& chart() { return m_chart; }

  private:
    // The column a time falls into, found by a division only where the column changes, as
    // the times of a log mostly rise: column c holds the times whose distance from the start,
    // times the columns, lies in [c * span, (c + 1) * span).
    int columnOf(long long time);

    LogChart m_chart;
    std::vector<const std::array<double, 256>*> m_numbers;
    int m_seconds = 0;
    int m_filledColumns = 0;
    int m_column = 0;
    long long m_columnLow = 0;
    long long m_columnHigh = 0;
};

}  // namespace quillet
