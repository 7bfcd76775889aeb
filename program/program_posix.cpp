#include <unistd.h>

#include "command_line.h"
#include "standard_streams.h"

namespace quillet::program {

std::vector<std::string> commandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

bool isTerminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

std::FILE* binaryStandardInput() { return stdin; }

std::FILE* binaryStandardOutput() { return stdout; }

std::string withPlatformLineEnds(std::string_view text) { return std::string(text); }

void writeStandardError(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

}  // namespace quillet::program
