#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
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

FailureNumber creationFailure(int error) {
    switch (error) {
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
            return FailureNumber::DiskFull;
        case EIO:
            return FailureNumber::DeviceIoError;
        default:
            return FailureNumber::PathFileAccessError;
    }
}

[[noreturn]] void failCreation(int error) { throw Failure(creationFailure(error)); }

void writeAll(int descriptor, std::span<const char> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        // A write of nothing into a file that takes no more is a full disk.
        if (written <= 0) throw Failure(writeFailure(written < 0 ? errno : ENOSPC));
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
}

// The named temporary file an interrupting signal must remove, as its open folder and its
// name, set before the file is created: a signal handler may do little more than unlink it.
std::atomic<int> g_pendingFolder{-1};
char g_pendingName[64];
static_assert(std::atomic<int>::is_always_lock_free);

void announceRemoval(int folder, const std::string& name) {
    g_pendingFolder = -1;
    name.copy(g_pendingName, sizeof g_pendingName - 1);
    g_pendingName[std::min(name.size(), sizeof g_pendingName - 1)] = '\0';
    g_pendingFolder = folder;
}

void withdrawRemoval() { g_pendingFolder = -1; }

extern "C" void removePendingAndEnd(int signalNumber) {
    const int folder = g_pendingFolder;
    if (folder >= 0) unlinkat(folder, g_pendingName, 0);
    // The handler was installed with SA_RESETHAND, so the signal now takes its default action.
    raise(signalNumber);
}

std::string temporaryName() { return nextTemporaryName(static_cast<unsigned long>(getpid())); }

fs::path folderOf(const fs::path& target) {
    return target.has_parent_path() ? target.parent_path() : fs::path(".");
}

// A file without a name in `folder`, or -1 where the file system has no O_TMPFILE or linking
// one would fail for want of /proc.
int openNameless(int folder) {
#ifdef O_TMPFILE
    if (access("/proc/self/fd", X_OK) != 0) return -1;
    const int descriptor = openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    // File systems without O_TMPFILE say so with one of these; any other error is the folder's.
    if (descriptor < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        failCreation(errno);
    }
    return descriptor;
#else
    (void)folder;
    return -1;
#endif
}

// A new file under a free temporary name in `folder`, announced for removal before it exists.
int openNamed(int folder, std::string& name) {
    for (int attempt = 0; attempt < kNameTries; ++attempt) {
        name = temporaryName();
        announceRemoval(folder, name);
        const int descriptor =
            openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0) return descriptor;
        withdrawRemoval();
        if (errno != EEXIST) failCreation(errno);
    }
    throw Failure(FailureNumber::PathFileAccessError);
}

// Gives the new file the owner, group and permissions of the one it replaces, as far as this
// process may. A group that cannot be kept takes the group's permissions with it, so that a
// file shared with one group is never opened to another.
void takeOwnerAndMode(int descriptor, const fs::path& target) {
    struct stat replaced {};
    if (stat(target.c_str(), &replaced) != 0 || !S_ISREG(replaced.st_mode)) return;
    struct stat created {};
    if (fstat(descriptor, &created) != 0) failCreation(errno);
    mode_t mode = replaced.st_mode & 0777;
    if (created.st_uid != replaced.st_uid || created.st_gid != replaced.st_gid) {
        if (fchown(descriptor, replaced.st_uid, replaced.st_gid) != 0 &&
            fchown(descriptor, static_cast<uid_t>(-1), replaced.st_gid) != 0) {
            mode &= ~static_cast<mode_t>(0070);
        }
    }
    // File systems that keep no modes (FAT, say) give every file the same one and refuse to
    // change it.
    if ((created.st_mode & 0777) != mode && fchmod(descriptor, mode) != 0 && errno != EPERM &&
        errno != EOPNOTSUPP) {
        failCreation(errno);
    }
}

}  // namespace

struct ReplacementFile::State {
    explicit State(const fs::path& replaced) : target(replaced) {}
    ~State() { discard(); }

