#include "system/interruption.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>

#include "system/posix/pending_removal.h"

namespace quillet::system {
namespace posix {
namespace {

// As many files as one run writes at once, and more.
constexpr int kSlots = 8;

constexpr int kInterrupting[] = {SIGINT, SIGTERM, SIGHUP};

struct PendingFile {
    // The open folder; -1 while the slot is free.
    std::atomic<int> folder{-1};
    char name[64];
};
PendingFile g_pending[kSlots];
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void removePendingAndEnd(int signalNumber) {
    for (PendingFile& file : g_pending) {
        const int folder = file.folder;
        if (folder >= 0) unlinkat(folder, file.name, 0);
    }
    // The handler was installed with SA_RESETHAND, so the signal now takes its default action.
    raise(signalNumber);
}

}  // namespace

int announceRemoval(int folder, const std::string& name) {
    for (int slot = 0; slot < kSlots; ++slot) {
        PendingFile& file = g_pending[slot];
        if (file.folder != -1) continue;
        const std::size_t length = std::min(name.size(), sizeof file.name - 1);
        name.copy(file.name, length);
        file.name[length] = '\0';
        file.folder = folder;
        return slot;
    }
    return -1;
}

void withdrawRemoval(int slot) {
    if (slot >= 0) g_pending[slot].folder = -1;
}

// Blocks the signals, which then wait for their handler until they are let through.
class SignalHold : public InterruptionHold {
  public:
    void hold() override {
        sigset_t interrupting;
        sigemptyset(&interrupting);
        for (const int signalNumber : kInterrupting) sigaddset(&interrupting, signalNumber);
        pthread_sigmask(SIG_BLOCK, &interrupting, &m_before);
    }
    void release() override { pthread_sigmask(SIG_SETMASK, &m_before, nullptr); }

  private:
    sigset_t m_before{};
};

}  // namespace posix

InterruptionHold& interruptionHold() {
    static posix::SignalHold hold;
    return hold;
}

void removeTemporaryFilesOnInterruption() {
    struct sigaction removing {};
    removing.sa_handler = posix::removePendingAndEnd;
    removing.sa_flags = SA_RESETHAND | SA_NODEFER;
    sigemptyset(&removing.sa_mask);
    for (const int signalNumber : posix::kInterrupting) {
        struct sigaction previous {};
        sigaction(signalNumber, nullptr, &previous);
        // A signal the caller chose to ignore (nohup, a background job) stays ignored.
        if (previous.sa_handler != SIG_IGN) sigaction(signalNumber, &removing, nullptr);
    }
    signal(SIGXFSZ, SIG_IGN);
}

}  // namespace quillet::system
