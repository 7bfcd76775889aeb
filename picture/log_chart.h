#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "chart/log_output.h"
#include "conversion/byte_io.h"
#include "conversion/run_reporting.h"
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
    long long samples = 0;
    SampleClock firstSample;
    SampleClock lastSample;
    // Per column, whether any sample fell into it; the extremes per column and strip are kept
    // column by column: smallest[column * strips.size() + strip].
    std::vector<bool> filled;
    std::vector<double> smallest;
    std::vector<double> largest;
    std::optional<ChartStop> stop;

    double smallestOf(std::size_t column, std::size_t strip) const {
        return smallest[column * strips.size() + strip];
    }
    double largestOf(std::size_t column, std::size_t strip) const {
        return largest[column * strips.size() + strip];
    }
    // The strip's extremes over the whole log; nothing without samples or values.
    std::optional<std::pair<double, double>> rangeOf(std::size_t strip) const;
};

// Reads the log from source, once for its time span and once for its values. A log that cannot
// be read at all (no header, more than twelve channels) fails; one that ends early or points
// past its end gives the chart of the samples before the damage, with the stop that ended it.
// The services' progress follows the records of the second reading.
LogChart readLogChart(ByteSource& source, const std::string& title, int columns,
                      ReportingServices& services);

}  // namespace quillet
