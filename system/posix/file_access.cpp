#include "system/file_access.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "conversion/failure.h"
#include "system/paths.h"
#include "system/posix/file_errors.h"

namespace quillet::system {

namespace fs = std::filesystem;

std::FILE* openForReadingByPosition(const fs::path& path) {
    // O_NONBLOCK keeps a pipe without a writer from holding the open.
    const int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) return nullptr;
    struct stat status {};
    const bool byPosition = fstat(descriptor, &status) == 0 && !S_ISDIR(status.st_mode) &&
                            !S_ISFIFO(status.st_mode) && !S_ISSOCK(status.st_mode) &&
                            lseek(descriptor, 0, SEEK_CUR) >= 0;
    const int flags = fcntl(descriptor, F_GETFL);
    std::FILE* file =
        byPosition && flags >= 0 && fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) == 0
            ? fdopen(descriptor, "rb")
            : nullptr;
    if (!file) {
        close(descriptor);
        errno = S_ISDIR(status.st_mode) ? EISDIR : ESPIPE;
    }
    return file;
}

bool seekFile(std::FILE* file, std::uint64_t position) {
    return fseeko(file, static_cast<off_t>(position), SEEK_SET) == 0;
}

bool isDeviceOrPipe(const fs::path& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode);
}

// Opened to ask, since the terminal of "/dev/tty" is known only to the process that opens it.
bool namesTerminal(const fs::path& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 || !S_ISCHR(status.st_mode)) return false;
    const int descriptor = open(path.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) return false;
    const bool terminal = isatty(descriptor) != 0;
    close(descriptor);
    return terminal;
}

std::FILE* openInPlace(const fs::path& path) {
    std::FILE* stream = std::fopen(path.c_str(), "wb");
    if (stream) std::setvbuf(stream, nullptr, _IONBF, 0);
    return stream;
}

void writeToStream(std::FILE* stream, std::span<const char> bytes) {
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), stream) != bytes.size()) {
        throw Failure(posix::writeFailure(errno));
    }
}

void flushStream(std::FILE* stream) {
    errno = 0;
    if (std::fflush(stream) != 0) throw Failure(posix::writeFailure(errno));
}

void checkReplaceable(const fs::path&) {}

bool sameFile(const fs::path& a, const fs::path& b) {
    std::error_code error;
    if (fs::equivalent(a, b, error) && !error) return true;
    // Paths of files yet to be made are one file when they spell one path.
    const std::optional<fs::path> first = absoluteSpelling(a);
    const std::optional<fs::path> second = absoluteSpelling(b);
    return first && second && *first == *second;
}

}  // namespace quillet::system
