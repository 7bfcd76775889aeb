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

std::unique_ptr<LogOutput> makePictureOutput(const LogToWrite& log) {
    return std::make_unique<PictureOutput>(log.fileName, log.source, log.start);
}

}  // namespace quillet