    fs::path target;
    // The open folder the file lies in, and the file; its name stays empty while it has none.
    int folder = -1;
    int descriptor = -1;
    std::string temporaryName;
    bool kept = false;

    void create() {
        folder = open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder < 0) failCreation(errno);
        descriptor = openNameless(folder);
        if (descriptor < 0) descriptor = openNamed(folder, temporaryName);
        takeOwnerAndMode(descriptor, target);
    }

    void keep() {
        if (temporaryName.empty()) {
            // A nameless file gets a temporary name first: linkat cannot replace a file.
            const std::string name = platform::temporaryName();
            announceRemoval(folder, name);
            const std::string self = "/proc/self/fd/" + std::to_string(descriptor);
            if (linkat(AT_FDCWD, self.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) != 0) {
                withdrawRemoval();
                failCreation(errno);
            }
            temporaryName = name;
        }
        if (close(std::exchange(descriptor, -1)) != 0) throw Failure(writeFailure(errno));
        if (renameat(folder, temporaryName.c_str(), folder, target.filename().c_str()) != 0) {
            failCreation(errno);
        }
        kept = true;
        withdrawRemoval();
    }

    void discard() {
        if (descriptor >= 0) close(std::exchange(descriptor, -1));
        if (!kept && !temporaryName.empty()) unlinkat(folder, temporaryName.c_str(), 0);
        withdrawRemoval();
        if (folder >= 0) close(std::exchange(folder, -1));
    }
};

// A file that cannot be created whole is discarded with its state.
ReplacementFile::ReplacementFile(const fs::path& target)
    : m_state(std::make_unique<State>(target)) {
    m_state->create();
}

ReplacementFile::~ReplacementFile() = default;

void ReplacementFile::write(std::span<const char> bytes) { writeAll(m_state->descriptor, bytes); }

void ReplacementFile::keep() { m_state->keep(); }

void removeTemporaryFileOnInterruption() {
    struct sigaction removing {};
    removing.sa_handler = removePendingAndEnd;
    removing.sa_flags = SA_RESETHAND | SA_NODEFER;
    sigemptyset(&removing.sa_mask);
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction previous {};
        sigaction(signalNumber, nullptr, &previous);
        // A signal the caller chose to ignore (nohup, a background job) stays ignored.
        if (previous.sa_handler != SIG_IGN) sigaction(signalNumber, &removing, nullptr);
    }
    signal(SIGXFSZ, SIG_IGN);
}

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
    if (!file) close(descriptor);
    return file;
}

bool seekFile(std::FILE* file, std::uint64_t position) {
    return fseeko(file, static_cast<off_t>(position), SEEK_SET) == 0;
}

void adviseLargePages([[maybe_unused]] void* start, [[maybe_unused]] std::size_t size) {
#ifdef MADV_HUGEPAGE
    // Refused advice, as from a kernel without transparent huge pages, leaves ordinary pages.
    static_cast<void>(madvise(start, size, MADV_HUGEPAGE));
#endif
}

bool isDeviceOrPipe(const fs::path& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode);
}

std::FILE* openInPlace(const fs::path& path) {
    std::FILE* stream = std::fopen(path.c_str(), "wb");
    if (stream) std::setvbuf(stream, nullptr, _IONBF, 0);
    return stream;
}

void writeToStream(std::FILE* stream, std::span<const char> bytes) {
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), stream) != bytes.size()) {
        throw Failure(writeFailure(errno));
    }
}

void flushStream(std::FILE* stream) {
    errno = 0;
    if (std::fflush(stream) != 0) throw Failure(writeFailure(errno));
}

void checkReplaceable(const fs::path&) {}

std::string csvFileNameText(std::string_view utf8Name) { return std::string(utf8Name); }

bool sameFile(const fs::path& a, const fs::path& b) {
    std::error_code error;
    if (fs::equivalent(a, b, error) && !error) return true;
    // Paths of files yet to be made are one file when they spell one path.
    const std::optional<fs::path> first = absoluteSpelling(a);
    const std::optional<fs::path> second = absoluteSpelling(b);
    return first && second && *first == *second;
}

}  // namespace quillet::platform
