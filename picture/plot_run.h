#pragma once

#include "conversion/log_io.h"
#include "conversion/run_reporting.h"

// Drawing one log as an SVG strip chart, reported like its conversion.
namespace quillet {

// Draws the log into output. A log that ends early is drawn up to its damage and then reported
// with the message its conversion gives; a log that cannot be read at all writes no picture.
// Returns Converted only when the whole log was drawn.
ConversionOutcome plotLog(LogInput& log, OutputTarget& output, ReportingServices& services);

}  // namespace quillet
