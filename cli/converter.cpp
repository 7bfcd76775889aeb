#include "converter.h"

#include <variant>

#include "batch.h"
#include "console_services.h"
#include "options.h"
#include "standard_streams.h"
#include "summary_table.h"

namespace quillet {
namespace {

int carryOut(const ConverterOptions& options) {
    switch (options.mode) {
        case ConverterMode::OneLog:
            return convertOneLog(options);
        case ConverterMode::ManyLogs:
            return convertManyLogs(options);
        case ConverterMode::Summary:
            return summarizeLogs(options);
    }
    return 2;
}

// The help or the version, which fails like any output when it cannot be written.
int print(const InformationRequest& request) {
    ConsoleServices console;
    const auto written = runReported(console, [&] { program::writeStandardOutput(request.text); });
    return written == ConversionOutcome::Converted ? 0 : 1;
}

}  // namespace

int runConverter(const std::vector<std::string>& arguments) {
    const ParsedCommandLine parsed = parseCommandLine(arguments);
    if (const auto* options = std::get_if<ConverterOptions>(&parsed)) return carryOut(*options);
    if (const auto* request = std::get_if<InformationRequest>(&parsed)) return print(*request);
    program::writeStandardError(usageErrorText(std::get<UsageError>(parsed)));
    return 2;
}

}  // namespace quillet
