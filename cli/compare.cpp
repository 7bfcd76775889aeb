#include "cli/compare.h"

#include <memory>
#include <string>
#include <vector>

#include "cli/batch.h"
#include "cli/console_services.h"
#include "cli/log_list.h"
#include "conversion/failure.h"
#include "conversion/utf8_text.h"
#include "page/html_page.h"
#include "page/page_output.h"
#include "system/log_files.h"

namespace quillet {

std::optional<int> readPageSetup(ConverterOptions& options, Console& console) {
    std::string text(kLongestPageSetup + 1, '\0');
    try {
        system::FileLogInput file(options.setup);
        text.resize(file.source().readAt(
            0, std::span(reinterpret_cast<std::uint8_t*>(text.data()), text.size())));
    } catch (...) {
        printFailure(console, options.setup, failureFromCurrentException());
        return 1;
    }
    if (const std::optional<std::string> problem = pageSetupProblem(text)) {
        console.writeError(
            usageErrorText(UsageError{"--setup " + displayName(options.setup) + " " + *problem}));
        return 2;
    }
    options.pageSetup = std::move(text);
    return std::nullopt;
}

int compareLogs(const ConverterOptions& options, Console& console) {
    std::vector<LogJob> jobs;
    for (const std::string& log : options.inputs) jobs.push_back({log, {}});
    jobs.front().outputs = options.outputs;
    const std::string& page = options.outputs.front().path;
    if (const std::optional<UsageError> lost = lostLogError(jobs, false, console.outputFile())) {
        console.writeError(usageErrorText(*lost));
        return 2;
    }
    std::vector<std::unique_ptr<LogInput>> logs;
    for (const std::string& log : options.inputs) logs.push_back(logInputOf(log, options.logName));
    const std::unique_ptr<OutputTarget> target =
        outputTarget(page, options.inputs.front(), system::InPlaceOutputs::Written);
    ConsoleServices services(console, showsOnTerminal(page));
    const auto logBegins = [&](std::size_t log) {
        services.beginLog(logLabel(options.inputs[log], options.logName), static_cast<int>(log + 1),
                          static_cast<int>(logs.size()));
    };
    const ConversionOutcome outcome =
        pageLogs(logs, *target, services, {options.profile, options.pageSetup}, logBegins);
    return outcome == ConversionOutcome::Converted ? 0 : 1;
}

}  // namespace quillet
