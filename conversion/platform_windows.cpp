#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <string>
#include <utility>

#include "failure.h"
#include "paths.h"
#include "platform.h"
#include "temporary_name.h"

namespace quillet::platform {
namespace {

namespace fs = std::filesystem;

// Enough tries to find a free temporary name even among the leftovers of crashed runs.
constexpr int kNameTries = 100;

// ERROR_DISK_QUOTA_EXCEEDED, which MinGW's headers do not name.
constexpr DWORD kDiskQuotaExceeded = 1295;

// The attributes a user sets on a file and expects a replaced file to keep.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

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

// The temporary file a console event must remove. It is opened with FILE_SHARE_DELETE, so
// that the handler, which runs on a thread of its own, can delete it while it is open.
wchar_t g_pendingPath[32768];
std::atomic<bool> g_pending{false};

void announceRemoval(const fs::path& path) {
    g_pending = false;
    const std::wstring& text = path.native();
    if (text.size() >= std::size(g_pendingPath)) return;
    text.copy(g_pendingPath, text.size());
    g_pendingPath[text.size()] = L'\0';
    g_pending = true;
}

void withdrawRemoval() { g_pending = false; }

BOOL WINAPI removePendingOnConsoleEvent(DWORD) {
    if (g_pending) DeleteFileW(g_pendingPath);
    // Not handled: the default handler then ends the process.
    return FALSE;
}

fs::path folderOf(const fs::path& target) {
    return target.has_parent_path() ? target.parent_path() : fs::path(".");
}

bool processRuns(unsigned long process) {
    const HANDLE handle =
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(process));
    if (!handle) return GetLastError() == ERROR_ACCESS_DENIED;
    DWORD exitCode = 0;
    const bool running = GetExitCodeProcess(handle, &exitCode) && exitCode == STILL_ACTIVE;
    CloseHandle(handle);
    return running;
}

// Removes the temporary files that runs ended from outside (Task Manager, taskkill /f) left in
// the folder. A file is taken only when the run that wrote it is gone and nothing holds it
// open, so that a run of another machine on a shared folder keeps its own.
void removeLeftoverTemporaryFiles(const fs::path& folder) {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder / L".quillet-*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const fs::path name(found.cFileName);
        const auto writer = writerOfTemporaryName(utf8FromPath(name));
        if (!writer || *writer == GetCurrentProcessId() || processRuns(*writer)) continue;
        const HANDLE leftover =
            CreateFileW((folder / name).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                        FILE_FLAG_DELETE_ON_CLOSE | FILE_ATTRIBUTE_NORMAL, nullptr);
        if (leftover != INVALID_HANDLE_VALUE) CloseHandle(leftover);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

}  // namespace

struct ReplacementFile::State {
    explicit State(const fs::path& replaced) : target(replaced) {}
    ~State() { discard(); }

    fs::path target;
    fs::path temporaryName;
    HANDLE handle = INVALID_HANDLE_VALUE;
    // The attributes the file takes when it takes the target's place.
    DWORD attributes = FILE_ATTRIBUTE_ARCHIVE;
    bool kept = false;

    void create() {
        const DWORD replaced = GetFileAttributesW(target.c_str());
        if (replaced != INVALID_FILE_ATTRIBUTES) attributes = replaced & kKeptAttributes;
        const fs::path folder = folderOf(target);
        removeLeftoverTemporaryFiles(folder);
        for (int attempt = 0; attempt < kNameTries; ++attempt) {
            temporaryName = folder / nextTemporaryName(GetCurrentProcessId());
            announceRemoval(temporaryName);
            // Hidden while it is written, and kept in memory where the system can.
            handle =
                CreateFileW(temporaryName.c_str(), GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            CREATE_NEW, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY, nullptr);
            if (handle != INVALID_HANDLE_VALUE) return;
            const DWORD error = GetLastError();
            withdrawRemoval();
            temporaryName.clear();
            if (error != ERROR_FILE_EXISTS) throw Failure(creationFailure(error));
        }
        throw Failure(FailureNumber::PathFileAccessError);
    }

    void keep() {
        FILE_BASIC_INFO basic{};
        basic.FileAttributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
        const bool attributed =
            SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic);
        const DWORD attributeError = GetLastError();
        if (!CloseHandle(std::exchange(handle, INVALID_HANDLE_VALUE))) {
            throw Failure(writeFailure(GetLastError()));
        }
        if (!attributed) throw Failure(writeFailure(attributeError));
        if (!MoveFileExW(temporaryName.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
            throw Failure(creationFailure(GetLastError()));
        }
        kept = true;
        withdrawRemoval();
    }

