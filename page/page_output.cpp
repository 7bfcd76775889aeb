#include "page/page_output.h"

#include "conversion/failure.h"

namespace quillet {
namespace {

// A log of a page of several, read before the last: its samples and summary, and where its
// reading stopped.
struct EarlierRun {
    EarlierRun(LogInput& log, const LogStart& start)
        : title(log.fileName()), start(start), samples(start), summary(start) {}

    PageRun run() const {
        return {title, start.header.recordCount(), samples, summary.summary(), stop};
    }

    std::string title;
    LogStart start;
    LogSamples samples;
    SummaryCollector summary;
    std::optional<ReadingStop> stop;
};

std::unique_ptr<EarlierRun> readRun(LogInput& log, ReportingServices& services) {
    ByteSource& source = log.source();
    auto reading = std::make_unique<EarlierRun>(log, readLogStart(source));
    SampleVisitor* const visitors[] = {&reading->samples, &reading->summary};
    reading->stop = readSamples(source, reading->start, visitors, services);
    return reading;
}

}  // namespace

void PageOutput::end(WriteBuffer& out, const std::optional<ReadingStop>& stop) {
    std::vector<PageRun> runs = m_earlierRuns;
    runs.push_back({m_title, m_recordCount, m_samples, m_summary.summary(), stop});
    writeHtmlPage(runs, m_settings, out);
}

std::unique_ptr<LogOutput> makePageOutput(const LogToWrite& log) {
    return std::make_unique<PageOutput>(log.fileName, log.start,
                                        PageSettings{log.profile, std::string(log.pageSetup)});
}

ConversionOutcome pageLogs(std::span<const std::unique_ptr<LogInput>> logs, OutputTarget& output,
                           ReportingServices& services, const PageSettings& settings,
                           const PageLogBegins& logBegins) {
    const auto begins = [&](std::size_t log) {
        if (logBegins) logBegins(log);
    };
    return runReported(services, [&] {
        if (logs.empty() || logs.size() > kMostPageRuns) {
            throw Failure(FailureNumber::InternalError);
        }
        std::vector<std::unique_ptr<EarlierRun>> earlier;
        for (std::size_t log = 0; log + 1 < logs.size(); ++log) {
            begins(log);
            earlier.push_back(readRun(*logs[log], services));
        }
        std::vector<PageRun> earlierRuns;
        for (const auto& reading : earlier) earlierRuns.push_back(reading->run());
        const std::size_t last = logs.size() - 1;
        begins(last);
        ByteSource& source = logs[last]->source();
        const LogStart start = readLogStart(source);
        PageOutput page(logs[last]->fileName(), start, settings, std::move(earlierRuns));
        const JobOutput outputs[] = {{page, output}};
        writeMadeOutputs(source, start, outputs, {}, services);
        for (std::size_t log = 0; log < earlier.size(); ++log) {
            if (!earlier[log]->stop) continue;
            begins(log);
            throw earlier[log]->stop->failure;
        }
    });
}

}  // namespace quillet
