#pragma once

#include <string>

#include "conversion/run_reporting.h"

namespace quillet::frontend {

// Converts the log at inputPath into the CSV at outputPath, as "Convert" does with the path
// boxes' texts: line 1 spelled as this platform's spreadsheets read it, and an output that names
// the log itself refused.
ConversionOutcome convertFiles(const std::string& inputPath, const std::string& outputPath,
                               ReportingServices& services);

}  // namespace quillet::frontend
