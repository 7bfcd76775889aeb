#include "plot_run.h"

#include "log_chart.h"
#include "log_output.h"
#include "svg_picture.h"

namespace quillet {

ConversionOutcome plotLog(LogInput& log, OutputTarget& output, ReportingServices& services) {
    return runReported(services, [&] {
        const LogChart chart = readLogChart(log.source(), log.fileName(), kPlotColumns, services);
        writeReadingOf(output, chart.stop, 64 * 1024,
                       [&](WriteBuffer& out) { writeSvgPicture(chart, out); });
    });
}

ConversionOutcome plotLog(const std::string& inputPath, OutputTarget& output,
                          ReportingServices& services) {
    FileLogInput log(inputPath);
    return plotLog(log, output, services);
}

}  // namespace quillet
