#include "system/windows/file_errors.h"

#include <io.h>

#include <algorithm>

namespace quillet::system::windows {
namespace {

// ERROR_DISK_QUOTA_EXCEEDED, which MinGW's headers do not name.
constexpr DWORD kDiskQuotaExceeded = 1295;

}  // namespace

FailureNumber writeFailure(DWORD error) {
    switch (error) {
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
        case kDiskQuotaExceeded:
        case ERROR_FILE_TOO_LARGE:
            return FailureNumber::DiskFull;
        default:
            return FailureNumber::DeviceIoError;
    }
}

FailureNumber creationFailure(DWORD error) {
    switch (error) {
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
        case kDiskQuotaExceeded:
            return FailureNumber::DiskFull;
        default:
            return FailureNumber::PathFileAccessError;
    }
}

void writeAll(HANDLE handle, std::span<const char> bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        if (!WriteFile(handle, bytes.data(), wanted, &written, nullptr)) {
            throw Failure(writeFailure(GetLastError()));
        }
        if (written == 0) throw Failure(FailureNumber::DiskFull);
        bytes = bytes.subspan(written);
    }
}

HANDLE handleOf(std::FILE* stream) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
}

}  // namespace quillet::system::windows
