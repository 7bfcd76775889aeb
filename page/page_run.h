#pragma once

#include "conversion/csv_profile.h"
#include "conversion/log_io.h"
#include "conversion/run_reporting.h"

// Writing one log's HTML page, reported like its conversion.
namespace quillet {

// Writes the page of the log into output, its values and times in the profile's decimals. A log
// that ends early is shown up to its damage and then reported with the message its conversion
// gives; a log that cannot be read at all writes no page. Returns Converted only when the
// whole log is on the page.
ConversionOutcome pageLog(LogInput& log, OutputTarget& output, ReportingServices& services,
                          const CsvProfile& profile = {});

}  // namespace quillet
