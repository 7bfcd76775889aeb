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

// Held by a run while its outputs take their places; the console's handler waits for it.
SRWLOCK g_outputsMoving = SRWLOCK_INIT;

// Ends the process as Windows ends one for Ctrl+C, whatever the event, so that scripts see it
// was interrupted: the default handler gives some events, and Wine every one, a status of 0.
BOOL WINAPI removePendingOnConsoleEvent(DWORD) {
    AcquireSRWLockExclusive(&g_outputsMoving);
    removeAnnouncedFiles();
    TerminateProcess(GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
    return TRUE;
}

// The console's handler runs on a thread of its own, which the lock keeps waiting.
class ConsoleEventHold : public InterruptionHold {
  public:
    void hold() override { AcquireSRWLockExclusive(&g_outputsMoving); }
    void release() override { ReleaseSRWLockExclusive(&g_outputsMoving); }
};

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

InterruptionHold& interruptionHold() {
    static windows::ConsoleEventHold hold;
    return hold;
}

void removeTemporaryFilesOnInterruption() {
    SetConsoleCtrlHandler(windows::removePendingOnConsoleEvent, TRUE);
}

}  // namespace quillet::system
