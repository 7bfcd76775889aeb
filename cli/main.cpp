#include <string>
#include <variant>
#include <vector>

#include "batch.h"
#include "console_services.h"
#include "conversion_run.h"
#include "options.h"
#include "platform_file.h"
#include "summary_table.h"

namespace {

int convertOneLog(const quillet::ConverterOptions& options) {
    quillet::ConsoleServices console;
    const quillet::LogJob job{options.inputs.front(), options.output, options.picture};
    return quillet::runJob(job, options, console) == quillet::JobOutcome::Failed ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    const auto parsed =
        quillet::parseCommandLine(quillet::platform::commandLineArguments(argc, argv));
    if (const int* exitStatus = std::get_if<int>(&parsed)) {
        return *exitStatus;
    }
    const auto& options = std::get<quillet::ConverterOptions>(parsed);
    quillet::platform::removeTemporaryFileOnInterruption();
    switch (options.mode) {
        case quillet::ConverterMode::OneLog:
            return convertOneLog(options);
        case quillet::ConverterMode::ManyLogs:
            return quillet::convertManyLogs(options);
        case quillet::ConverterMode::Summary:
            return quillet::summarizeLogs(options.inputs);
    }
    return 2;
}