    void discard() {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(std::exchange(handle, INVALID_HANDLE_VALUE));
        if (!kept && !temporaryName.empty()) DeleteFileW(temporaryName.c_str());
        withdrawRemoval();
    }
};

// A file that cannot be created whole is discarded with its state.
ReplacementFile::ReplacementFile(const fs::path& target)
    : m_state(std::make_unique<State>(target)) {
    m_state->create();
}

ReplacementFile::~ReplacementFile() = default;

void ReplacementFile::write(std::span<const char> bytes) { writeAll(m_state->handle, bytes); }

void ReplacementFile::keep() { m_state->keep(); }

void removeTemporaryFileOnInterruption() {
    SetConsoleCtrlHandler(removePendingOnConsoleEvent, TRUE);
}

std::FILE* openForReadingByPosition(const fs::path& path) {
    std::error_code error;
    if (fs::is_directory(path, error)) return nullptr;
    std::FILE* file = _wfopen(path.c_str(), L"rb");
    if (file && GetFileType(handleOf(file)) != FILE_TYPE_DISK) {
        std::fclose(file);
        return nullptr;
    }
    return file;
}

bool seekFile(std::FILE* file, std::uint64_t position) {
    return _fseeki64(file, static_cast<__int64>(position), SEEK_SET) == 0;
}

// Large pages on Windows need a privilege that users do not hold, so a buffer has ordinary ones.
void adviseLargePages(void*, std::size_t) {}

bool isDeviceOrPipe(const fs::path& path) {
    const HANDLE handle =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const DWORD type = GetFileType(handle);
    CloseHandle(handle);
    return type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE;
}

std::FILE* openInPlace(const fs::path& path) { return _wfopen(path.c_str(), L"wb"); }

// Written through the system's own call, since the C runtime's short write keeps no reason:
// a full disk would pass for any other failure.
void writeToStream(std::FILE* stream, std::span<const char> bytes) {
    flushStream(stream);
    writeAll(handleOf(stream), bytes);
}

void flushStream(std::FILE* stream) {
    if (std::fflush(stream) != 0) throw Failure(FailureNumber::DeviceIoError);
}

namespace {

// Windows gives these names to devices in every folder, whatever extension follows them.
bool isDeviceName(std::wstring stem) {
    while (!stem.empty() && stem.back() == L' ') stem.pop_back();
    static constexpr const wchar_t* kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL"};
    for (const wchar_t* device : kDevices) {
        if (CompareStringOrdinal(stem.c_str(), -1, device, -1, TRUE) == CSTR_EQUAL) return true;
    }
    const bool numbered = stem.size() == 4 && stem[3] >= L'1' && stem[3] <= L'9';
    return numbered && (CompareStringOrdinal(stem.c_str(), 3, L"COM", 3, TRUE) == CSTR_EQUAL ||
                        CompareStringOrdinal(stem.c_str(), 3, L"LPT", 3, TRUE) == CSTR_EQUAL);
}

}  // namespace

void checkReplaceable(const fs::path& output) {
    const std::wstring name = output.filename().native();
    const std::size_t dot = name.find(L'.');
    // "NUL" or "CON" alone names the device as the user meant it; "nul.csv" would too.
    if (dot != std::wstring::npos && isDeviceName(name.substr(0, dot))) {
        throw Failure(FailureNumber::PathFileAccessError);
    }
    // Replacing a file deletes it, which a program that holds it open may forbid: then the
    // run would fail only once the whole output is written beside it.
    const HANDLE handle =
        CreateFileW(output.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
    } else if (GetLastError() == ERROR_SHARING_VIOLATION) {
        throw Failure(FailureNumber::PathFileAccessError, "The file is in use by another program");
    }
}

std::string csvFileNameText(std::string_view utf8Name) {
    const int length = static_cast<int>(utf8Name.size());
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    wide.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_UTF8, 0, utf8Name.data(), length, wide.data(), length)));
    std::string text;
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const wchar_t c = wide[i];
        text += c <= 0xFF ? static_cast<char>(c) : '?';
        // A character beyond U+FFFF is one pair of UTF-16 codes.
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < wide.size()) ++i;
    }
    return text;
}

// Compared by the volume and the file's index on it, so that one file reached through another
// drive letter, a subst drive or a mapped share is still one file.
bool sameFile(const fs::path& a, const fs::path& b) {
    auto identity = [](const fs::path& path, BY_HANDLE_FILE_INFORMATION& information) {
        const HANDLE handle =
            CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return false;
        const bool known = GetFileInformationByHandle(handle, &information);
        CloseHandle(handle);
        return known;
    };
    BY_HANDLE_FILE_INFORMATION first{};
    BY_HANDLE_FILE_INFORMATION second{};
    if (identity(a, first) && identity(b, second)) {
        return first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
               first.nFileIndexHigh == second.nFileIndexHigh &&
               first.nFileIndexLow == second.nFileIndexLow;
    }
    // Paths of files yet to be made are one file when they spell one path, in any letter case.
    const std::optional<fs::path> firstSpelling = absoluteSpelling(a);
    const std::optional<fs::path> secondSpelling = absoluteSpelling(b);
    if (!firstSpelling || !secondSpelling) return false;
    const std::wstring& firstName = firstSpelling->native();
    const std::wstring& secondName = secondSpelling->native();
    return CompareStringOrdinal(firstName.c_str(), static_cast<int>(firstName.size()),
                                secondName.c_str(), static_cast<int>(secondName.size()),
                                TRUE) == CSTR_EQUAL;
}

}  // namespace quillet::platform
