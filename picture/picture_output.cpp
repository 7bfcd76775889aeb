#include "picture/picture_output.h"

#include "picture/svg_picture.h"

namespace quillet {

PictureOutput::PictureOutput(std::string title, ByteSource& source, const LogStart& start)
    : m_title(std::move(title)),
      m_recordCount(start.header.recordCount()),
      m_reading(start, timeAxisOf(source, start, kPlotColumns)) {}

void PictureOutput::end(WriteBuffer& out, const std::optional<ReadingStop>& stop) {
    LogChart& chart = m_reading.chart();
    chart.title = m_title;
    chart.recordCount = m_recordCount;
    chart.stop = stop;
    writeSvgPicture(chart, out);
}

ConversionOutcome plotLog(LogInput& log, OutputTarget& output, ReportingServices& services) {
    return runReported(services, [&] {
        ByteSource& source = log.source();
        const LogStart start = readLogStart(source);
        PictureOutput picture(log.fileName(), source, start);
        const JobOutput outputs[] = {{picture, output}};
        SampleVisitor* const visitors[] = {&picture.reading()};
        writeLogOutputs(source, start, outputs, visitors, services);
    });
}

}  // namespace quillet
