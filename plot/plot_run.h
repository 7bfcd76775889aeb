#pragma once

#include <string>

#include "conversion_run.h"
#include "file_access.h"

// Drawing one log as an SVG strip chart, reported like its conversion.
namespace quillet {

// Draws the log at inputPath into output. A log that ends early is drawn up to its damage and
// then reported with the message its conversion gives; a log that cannot be read at all writes
// no picture. Returns Converted only when the whole log was drawn.
ConversionOutcome plotLog(const std::string& inputPath, OutputTarget& output,
                          ReportingServices& services);

}  // namespace quillet
