#include "summary_table.h"

#include <algorithm>
#include <cstdio>

#include "channel_table.h"
#include "console_services.h"
#include "conversion_run.h"
#include "failure.h"
#include "log_list.h"
#include "log_summary.h"

namespace quillet {
namespace {

constexpr int kLabelWidth = 14;

std::string clockText(const SampleClock& clock) {
    return sampleTime(clock.seconds, clock.hundredths);
}

std::string padded(const std::string& text, std::size_t width, bool alignRight) {
    const std::string room(width > text.size() ? width - text.size() : 0, ' ');
    return alignRight ? room + text : text + room;
}

void printLine(const std::string& label, const std::string& value) {
    std::printf("  %s%s\n", padded(label, kLabelWidth, false).c_str(), value.c_str());
}

struct ChannelRow {
    std::string name;
    std::string smallest;
    std::string largest;
};

ChannelRow rowOf(const ChannelRange& range) {
    std::string name = ChannelName(range.identifier);
    if (name.empty()) name = "channel " + std::to_string(range.identifier);
    const int decimals = channelDecimals(range.identifier);
    auto text = [decimals](const std::optional<double>& number) {
        return number ? fixedDecimals(*number, decimals) : std::string("-");
    };
    return {name, text(range.smallest), text(range.largest)};
}

void printChannels(const std::vector<ChannelRange>& channels) {
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
    for (const ChannelRow& row : rows) {
        std::printf("  %s  %s  %s\n", padded(row.name, nameWidth, false).c_str(),
                    padded(row.smallest, smallestWidth, true).c_str(),
                    padded(row.largest, largestWidth, true).c_str());
    }
}

void printSummary(const std::string& log, const LogSummary& summary) {
    std::printf("%s\n", log.c_str());
    printLine("records", std::to_string(summary.records));
    printLine("samples", std::to_string(summary.samples));
    printLine("time", summary.samples == 0 ? "-"
                                           : clockText(summary.firstSample) + " to " +
                                                 clockText(summary.lastSample));
    printLine("median rate", summary.medianSampleRate
                                 ? fixedDecimals(*summary.medianSampleRate, 1) + " samples a second"
                                 : "-");
    printChannels(summary.channels);
    std::printf("\n");
}

void warnOfTimeJumps(const std::string& log, const LogSummary& summary) {
    for (const TimeJump& jump : summary.timeJumps) {
        const bool back = jump.after.inHundredths() < jump.before.inHundredths();
        std::fprintf(stderr, "%s: warning: at record %d the time %s from %s to %s\n", log.c_str(),
                     jump.record, back ? "goes back" : "jumps ahead",
                     clockText(jump.before).c_str(), clockText(jump.after).c_str());
    }
}

}  // namespace

int summarizeLogs(const std::vector<std::string>& inputs) {
    const LogList list = listLogs(inputs);
    int failed = list.unreadableFolders;
    for (const std::string& log : list.logs) {
        try {
            const LogSummary summary = summarizeLog(log);
            printSummary(log, summary);
            std::fflush(stdout);
            warnOfTimeJumps(log, summary);
        } catch (...) {
            const Failure failure = failureFromCurrentException();
            std::fflush(stdout);
            printMessage(log, failureMessage(failure.number(), failure.description()));
            ++failed;
        }
    }
    return failed == 0 ? 0 : 1;
}

}  // namespace quillet
