#include "system/interruption.h"

#include <windows.h>

#include <atomic>
#include <iterator>
#include <string>

#include "system/windows/pending_removal.h"

namespace quillet::system {
namespace windows {
namespace {

// As many files as one run writes at once, and more.
constexpr int kSlots = 4;

struct PendingFile {
    std::atomic<bool> pending{false};
    wchar_t path[32768];
};
PendingFile g_pending[kSlots];

BOOL WINAPI removePendingOnConsoleEvent(DWORD) {
    removeAnnouncedFiles();
    // Not handled: the default handler then ends the process.
    return FALSE;
}

}  // namespace

void removeAnnouncedFiles() {
    for (PendingFile& file : g_pending) {
        if (file.pending) DeleteFileW(file.path);
    }
}

int announceRemoval(const std::filesystem::path& path) {
    const std::wstring& text = path.native();
    for (int slot = 0; slot < kSlots; ++slot) {
        PendingFile& file = g_pending[slot];
        if (file.pending) continue;
        if (text.size() >= std::size(file.path)) return -1;
        text.copy(file.path, text.size());
        file.path[text.size()] = L'\0';
        file.pending = true;
        return slot;
    }
    return -1;
}

void withdrawRemoval(int slot) {
    if (slot >= 0) g_pending[slot].pending = false;
}

}  // namespace windows

void removeTemporaryFilesOnInterruption() {
    SetConsoleCtrlHandler(windows::removePendingOnConsoleEvent, TRUE);
}

}  // namespace quillet::system
