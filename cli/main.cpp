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
    const std::string& input = options.inputs.front();
    quillet::ConsoleServices console;
    quillet::ConversionOutcome outcome;
    if (options.output == "-") {
        quillet::StandardOutputTarget standardOutput;
        outcome = quillet::convertLog(input, standardOutput, console, options.profile);
    } else if (options.update && quillet::csvIsUpToDate(input, options.output)) {
        outcome = quillet::ConversionOutcome::Converted;
    } else {
        outcome = quillet::convertLog(input, options.output, console, options.profile);
    }
    return outcome == quillet::ConversionOutcome::Converted ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const auto parsed = quillet::parseCommandLine(quillet::platform::commandLineArguments(argc, argv));
    if (const int* exitStatus = std::get_if<int>(&parsed)) {
        return *exitStatus;
    }
    const auto& options = std::get<quillet::ConverterOptions>(parsed);
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
