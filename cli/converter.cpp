#include "cli/converter.h"

#include <variant>

#include "cli/batch.h"
#include "cli/console_services.h"
#include "cli/options.h"
#include "cli/summary_table.h"
#include "system/standard_streams.h"

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
    const auto written = runReported(console, [&] { system::writeStandardOutput(request.text); });
    return written == ConversionOutcome::Converted ? 0 : 1;
}

}  // namespace

int runConverter(const std::vector<std::string>& arguments) {
    const ParsedCommandLine parsed = parseCommandLine(arguments);
    if (const auto* options = std::get_if<ConverterOptions>(&parsed)) return carryOut(*options);
    if (const auto* request = std::get_if<InformationRequest>(&parsed)) return print(*request);
    system::writeStandardError(usageErrorText(std::get<UsageError>(parsed)));
    return 2;
}

}  // namespace quillet
