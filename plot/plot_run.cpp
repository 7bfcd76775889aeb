#include "plot_run.h"

#include <memory>

#include "failure.h"
#include "log_chart.h"
#include "svg_picture.h"

namespace quillet {

ConversionOutcome plotLog(LogInput& log, OutputTarget& output, ReportingServices& services) {
    return runReported(services, [&] {
        // The whole log is read before the output is replaced, so that a log that cannot be
        // read at all leaves an existing picture as it was.
        const LogChart chart = readLogChart(log.source(), log.fileName(), kPlotColumns, services);
        const std::unique_ptr<ByteSink> sink = output.replace();
        try {
            WriteBuffer out(*sink);
            writeSvgPicture(chart, out);
            out.flush();
            sink->close();
        } catch (...) {
            if (!chart.stop) throw;
            throw withOutputFailure(chart.stop->failure, failureFromCurrentException());
        }
        // A damaged log is drawn up to its damage, and then fails as its conversion does.
        if (chart.stop) throw chart.stop->failure;
    });
}

ConversionOutcome plotLog(const std::string& inputPath, OutputTarget& output,
                          ReportingServices& services) {
    FileLogInput log(inputPath);
    return plotLog(log, output, services);
}

}  // namespace quillet
