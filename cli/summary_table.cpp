#include "cli/summary_table.h"

#include <algorithm>
#include <memory>

#include "cli/batch.h"
#include "cli/console_services.h"
#include "cli/log_list.h"
#include "conversion/channel_table.h"
#include "conversion/failure.h"
#include "conversion/log_summary.h"
#include "conversion/run_reporting.h"
#include "conversion/sample_time.h"
#include "conversion/utf8_text.h"
#include "system/log_files.h"

namespace quillet {
namespace {

constexpr int kLabelWidth = 14;

std::string padded(const std::string& text, std::size_t width, bool alignRight) {
    const std::string room(width > text.size() ? width - text.size() : 0, ' ');
    return alignRight ? room + text : text + room;
}

std::string line(const std::string& label, const std::string& value) {
    return "  " + padded(label, kLabelWidth, false) + value + "\n";
}

struct ChannelRow {
    std::string name;
    std::string smallest;
    std::string largest;
};

ChannelRow rowOf(const ChannelRange& range) {
    return {channelLabel(range.identifier), rangeValueText(range.smallest, range.identifier),
            rangeValueText(range.largest, range.identifier)};
}

std::string channelTable(const std::vector<ChannelRange>& channels) {
    std::vector<ChannelRow> rows{{"channel", "smallest", "largest"}};
    for (const ChannelRange& range : channels) rows.push_back(rowOf(range));
    std::size_t nameWidth = 0;
    std::size_t smallestWidth = 0;
    std::size_t largestWidth = 0;
    for (const ChannelRow& row : rows) {
        nameWidth = std::max(nameWidth, row.name.size());
        smallestWidth = std::max(smallestWidth, row.smallest.size());
        largestWidth = std::max(largestWidth, row.largest.size());
    }
    std::string table;
    for (const ChannelRow& row : rows) {
        table += "  " + padded(row.name, nameWidth, false) + "  " +
                 padded(row.smallest, smallestWidth, true) + "  " +
                 padded(row.largest, largestWidth, true) + "\n";
    }
    return table;
}

void warnOfTimeJumps(Console& console, const std::string& log, const LogSummary& summary) {
    for (const TimeJump& jump : summary.timeJumps) {
        console.writeError(log + ": warning: " + timeJumpText(jump) + "\n");
    }
}

}  // namespace

std::string summaryText(const std::string& label, const LogSummary& summary) {
    return displayName(label) + "\n" + line("records", std::to_string(summary.records)) +
           line("samples", std::to_string(summary.span.samples)) +
           line("time", timeSpanText(summary.span)) +
           line("median rate",
                summary.medianSampleRate ? sampleRateText(*summary.medianSampleRate) : "-") +
           channelTable(summary.channels) + "\n";
}

int summarizeLogs(const ConverterOptions& options, Console& console) {
    const LogList list = listLogs(options.inputs, console);
    if (const auto lost = standardOutputLosesALog("the summary", list.logs, console.outputFile())) {
        console.writeError(usageErrorText(*lost));
        return 2;
    }
    int failed = list.failedFolders;
    ConsoleServices services(console);
    for (const std::string& log : list.logs) {
        const std::string label = logLabel(log, options.logName);
        services.beginLog(label);
        bool outputFailed = false;
        const ConversionOutcome outcome = runReported(services, [&] {
            const LogSummary summary =
                summarizeLog(logInputOf(log, options.logName)->source(), services);
            try {
                console.writeOutput(summaryText(label, summary));
            } catch (...) {
                outputFailed = true;
                throw;
            }
            warnOfTimeJumps(console, displayName(label), summary);
        });
        failed += outcome == ConversionOutcome::Failed;
        // Nothing more can be written where the summary of one log could not be.
        if (outputFailed) return 1;
    }
    return failed == 0 ? 0 : 1;
}

}  // namespace quillet
