#include "system/replacement_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>

#include "conversion/failure.h"
#include "system/posix/file_errors.h"
#include "system/posix/pending_removal.h"
#include "system/temporary_name.h"

namespace quillet::system {
namespace {

namespace fs = std::filesystem;
using posix::failCreation;

// Enough tries to find a free temporary name even among the leftovers of crashed runs.
constexpr int kNameTries = 100;

std::string temporaryName(TemporaryKind kind = TemporaryKind::Removable) {
    return nextTemporaryName(static_cast<unsigned long>(getpid()), kind);
}

fs::path folderOf(const fs::path& target) {
    return target.has_parent_path() ? target.parent_path() : fs::path(".");
}

// A second descriptor of the open file that holds a lock on it for as long as it is open: a run
// removes only the temporary files that no live run locks. -1 where the file cannot be locked,
// which then stays exposed to that removal.
int lockedDescriptor(int descriptor) {
    const int lock = fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
    if (lock >= 0 && flock(lock, LOCK_EX | LOCK_NB) != 0) {
        close(lock);
        return -1;
    }
    return lock;
}

int lockedFile(int folder, const std::string& name) {
    const int descriptor = openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0) return -1;
    const int lock = lockedDescriptor(descriptor);
    close(descriptor);
    return lock;
}

void closeDescriptor(int& descriptor) {
    if (descriptor >= 0) ::close(std::exchange(descriptor, -1));
}

// Removes the temporary files that ended runs left in the folder (a kill, a crash, a power
// loss): those that no live run holds locked, whichever process wrote them.
void removeLeftoverTemporaryFiles(int folder) {
    DIR* listing = fdopendir(fcntl(folder, F_DUPFD_CLOEXEC, 0));
    if (!listing) return;
    while (const dirent* entry = readdir(listing)) {
        const std::string name = entry->d_name;
        if (!isRemovableTemporaryName(name)) continue;
        int lock = lockedFile(folder, name);
        if (lock < 0) continue;
        // The name still leads to the locked file, not to one a live run has made since.
        struct stat locked {};
        struct stat named {};
        if (fstat(lock, &locked) == 0 && S_ISREG(locked.st_mode) &&
            fstatat(folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            named.st_dev == locked.st_dev && named.st_ino == locked.st_ino) {
            unlinkat(folder, name.c_str(), 0);
        }
        closeDescriptor(lock);
    }
    closedir(listing);
}

// A file without a name in `folder`, or -1 where the file system has no O_TMPFILE or linking
// one would fail for want of /proc.
int openNameless(int folder, const fs::path& target) {
#ifdef O_TMPFILE
    if (access("/proc/self/fd", X_OK) != 0) return -1;
    const int descriptor = openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    // File systems without O_TMPFILE say so with one of these; any other error is the folder's.
    if (descriptor < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        failCreation(errno, folderOf(target));
    }
    return descriptor;
#else
    (void)folder;
    (void)target;
    return -1;
#endif
}

// Gives the new file the owner, group and permissions of the one it replaces, as far as this
// process may. A group that cannot be kept takes the group's permissions with it, so that a
// file shared with one group is never opened to another.
void takeOwnerAndMode(int descriptor, const fs::path& target) {
    struct stat replaced {};
    if (stat(target.c_str(), &replaced) != 0 || !S_ISREG(replaced.st_mode)) return;
    struct stat created {};
    if (fstat(descriptor, &created) != 0) failCreation(errno, target);
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
        failCreation(errno, target);
    }
}

}  // namespace

struct ReplacementFile::State {
    explicit State(const fs::path& replaced)
        : target(replaced), targetName(replaced.filename().string()) {}
    ~State() { discard(); }

    // How keep() set aside what the target held, until settle() or putBack().
    enum class Aside {
        // The target was no file.
        Nothing,
        // A second name of the target's file, so that the target's name always leads to a whole
        // file.
        Linked,
        // The target's file itself under another name, where the file system has no hard links
        // (FAT). A run ended between the two moves by what no signal handler sees (SIGKILL, a
        // power loss) leaves it there, under a name no later run removes.
        Moved,
    };

    fs::path target;
    std::string targetName;
    // The open folder the file lies in, and the file; its name stays empty while it has none.
    int folder = -1;
    int descriptor = -1;
    int lock = -1;
    std::string temporaryName;
    // Where the temporary name waits to be removed by an interruption.
    int pendingSlot = -1;
    bool kept = false;
    Aside aside = Aside::Nothing;
    std::string asideName;
    int asideLock = -1;

