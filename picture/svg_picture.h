#pragma once

#include <string>

#include "conversion/byte_io.h"
#include "picture/log_chart.h"

// The picture of a chart: an SVG of one strip per channel under one time axis.
namespace quillet {

// Pixel columns of the time axis; the chart of a log is read at this width.
inline constexpr int kPlotColumns = 1000;

// Writes the chart as a complete SVG document. The file's size depends on the number of
// channels and columns only: at most two points per strip and column.
void writeSvgPicture(const LogChart& chart, WriteBuffer& out);

}  // namespace quillet
