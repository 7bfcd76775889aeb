#include "system/standard_streams.h"

#include <sys/stat.h>
#include <unistd.h>

namespace quillet::system {

std::FILE* binaryStandardInput() { return stdin; }

std::FILE* binaryStandardOutput() { return stdout; }

std::string withPlatformLineEnds(std::string_view text) { return std::string(text); }

void writeStandardError(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

// The descriptor's entry in /proc reaches the file whatever name it has, or none.
std::optional<std::string> standardOutputFile() {
    struct stat status {};
    if (fstat(STDOUT_FILENO, &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    return "/proc/self/fd/1";
}

}  // namespace quillet::system
