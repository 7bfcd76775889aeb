#pragma once

#include <optional>
#include <span>
#include <string>

#include "conversion/byte_io.h"
#include "conversion/log_reading.h"
#include "conversion/log_summary.h"
#include "conversion/spreadsheet_profile.h"
#include "page/log_samples.h"

// The log page: one self-contained HTML file with the log's samples, the chart library and the
// page's code, which draws a strip per channel on one time axis and reads every channel at a
// cursor.
namespace quillet {

// What the page shows of a log: every sample read, and the summary of what it holds.
struct LogPage {
    std::string title;
    long long recordCount = 0;
    const LogSamples& samples;
    LogSummary summary;
    std::optional<ReadingStop> stop;
};

// Writes the page. Every value and time it shows is the CSV's cell text in the profile's
// decimals. The samples take about 4/3 of their bytes in the log.
void writeHtmlPage(const LogPage& page, const SpreadsheetProfile& profile, WriteBuffer& out);

// The bytes in base64 with padding (RFC 4648).
void appendBase64(std::span<const std::uint8_t> bytes, WriteBuffer& out);
// The bytes of one column, as one piece of base64.
void appendBase64(const SampleColumns& columns, std::size_t column, WriteBuffer& out);

}  // namespace quillet
