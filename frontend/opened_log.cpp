#include "frontend/opened_log.h"

#include <filesystem>

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

WindowProgramStart readWindowArguments(const std::vector<std::string>& arguments) {
    if (arguments.size() > 1 && arguments[1] == "--page") {
        return {std::vector<std::string>(arguments.begin() + 2, arguments.end()), std::nullopt};
    }
    if (arguments.size() < 2 || system::withoutSurroundingQuotes(arguments[1]).empty()) return {};
    try {
        return {std::nullopt, system::utf8FromPath(
                                  std::filesystem::absolute(system::pathFromUtf8(arguments[1])))};
    } catch (...) {
        // A path that names no file here still goes into the box as it was given; converting it
        // then says so.
        return {std::nullopt, arguments[1]};
    }
}

}  // namespace quillet::frontend
