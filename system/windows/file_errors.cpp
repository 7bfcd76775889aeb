#include "system/windows/file_errors.h"

#include <io.h>

#include <algorithm>
#include <system_error>

#include "system/paths.h"
#include "system/wide_text.h"
#include "system/windows/pending_removal.h"

namespace quillet::system::windows {
namespace {

// ERROR_DISK_QUOTA_EXCEEDED, which MinGW's headers do not name.
constexpr DWORD kDiskQuotaExceeded = 1295;

// The status a POSIX shell gives a process that SIGPIPE ended: 128 and the signal's number.
constexpr UINT kClosedPipeStatus = 128 + 13;

// How a write learns that its pipe's reader has gone: Windows says the pipe is being closed or
// broken, Wine (for a pipe of the host's) that nothing is connected to it.
bool isClosedPipe(DWORD error) {
    return error == ERROR_NO_DATA || error == ERROR_BROKEN_PIPE ||
           error == ERROR_PIPE_NOT_CONNECTED;
}

// A reader that stopped reading (`| more` left early, `| head -1`) is no failure of the run: as
// SIGPIPE ends the process on POSIX systems, it ends quietly, without the temporary files it
// was writing.
[[noreturn]] void endForClosedPipe() {
    removeAnnouncedFiles();
    ExitProcess(kClosedPipeStatus);
}

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

// The words the C library gives the error's POSIX counterpart, where it has one, so that a message
// reads as on other systems; the system's own words otherwise.
std::string reasonOf(DWORD error) {
    const std::error_condition condition =
        std::system_category().default_error_condition(static_cast<int>(error));
    if (condition.category() == std::generic_category()) return condition.message();
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string reason = length > 0 ? utf8FromWide(std::wstring(text, length))
                                    : "Windows error " + std::to_string(error);
    LocalFree(text);
    return reason;
}

Failure creationFailure(DWORD error, const std::filesystem::path& path) {
    const bool full =
        error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL || error == kDiskQuotaExceeded;
    return Failure(full ? FailureNumber::DiskFull : FailureNumber::PathFileAccessError)
        .withSystemReason(utf8FromPath(path), reasonOf(error));
}

// Only a file that nothing holds opens unshared.
bool isHeldOpen(const std::filesystem::path& path) {
    for (int attempt = 1;; ++attempt) {
        const HANDLE handle = CreateFileW(path.c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
            return false;
        }
        if (GetLastError() != ERROR_SHARING_VIOLATION) return false;
        if (attempt == kLookTries) return true;
        Sleep(kLookRetryMilliseconds);
    }
}

Failure heldOpenFailure() {
    return Failure(FailureNumber::PathFileAccessError, "The file is in use by another program");
}

void writeAll(HANDLE handle, std::span<const char> bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        if (!WriteFile(handle, bytes.data(), wanted, &written, nullptr)) {
            const DWORD error = GetLastError();
            if (isClosedPipe(error)) endForClosedPipe();
            throw Failure(writeFailure(error));
        }
        if (written == 0) throw Failure(FailureNumber::DiskFull);
        bytes = bytes.subspan(written);
    }
}

HANDLE handleOf(std::FILE* stream) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
}

}  // namespace quillet::system::windows
