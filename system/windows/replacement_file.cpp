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

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

fs::path folderOf(const fs::path& target) {
    return target.has_parent_path() ? target.parent_path() : fs::path(".");
}

std::wstring temporaryName(TemporaryKind kind = TemporaryKind::Removable) {
    return pathFromUtf8(nextTemporaryName(GetCurrentProcessId(), kind)).native();
}

void closeHandle(HANDLE& handle) {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(std::exchange(handle, INVALID_HANDLE_VALUE));
}

// A handle that marks the file as one a live run holds: it reads the file, so that an open that
// shares nothing fails while it is open, and lets the file be moved and deleted meanwhile.
HANDLE holdingHandle(const fs::path& path) {
    return CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Removes the temporary files that runs ended from outside (Task Manager, taskkill /f, a crash)
// left in the folder: those that no process holds open, as every live run holds its own.
void removeLeftoverTemporaryFiles(const fs::path& folder) {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder / L".quillet-*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const fs::path name(found.cFileName);
        if (!isRemovableTemporaryName(utf8FromPath(name))) continue;
        const HANDLE leftover =
            CreateFileW((folder / name).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                        FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (leftover != INVALID_HANDLE_VALUE) CloseHandle(leftover);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

bool isPassingHold(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_ACCESS_DENIED;
}

// Moves a file, waiting out another program's short hold on either file; the system's error
// where it cannot.
DWORD moveFile(const fs::path& from, const fs::path& to, DWORD flags) {
    for (int attempt = 1;; ++attempt) {
        if (MoveFileExW(from.c_str(), to.c_str(), flags)) return ERROR_SUCCESS;
        const DWORD error = GetLastError();
        if (!isPassingHold(error) || attempt == windows::kLookTries) return error;
        Sleep(windows::kLookRetryMilliseconds);
    }
}

}  // namespace

struct ReplacementFile::State {
    explicit State(const fs::path& replaced) : target(replaced), folder(folderOf(replaced)) {}
    ~State() { discard(); }

    // How keep() set aside what the target held, until settle() or putBack().
    enum class Aside {
        // The target was no file.
        Nothing,
        // A second name of the target's file, so that the target's name always leads to a whole
        // file. Until the target's name has left the file, nothing holds the link, and a run that
        // starts in the folder that moment may remove it as a leftover: then the target cannot be
        // put back, which a failed move says.
        Linked,
        // The target's file itself under another name, where the file system has no hard links
        // (FAT). A run ended between the two moves from outside leaves it there, under a name no
        // later run removes.
        Moved,
    };

    fs::path target;
    fs::path folder;
    fs::path temporaryPath;
    HANDLE handle = INVALID_HANDLE_VALUE;
    HANDLE holding = INVALID_HANDLE_VALUE;
    // The attributes the file takes when it takes the target's place.
    DWORD attributes = FILE_ATTRIBUTE_ARCHIVE;
    // Where the temporary file waits to be removed by an interruption.
    int pendingSlot = -1;
    bool kept = false;
    Aside aside = Aside::Nothing;
    fs::path asidePath;
    HANDLE asideHolding = INVALID_HANDLE_VALUE;

    void create() {
        const DWORD replaced = GetFileAttributesW(target.c_str());
        if (replaced != INVALID_FILE_ATTRIBUTES) attributes = replaced & kKeptAttributes;
        removeLeftoverTemporaryFiles(folder);
        for (int attempt = 0; attempt < kNameTries; ++attempt) {
            temporaryPath = folder / temporaryName();
            pendingSlot = windows::announceRemoval(temporaryPath);
            // Hidden while it is written, and kept in memory where the system can.
            handle =
                CreateFileW(temporaryPath.c_str(), GENERIC_WRITE, kShareAll, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY, nullptr);
            if (handle != INVALID_HANDLE_VALUE) {
                holding = holdingHandle(temporaryPath);
                return;
            }
            const DWORD error = GetLastError();
            windows::withdrawRemoval(std::exchange(pendingSlot, -1));
            temporaryPath.clear();
            if (error != ERROR_FILE_EXISTS) throw windows::creationFailure(error, folder);
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
        // Refused before anything is set aside: no second name of a file that a program holds
        // open, sharing nothing, could be removed again.
        if (windows::isHeldOpen(target)) throw windows::heldOpenFailure();
        setTargetAside();
        if (const DWORD error = moveFile(temporaryPath, target, MOVEFILE_REPLACE_EXISTING)) {
            undoSetAside();
            throw windows::creationFailure(error, target);
        }
        kept = true;
        // Held only once the target's name has left its file: Windows replaces no file that is
        // open under any of its names.
        if (aside == Aside::Linked) asideHolding = holdingHandle(asidePath);
        windows::withdrawRemoval(std::exchange(pendingSlot, -1));
        closeHandle(holding);
    }

    void settle() { forgetAside(); }

    void putBack() {
        const DWORD error = aside == Aside::Nothing
                                ? (DeleteFileW(target.c_str()) ? ERROR_SUCCESS : GetLastError())
                                : moveFile(asidePath, target, MOVEFILE_REPLACE_EXISTING);
        if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) {
            throw windows::creationFailure(error, target);
        }
        aside = Aside::Nothing;
        closeHandle(asideHolding);
        kept = false;
    }

    void setTargetAside() {
        for (int attempt = 0; attempt < kNameTries; ++attempt) {
            asidePath = folder / temporaryName();
            if (CreateHardLinkW(asidePath.c_str(), target.c_str(), nullptr)) {
                aside = Aside::Linked;
                return;
            }
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;
            if (error != ERROR_ALREADY_EXISTS) break;
        }
        // Only a file is set aside: a folder made in the target's place since the run began
        // fails the move.
        const DWORD targetAttributes = GetFileAttributesW(target.c_str());
        if (targetAttributes == INVALID_FILE_ATTRIBUTES) return;
        if (targetAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            throw Failure(FailureNumber::PathFileAccessError);
        }
        for (int attempt = 0; attempt < kNameTries; ++attempt) {
            asidePath = folder / temporaryName(TemporaryKind::Kept);
            const DWORD error = moveFile(target, asidePath, 0);
            if (error == ERROR_SUCCESS) {
                aside = Aside::Moved;
                return;
            }
            if (error != ERROR_ALREADY_EXISTS) throw windows::creationFailure(error, target);
        }
        throw Failure(FailureNumber::PathFileAccessError);
    }

    // Leaves the target as it was before setTargetAside(). A moved file that cannot be moved
    // back stays under its name aside, which no run removes.
    void undoSetAside() {
        closeHandle(asideHolding);
        if (aside == Aside::Linked) DeleteFileW(asidePath.c_str());
        if (aside == Aside::Moved) moveFile(asidePath, target, 0);
        aside = Aside::Nothing;
    }

    void forgetAside() {
        closeHandle(asideHolding);
        if (aside != Aside::Nothing) DeleteFileW(asidePath.c_str());
        aside = Aside::Nothing;
    }

    void discard() {
        closeHandle(handle);
        closeHandle(holding);
        if (!kept && !temporaryPath.empty()) DeleteFileW(temporaryPath.c_str());
        windows::withdrawRemoval(std::exchange(pendingSlot, -1));
        // A file kept but never settled or put back keeps its new contents.
        if (kept) forgetAside();
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

void ReplacementFile::settle() { m_state->settle(); }

void ReplacementFile::putBack() { m_state->putBack(); }

}  // namespace quillet::system
