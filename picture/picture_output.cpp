#include "picture/picture_output.h"

#include "picture/log_chart.h"
#include "picture/svg_picture.h"

namespace quillet {

void PictureOutput::end(WriteBuffer& out, const std::optional<ReadingStop>& stop) {
    LogChart chart = chartOf(m_samples, kPlotColumns);
    chart.title = m_title;
    chart.recordCount = m_recordCount;
    chart.stop = stop;
    writeSvgPicture(chart, out);
}

ConversionOutcome plotLog(LogInput& log, OutputTarget& output, ReportingServices& services) {
    return runReported(services, [&] {
        ByteSource& source = log.source();
        const LogStart start = readLogStart(source);
        LogSamples samples(start);
        PictureOutput picture(log.fileName(), start, samples);
        const JobOutput outputs[] = {{picture, output}};
        SampleVisitor* const visitors[] = {&samples};
        writeLogOutputs(source, start, outputs, visitors, services);
    });
}

}  // namespace quillet
