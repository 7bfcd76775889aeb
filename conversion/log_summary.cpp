#include "conversion/log_summary.h"

#include <algorithm>
#include <array>

#include "conversion/cell_text.h"
#include "conversion/channel_table.h"
#include "conversion/number_text.h"

namespace quillet {
namespace {

using StepCounts = std::vector<std::pair<long long, long long>>;

// Sorts the counts by step and adds up the counts of each step into one.
void foldSteps(StepCounts& stepCounts) {
    std::sort(stepCounts.begin(), stepCounts.end());
    std::size_t kept = 0;
    for (std::size_t index = 0; index < stepCounts.size(); ++index) {
        if (kept > 0 && stepCounts[kept - 1].first == stepCounts[index].first) {
            stepCounts[kept - 1].second += stepCounts[index].second;
        } else {
            stepCounts[kept++] = stepCounts[index];
        }
    }
    stepCounts.resize(kept);
}

// The middle of the steps between samples, each counted as often as it occurs, from counts
// folded by step.
std::optional<double> medianStep(const StepCounts& stepCounts) {
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
    const std::array<double, 256>* numbers = channelNumbers(identifier);
    if (!numbers) return range;
    for (int byte = 0; byte < 256; ++byte) {
        if (!seenBytes[byte]) continue;
        const auto raw = static_cast<std::uint8_t>(byte);
        if (!range.smallest || (*numbers)[raw] < (*numbers)[*range.smallest]) range.smallest = raw;
        if (!range.largest || (*numbers)[raw] > (*numbers)[*range.largest]) range.largest = raw;
    }
    return range;
}

}  // namespace

SummaryCollector::SummaryCollector(const LogStart& start)
    : m_start(start), m_seenBytes(start.identifiers().size(), std::array<bool, 256>{}) {}

void SummaryCollector::countStepRun() {
    m_stepCounts.emplace_back(m_runStep, m_runLength);
    if (m_stepCounts.size() < m_foldAt) return;
    foldSteps(m_stepCounts);
    // A log of many different steps folds seldom, each time twice as long a list.
    m_foldAt = std::max(m_foldAt, 2 * m_stepCounts.size());
}

void SummaryCollector::beginRecord(int record, int seconds) {
    m_record = record;
    m_seconds = seconds;
}

void SummaryCollector::sample(std::uint8_t hundredths, std::span<const std::uint8_t> raw) {
    const SampleClock clock{m_seconds, hundredths};
    SampleSpan& span = m_summary.span;
    if (span.samples > 0) {
        const long long step = clock.milliseconds() - span.last.milliseconds();
        if (step > 0 && step == m_runStep) {
            ++m_runLength;
        } else if (step > 0) {
            if (m_runLength > 0) countStepRun();
            m_runStep = step;
            m_runLength = 1;
        }
        if (step < 0 || step > kLongestQuietSpell) {
            m_summary.timeJumps.push_back({m_record, span.last, clock});
        }
    }
    for (std::size_t column = 0; column < m_seenBytes.size(); ++column) {
        m_seenBytes[column][raw[column]] = true;
    }
    span.add(clock);
}

LogSummary SummaryCollector::summary() const {
    LogSummary summary = m_summary;
    StepCounts stepCounts = m_stepCounts;
    if (m_runLength > 0) stepCounts.emplace_back(m_runStep, m_runLength);
    foldSteps(stepCounts);
    if (const std::optional<double> step = medianStep(stepCounts)) {
        summary.medianSampleRate = 1000.0 / *step;
    }
    summary.channels.reserve(m_seenBytes.size());
    for (std::size_t column = 0; column < m_seenBytes.size(); ++column) {
        summary.channels.push_back(rangeOf(m_start.identifiers()[column], m_seenBytes[column]));
    }
    return summary;
}

LogSummary summarizeLog(ByteSource& log, ReportingServices& services) {
    const LogStart start = readLogStart(log);
    SummaryCollector collector(start);
    SampleVisitor* const visitors[] = {&collector};
    if (const std::optional<ReadingStop> stop = readSamples(log, start, visitors, services)) {
        throw stop->failure;
    }
    return collector.summary();
}

std::string rangeValueText(const std::optional<std::uint8_t>& raw, std::uint8_t identifier,
                           char decimalMark) {
    if (!raw) return "-";
    std::string text = valueText(identifier, *raw, decimalMark);
    // A whole number's cell keeps a space where a minus would go.
    if (text.starts_with(' ')) text.erase(0, 1);
    return text.empty() ? "0" : text;
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
