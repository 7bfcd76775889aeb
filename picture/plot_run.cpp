#include "picture/plot_run.h"

#include "chart/log_output.h"
#include "picture/log_chart.h"
#include "picture/svg_picture.h"

namespace quillet {

ConversionOutcome plotLog(LogInput& log, OutputTarget& output, ReportingServices& services) {
    return runReported(services, [&] {
        const LogChart chart = readLogChart(log.source(), log.fileName(), kPlotColumns, services);
        writeReadingOf(output, chart.stop, 64 * 1024,
                       [&](WriteBuffer& out) { writeSvgPicture(chart, out); });
    });
}

}  // namespace quillet
