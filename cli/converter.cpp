#include "cli/converter.h"

#include <variant>

#include "cli/batch.h"
#include "cli/compare.h"
#include "cli/console_services.h"
#include "cli/options.h"
#include "cli/summary_table.h"

namespace quillet {
namespace {

int carryOut(ConverterOptions options, Console& console) {
    if (!options.setup.empty()) {
        if (const std::optional<int> status = readPageSetup(options, console)) return *status;
    }
    switch (options.mode) {
        case ConverterMode::OneLog:
            return convertOneLog(options, console);
        case ConverterMode::ManyLogs:
            return convertManyLogs(options, console);
        case ConverterMode::Summary:
            return summarizeLogs(options, console);
        case ConverterMode::Compare:
            return compareLogs(options, console);
    }
    return 2;
}

// The help or the version, which fails like any output when it cannot be written, and is
// written over no log.
int print(const InformationRequest& request, Console& console) {
    if (const auto lost = standardOutputLosesALog("the text", {}, console.outputFile())) {
        console.writeError(usageErrorText(*lost));
        return 2;
    }
    ConsoleServices services(console);
    const auto written = runReported(services, [&] { console.writeOutput(request.text); });
    return written == ConversionOutcome::Converted ? 0 : 1;
}

}  // namespace

int runConverter(const std::vector<std::string>& arguments, Console& console) {
    const ParsedCommandLine parsed = parseCommandLine(arguments);
    if (const auto* options = std::get_if<ConverterOptions>(&parsed)) {
        return carryOut(*options, console);
    }
    if (const auto* request = std::get_if<InformationRequest>(&parsed)) {
        return print(*request, console);
    }
    console.writeError(usageErrorText(std::get<UsageError>(parsed)));
    return 2;
}

}  // namespace quillet
