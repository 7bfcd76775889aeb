#include "system/replacement_file.h"

#include <windows.h>

#include <string>
#include <utility>

#include "conversion/failure.h"
#include "system/paths.h"
#include "system/temporary_name.h"
#include "system/windows/file_errors.h"
#include "system/windows/pending_removal.h"

namespace quillet::system {
namespace {

namespace fs = std::filesystem;

// Enough tries to find a free temporary name even among the leftovers of crashed runs.
constexpr int kNameTries = 100;

// The attributes a user sets on a file and expects a replaced file to keep.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

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
    // Where the temporary file waits to be removed by an interruption.
    int pendingSlot = -1;
    bool kept = false;

    void create() {
        const DWORD replaced = GetFileAttributesW(target.c_str());
        if (replaced != INVALID_FILE_ATTRIBUTES) attributes = replaced & kKeptAttributes;
        const fs::path folder = folderOf(target);
        removeLeftoverTemporaryFiles(folder);
        for (int attempt = 0; attempt < kNameTries; ++attempt) {
            temporaryName = folder / nextTemporaryName(GetCurrentProcessId());
            pendingSlot = windows::announceRemoval(temporaryName);
            // Hidden while it is written, and kept in memory where the system can.
            handle =
                CreateFileW(temporaryName.c_str(), GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            CREATE_NEW, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY, nullptr);
            if (handle != INVALID_HANDLE_VALUE) return;
            const DWORD error = GetLastError();
            windows::withdrawRemoval(std::exchange(pendingSlot, -1));
            temporaryName.clear();
            if (error != ERROR_FILE_EXISTS) throw Failure(windows::creationFailure(error));
        }
        throw Failure(FailureNumber::PathFileAccessError);
    }

    void close() {
        FILE_BASIC_INFO basic{};
        basic.FileAttributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
        const bool attributed =
            SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic);
        const DWORD attributeError = GetLastError();
        if (!CloseHandle(std::exchange(handle, INVALID_HANDLE_VALUE))) {
            throw Failure(windows::writeFailure(GetLastError()));
        }
        if (!attributed) throw Failure(windows::writeFailure(attributeError));
    }

    void keep() {
        if (!MoveFileExW(temporaryName.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
            throw Failure(windows::creationFailure(GetLastError()));
        }
        kept = true;
        windows::withdrawRemoval(std::exchange(pendingSlot, -1));
    }

    void discard() {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(std::exchange(handle, INVALID_HANDLE_VALUE));
        if (!kept && !temporaryName.empty()) DeleteFileW(temporaryName.c_str());
        windows::withdrawRemoval(std::exchange(pendingSlot, -1));
    }
};

// A file that cannot be created whole is discarded with its state.
ReplacementFile::ReplacementFile(const fs::path& target)
    : m_state(std::make_unique<State>(target)) {
    m_state->create();
}

ReplacementFile::~ReplacementFile() = default;

void ReplacementFile::write(std::span<const char> bytes) {
    windows::writeAll(m_state->handle, bytes);
}

void ReplacementFile::close() { m_state->close(); }

void ReplacementFile::keep() { m_state->keep(); }

}  // namespace quillet::system