    void create() {
        folder = open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder < 0) failCreation(errno, folderOf(target));
        removeLeftoverTemporaryFiles(folder);
        descriptor = openNameless(folder, target);
        if (descriptor < 0) openNamed();
        lock = lockedDescriptor(descriptor);
        takeOwnerAndMode(descriptor, target);
    }

    // A new file under a free temporary name, announced for removal before it exists.
    void openNamed() {
        for (int attempt = 0; attempt < kNameTries; ++attempt) {
            const std::string name = system::temporaryName();
            pendingSlot = posix::announceRemoval(folder, name);
            descriptor =
                openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (descriptor >= 0) {
                temporaryName = name;
                return;
            }
            posix::withdrawRemoval(std::exchange(pendingSlot, -1));
            if (errno != EEXIST) failCreation(errno, folderOf(target));
        }
        throw Failure(FailureNumber::PathFileAccessError);
    }

    void close() {
        if (temporaryName.empty()) {
            // A nameless file gets a temporary name first: linkat cannot replace a file.
            const std::string name = system::temporaryName();
            pendingSlot = posix::announceRemoval(folder, name);
            const std::string self = "/proc/self/fd/" + std::to_string(descriptor);
            if (linkat(AT_FDCWD, self.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) != 0) {
                posix::withdrawRemoval(std::exchange(pendingSlot, -1));
                failCreation(errno, folderOf(target));
            }
            temporaryName = name;
        }
        if (::close(std::exchange(descriptor, -1)) != 0) {
            throw Failure(posix::writeFailure(errno));
        }
    }

    void keep() {
        setTargetAside();
        if (renameat(folder, temporaryName.c_str(), folder, targetName.c_str()) != 0) {
            const int error = errno;
            undoSetAside();
            failCreation(error, target);
        }
        kept = true;
        posix::withdrawRemoval(std::exchange(pendingSlot, -1));
        closeDescriptor(lock);
    }

    void settle() { forgetAside(); }

    void putBack() {
        const bool putBack =
            aside == Aside::Nothing
                ? unlinkat(folder, targetName.c_str(), 0) == 0 || errno == ENOENT
                : renameat(folder, asideName.c_str(), folder, targetName.c_str()) == 0;
        if (!putBack) failCreation(errno, target);
        aside = Aside::Nothing;
        closeDescriptor(asideLock);
        kept = false;
    }

    void setTargetAside() {
        for (int attempt = 0; attempt < kNameTries; ++attempt) {
            asideName = system::temporaryName();
            if (linkat(folder, targetName.c_str(), folder, asideName.c_str(), 0) == 0) {
                aside = Aside::Linked;
                asideLock = lockedFile(folder, asideName);
                return;
            }
            if (errno == ENOENT) return;
            if (errno != EEXIST) break;
        }
        // Only a file is set aside: a folder or anything else made in the target's place since
        // the run began fails the move.
        struct stat status {};
        if (fstatat(folder, targetName.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) return;
        if (!S_ISREG(status.st_mode)) failCreation(EISDIR, target);
        for (int attempt = 0; attempt < kNameTries; ++attempt) {
            asideName = system::temporaryName(TemporaryKind::Kept);
            if (fstatat(folder, asideName.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0) continue;
            if (renameat(folder, targetName.c_str(), folder, asideName.c_str()) != 0) {
                failCreation(errno, target);
            }
            aside = Aside::Moved;
            return;
        }
        throw Failure(FailureNumber::PathFileAccessError);
    }

    // Leaves the target as it was before setTargetAside(). A moved file that cannot be moved
    // back stays under its name aside, which no run removes.
    void undoSetAside() {
        if (aside == Aside::Linked) unlinkat(folder, asideName.c_str(), 0);
        if (aside == Aside::Moved) renameat(folder, asideName.c_str(), folder, targetName.c_str());
        aside = Aside::Nothing;
        closeDescriptor(asideLock);
    }

    void forgetAside() {
        if (aside != Aside::Nothing) unlinkat(folder, asideName.c_str(), 0);
        aside = Aside::Nothing;
        closeDescriptor(asideLock);
    }

    void discard() {
        closeDescriptor(descriptor);
        if (!kept && !temporaryName.empty()) unlinkat(folder, temporaryName.c_str(), 0);
        posix::withdrawRemoval(std::exchange(pendingSlot, -1));
        closeDescriptor(lock);
        // A file kept but never settled or put back keeps its new contents.
        if (kept) forgetAside();
        closeDescriptor(folder);
    }
};

// A file that cannot be created whole is discarded with its state.
ReplacementFile::ReplacementFile(const fs::path& target)
    : m_state(std::make_unique<State>(target)) {
    m_state->create();
}

ReplacementFile::~ReplacementFile() = default;

void ReplacementFile::write(std::span<const char> bytes) {
    posix::writeAll(m_state->descriptor, bytes);
}

void ReplacementFile::close() { m_state->close(); }

void ReplacementFile::keep() { m_state->keep(); }

void ReplacementFile::settle() { m_state->settle(); }

void ReplacementFile::putBack() { m_state->putBack(); }

}  // namespace quillet::system
