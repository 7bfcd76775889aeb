#include "page/page_output.h"

#include "page/html_page.h"

namespace quillet {

void PageOutput::end(WriteBuffer& out, const std::optional<ReadingStop>& stop) {
    const LogPage page{m_title, m_recordCount, m_samples, m_summary.summary(), stop};
    writeHtmlPage(page, m_profile, out);
}

ConversionOutcome pageLog(LogInput& log, OutputTarget& output, ReportingServices& services,
                          const CsvProfile& profile) {
    return runReported(services, [&] {
        ByteSource& source = log.source();
        const LogStart start = readLogStart(source);
        LogSamples samples(start);
        SummaryCollector summary(start);
        PageOutput page(log.fileName(), start, samples, summary, profile);
        const JobOutput outputs[] = {{page, output}};
        SampleVisitor* const visitors[] = {&samples, &summary};
        writeLogOutputs(source, start, outputs, visitors, services);
    });
}

}  // namespace quillet
