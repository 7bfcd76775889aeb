#include "conversion/log_summary.h"

#include <array>

#include "conversion/channel_table.h"
#include "conversion/log_records.h"
#include "conversion/number_text.h"

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

ChannelRange rangeOf(std::uint8_t identifier, const std::array<bool, 256>& seenBytes) {
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

SummaryCollector::SummaryCollector(const LogInfo& info)
    : m_seenBytes(static_cast<std::size_t>(info.channelCount()), std::array<bool, 256>{}) {
    for (int column = 0; column < info.channelCount(); ++column) {
        m_identifiers.push_back(info.channelIdentifier(column));
    }
}

void SummaryCollector::beginRecord(int record, int seconds) {
    m_record = record;
    m_seconds = seconds;
}

LogSummary SummaryCollector::summary() const {
    LogSummary summary = m_summary;
    std::map<long long, long long> stepCounts = m_stepCounts;
    if (m_runLength > 0) stepCounts[m_runStep] += m_runLength;
    if (const std::optional<double> step = medianStep(stepCounts)) {
        summary.medianSampleRate = 1000.0 / *step;
    }
    for (std::size_t column = 0; column < m_seenBytes.size(); ++column) {
        summary.channels.push_back(rangeOf(m_identifiers[column], m_seenBytes[column]));
    }
    return summary;
}

LogSummary summarizeLog(ByteSource& log) {
    const LogStart start = readLogStart(log);
    RecordReader records(log, start.info);
    SummaryCollector collector(start.info);
    std::array<std::uint8_t, LogInfo::kMaxChannels> bytes{};
    const std::span<std::uint8_t> raw(bytes.data(),
                                      static_cast<std::size_t>(records.channelCount()));
    for (int record = 1; record < start.header.recordCount(); ++record) {
        collector.beginRecord(record, records.beginRecord());
        records.forEachSample([&](std::uint8_t hundredths) {
            records.channelBytes(raw);
            collector.addSample(hundredths, raw);
        });
        collector.endRecord();
    }
    return collector.summary();
}

std::string rangeValueText(const std::optional<double>& value, std::uint8_t identifier,
                           char decimalMark) {
    if (!value) return "-";
    return withDecimalMark(fixedDecimals(*value, channelDecimals(identifier)), decimalMark);
}

std::string sampleRateText(double perSecond, char decimalMark) {
    auto text = [decimalMark](double rate, const char* unit) {
        return withDecimalMark(fixedDecimals(rate, 1), decimalMark) + " samples " + unit;
    };
    if (perSecond >= 1) return text(perSecond, "a second");
    if (perSecond * 60 >= 1) return text(perSecond * 60, "a minute");
    return text(perSecond * 3600, "an hour");
}

std::string timeJumpText(const TimeJump& jump, char decimalMark) {
    return "at record " + decimalDigits(jump.record) + " the time " +
           (jump.goesBack() ? "goes back" : "jumps ahead") + " from " +
           sampleTime(jump.before, decimalMark) + " to " + sampleTime(jump.after, decimalMark);
}

}  // namespace quillet
