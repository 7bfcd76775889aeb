#include "converter_command.h"

#include <cstdlib>

#include "log_writer.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace quillet::support {

std::string shellQuoted(const std::filesystem::path& path) { return "\"" + path.string() + "\""; }

std::string withoutCarriageReturns(const std::string& text) {
    std::string lines;
    for (char c : text) {
        if (c != '\r') lines += c;
    }
    return lines;
}

CommandResult runCommand(const std::string& program, const std::string& arguments,
                         const std::filesystem::path& scratch) {
    const std::filesystem::path out = scratch / "command-stdout.txt";
    const std::filesystem::path err = scratch / "command-stderr.txt";
    const std::string redirected =
        shellQuoted(program) + " " + arguments + " >" + shellQuoted(out) + " 2>" + shellQuoted(err);
#ifdef _WIN32
    const int exitCode = std::system(("\"" + redirected + "\"").c_str());
#else
    const int status = std::system(("timeout 60 " + redirected).c_str());
    const int exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    CommandResult result{exitCode, readFile(out), readFile(err)};
#ifdef _WIN32
    result.standardError = withoutCarriageReturns(result.standardError);
#endif
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return result;
}

}  // namespace quillet::support
