#include "log_summary.h"

#include <bitset>
#include <map>

#include "channel_table.h"
#include "file_access.h"
#include "log_records.h"

namespace quillet {
namespace {

// The middle of the steps between samples, each counted as often as it occurs.
std::optional<double> medianStep(const std::map<long long, long long>& stepCounts) {
    long long total = 0;
    for (const auto& [step, count] : stepCounts) total += count;
    if (total == 0) {
        return std::nullopt;
    }
    const long long lowerMiddle = (total - 1) / 2;
    const long long upperMiddle = total / 2;
    std::optional<long long> lower;
    long long seen = 0;
    for (const auto& [step, count] : stepCounts) {
        seen += count;
        if (!lower && seen > lowerMiddle) lower = step;
        if (seen > upperMiddle) return (*lower + step) / 2.0;
    }
    return std::nullopt;
}

ChannelRange rangeOf(std::uint8_t identifier, const std::bitset<256>& seenBytes) {
    ChannelRange range{identifier, std::nullopt, std::nullopt};
    for (int raw = 0; raw < 256; ++raw) {
        if (!seenBytes[raw]) continue;
        const std::optional<double> number =
            channelNumber(identifier, static_cast<std::uint8_t>(raw));
        if (!number) break;
        if (!range.smallest || *number < *range.smallest) range.smallest = number;
        if (!range.largest || *number > *range.largest) range.largest = number;
    }
    return range;
}

}  // namespace

LogSummary summarizeLog(const std::string& path) {
    FileLogInput log(path);
    return summarizeLog(log.source());
}

LogSummary summarizeLog(ByteSource& log) {
    const LogStart start = readLogStart(log);
    RecordReader records(log, start.info);

    LogSummary summary;
    std::vector<std::bitset<256>> seenBytes(static_cast<std::size_t>(records.channelCount()));
    std::map<long long, long long> stepCounts;
    for (int record = 1; record < start.header.recordCount(); ++record) {
        const int seconds = records.beginRecord();
        records.forEachSample([&](std::uint8_t hundredths) {
            const SampleClock clock{seconds, hundredths};
            if (summary.samples == 0) {
                summary.firstSample = clock;
            } else {
                const long long step = clock.milliseconds() - summary.lastSample.milliseconds();
                if (step > 0) ++stepCounts[step];
                if (step < 0 || step > kLongestQuietSpell) {
                    summary.timeJumps.push_back({record, summary.lastSample, clock});
                }
            }
            for (std::bitset<256>& seen : seenBytes) seen.set(records.channelByte());
            summary.lastSample = clock;
            ++summary.samples;
        });
        ++summary.records;
    }

    if (const std::optional<double> step = medianStep(stepCounts)) {
        summary.medianSampleRate = 1000.0 / *step;
    }
    for (std::size_t column = 0; column < seenBytes.size(); ++column) {
        summary.channels.push_back(
            rangeOf(start.info.channelIdentifier(static_cast<int>(column)), seenBytes[column]));
    }
    return summary;
}

}  // namespace quillet
