#include "system/replacement_file.h"

#include <fcntl.h>
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
    // Where the temporary name waits to be removed by an interruption.
    int pendingSlot = -1;
    bool kept = false;

    void create() {
        folder = open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder < 0) failCreation(errno);
        descriptor = openNameless(folder);
        if (descriptor < 0) openNamed();
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
            if (errno != EEXIST) failCreation(errno);
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
                failCreation(errno);
            }
            temporaryName = name;
        }
        if (::close(std::exchange(descriptor, -1)) != 0) {
            throw Failure(posix::writeFailure(errno));
        }
    }

    void keep() {
        if (renameat(folder, temporaryName.c_str(), folder, target.filename().c_str()) != 0) {
            failCreation(errno);
        }
        kept = true;
        posix::withdrawRemoval(std::exchange(pendingSlot, -1));
    }

    void discard() {
        if (descriptor >= 0) ::close(std::exchange(descriptor, -1));
        if (!kept && !temporaryName.empty()) unlinkat(folder, temporaryName.c_str(), 0);
        posix::withdrawRemoval(std::exchange(pendingSlot, -1));
        if (folder >= 0) ::close(std::exchange(folder, -1));
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

}  // namespace quillet::system
