#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "conversion/byte_io.h"
#include "conversion/log_reading.h"
#include "conversion/log_summary.h"
#include "conversion/spreadsheet_profile.h"
#include "page/log_samples.h"

// The log page: one self-contained HTML file that holds the data of one or more logs' runs, the
// chart library and the page's code, which draws from that data alone a strip per channel on one
// time axis, reads every channel of every run at a cursor, and compares the runs.
namespace quillet {

// One log's run on the page: every sample read, and the summary of what it holds.
struct PageRun {
    std::string title;
    long long recordCount = 0;
    const LogSamples& samples;
    LogSummary summary;
    std::optional<ReadingStop> stop;
};

// A page compares at most this many runs.
inline constexpr std::size_t kMostPageRuns = 8;

// What a page carries beside its runs: the profile its values and times are written in, and a
// setup saved by a page (its text as pageSetupProblem accepts it), which it opens with; empty for
// none.
struct PageSettings {
    SpreadsheetProfile profile;
    std::string setup;
};

// Writes the page of the runs, the first the reference the others are compared with. Every value
// and time it shows is the CSV's cell text in the profile's decimals. The samples take about 4/3
// of their bytes in the log.
void writeHtmlPage(std::span<const PageRun> runs, const PageSettings& settings, WriteBuffer& out);

// Why a text is no setup that a page could open with, or nothing: a setup is UTF-8 text of at
// most kLongestPageSetup bytes whose first line is the setup's heading; the page checks the
// settings in it as it checks typed ones.
inline constexpr std::size_t kLongestPageSetup = 64 * 1024;
std::optional<std::string> pageSetupProblem(std::string_view text);

// The bytes in base64 with padding (RFC 4648).
void appendBase64(std::span<const std::uint8_t> bytes, WriteBuffer& out);
// The bytes of one column, as one piece of base64.
void appendBase64(const SampleColumns& columns, std::size_t column, WriteBuffer& out);

}  // namespace quillet
