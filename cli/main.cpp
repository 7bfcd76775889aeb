#include <memory>
#include <optional>
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

// "-" as INPUT reads the log from standard input, and as OUTPUT writes the CSV there.
int convertOneLog(const quillet::ConverterOptions& options) {
    const std::string& input = options.inputs.front();
    const bool fromStandardInput = input == "-";
    if (!fromStandardInput && options.output != "-" && options.update &&
        quillet::csvIsUpToDate(input, options.output)) {
        return 0;
    }
    std::unique_ptr<quillet::LogInput> log;
    if (fromStandardInput) {
        log = std::make_unique<quillet::StandardInputLog>(options.logName.value_or("-"));
    } else {
        log = std::make_unique<quillet::FileLogInput>(input);
    }
    std::unique_ptr<quillet::OutputTarget> target;
    if (options.output == "-") {
        target = std::make_unique<quillet::StandardOutputTarget>();
    } else {
        target = std::make_unique<quillet::FileOutputTarget>(
            options.output, fromStandardInput ? std::nullopt : std::optional(input));
    }
    quillet::ConsoleServices console;
    return quillet::convertLog(*log, *target, console, options.profile) ==
                   quillet::ConversionOutcome::Converted
               ? 0
               : 1;
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
