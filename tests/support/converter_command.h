#pragma once

#include <filesystem>
#include <string>

namespace quillet::support {

struct CommandResult {
    int exitCode;
    std::string standardOutput;
    std::string standardError;
};

// Runs `program arguments` through the shell, its output caught in files in `scratch`. Where
// the platform has `timeout`, a run that does not end within a minute ends with status 124.
// Standard error is text, so its Windows line ends come back as "\n".
CommandResult runCommand(const std::string& program, const std::string& arguments,
                         const std::filesystem::path& scratch);

std::string withoutCarriageReturns(const std::string& text);

// A path in double quotes, for a command line.
std::string shellQuoted(const std::filesystem::path& path);

}  // namespace quillet::support
