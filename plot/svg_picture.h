#pragma once

#include <string>

#include "byte_io.h"
#include "log_chart.h"

// The picture of a chart: an SVG of one strip per channel under one time axis.
namespace quillet {

// Pixel columns of the time axis; the chart of a log is read at this width.
inline constexpr int kPlotColumns = 1000;

// Writes the chart as a complete SVG document. The file's size depends on the number of
// channels and columns only: at most two points per strip and column.
void writeSvgPicture(const LogChart& chart, WriteBuffer& out);

// The text with "&", "<", ">" and '"' written as XML entities, and any byte that is not part of
// well-formed UTF-8 or of a character XML allows as "?", so that any file name makes a valid
// document.
std::string xmlText(std::string_view text);

}  // namespace quillet
