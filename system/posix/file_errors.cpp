#include "system/posix/file_errors.h"

#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace quillet::system::posix {

FailureNumber writeFailure(int error) {
    switch (error) {
        case ENOSPC:
        case EFBIG:
#ifdef EDQUOT
        case EDQUOT:
#endif
            return FailureNumber::DiskFull;
        default:
            return FailureNumber::DeviceIoError;
    }
}

void failCreation(int error, const std::filesystem::path& path) {
    FailureNumber number = FailureNumber::PathFileAccessError;
    switch (error) {
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
            number = FailureNumber::DiskFull;
            break;
        case EIO:
            number = FailureNumber::DeviceIoError;
            break;
    }
    throw Failure(number).withSystemReason(path.string(), std::generic_category().message(error));
}

void writeAll(int descriptor, std::span<const char> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        // A write of nothing into a file that takes no more is a full disk.
        if (written <= 0) throw Failure(writeFailure(written < 0 ? errno : ENOSPC));
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
}

}  // namespace quillet::system::posix
