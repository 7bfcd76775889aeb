#include "frontend/opened_log.h"

#include <filesystem>
#include <span>

#include "conversion/log_naming.h"
#include "system/paths.h"

namespace quillet::frontend {

PathBoxTexts withOpenedLog(PathBoxTexts boxes, std::string_view logPath) {
    boxes.input = logPath;
    if (boxes.output.empty()) {
        boxes.output = csvPathForLog(logPath);
    }
    return boxes;
}

namespace {

// "--" ends the options, as in every command: what follows it is a log, however it is named.
std::span<const std::string> afterEndOfOptions(std::span<const std::string> arguments) {
    if (!arguments.empty() && arguments.front() == "--") return arguments.subspan(1);
    return arguments;
}

}  // namespace

WindowProgramStart readWindowArguments(const std::vector<std::string>& commandLine) {
    std::span<const std::string> arguments(commandLine);
    if (!arguments.empty()) arguments = arguments.subspan(1);
    if (!arguments.empty() && arguments.front() == "--page") {
        const std::span<const std::string> logs = afterEndOfOptions(arguments.subspan(1));
        return {std::vector<std::string>(logs.begin(), logs.end()), std::nullopt};
    }
    arguments = afterEndOfOptions(arguments);
    if (arguments.empty() || system::withoutSurroundingQuotes(arguments.front()).empty()) return {};
    try {
        return {std::nullopt, system::utf8FromPath(std::filesystem::absolute(
                                  system::pathFromUtf8(arguments.front())))};
    } catch (...) {
        // A path that names no file here still goes into the box as it was given; converting it
        // then says so.
        return {std::nullopt, arguments.front()};
    }
}

}  // namespace quillet::frontend
