#include "plot_run.h"

#include <memory>

#include "failure.h"
#include "log_chart.h"
#include "svg_picture.h"

namespace quillet {
namespace {

void reportFailure(const Failure& failure, ReportingServices& services) {
    services.showMessage(failureMessage(failure.number(), failure.description()),
                         failureIcon(failure.number()));
    services.setBusyPointer(false);
    services.setProgressValue(0);
}

// Reads the whole log before the output is replaced, so that a log that cannot be read leaves
// an existing picture as it was.
LogChart drawToOutput(const std::string& inputPath, OutputTarget& output,
                      ReportingServices& services) {
    services.setBusyPointer(true);
    LogChart chart;
    {
        const std::unique_ptr<ByteSource> input = openInputFile(inputPath);
        chart = readLogChart(*input, std::string(inputFileName(inputPath)), kPlotColumns, services);
    }
    const std::unique_ptr<ByteSink> sink = output.replace();
    WriteBuffer out(*sink);
    writeSvgPicture(chart, out);
    out.flush();
    sink->close();
    return chart;
}

}  // namespace

ConversionOutcome plotLog(const std::string& inputPath, OutputTarget& output,
                          ReportingServices& services) {
    try {
        const LogChart chart = drawToOutput(inputPath, output, services);
        if (chart.stop) {
            reportFailure(chart.stop->failure, services);
            return ConversionOutcome::Failed;
        }
        services.setBusyPointer(false);
        services.setProgressValue(1);
        services.beep();
        return ConversionOutcome::Converted;
    } catch (...) {
        reportFailure(failureFromCurrentException(), services);
        return ConversionOutcome::Failed;
    }
}

}  // namespace quillet
