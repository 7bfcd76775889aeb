#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "chart/log_samples.h"
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
    std::string heading;
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
    // Per column, where the extremes of its strips are kept, or -1 where no sample fell: a short
    // log fills few columns. A column's extremes lie together: smallest[slot * strips.size() +
    // strip].
    std::vector<int> slots;
    std::vector<double> smallest;
    std::vector<double> largest;
    std::optional<ReadingStop> stop;

    std::size_t columnCount() const { return slots.size(); }
    bool filled(std::size_t column) const { return slots[column] >= 0; }
    double smallestOf(std::size_t column, std::size_t strip) const {
        return smallest[static_cast<std::size_t>(slots[column]) * strips.size() + strip];
    }
    double largestOf(std::size_t column, std::size_t strip) const {
        return largest[static_cast<std::size_t>(slots[column]) * strips.size() + strip];
    }
    // The strip's extremes over the whole log; nothing without samples or values.
    std::optional<std::pair<double, double>> rangeOf(std::size_t strip) const;
};

// The chart of the samples read, `columns` pixel columns wide, over the whole seconds that
// their records name.
LogChart chartOf(const LogSamples& samples, int columns);

}  // namespace quillet
