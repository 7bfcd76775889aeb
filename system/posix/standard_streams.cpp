#include "system/standard_streams.h"

namespace quillet::system {

std::FILE* binaryStandardInput() { return stdin; }

std::FILE* binaryStandardOutput() { return stdout; }

std::string withPlatformLineEnds(std::string_view text) { return std::string(text); }

void writeStandardError(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

}  // namespace quillet::system
