#include "platform_file.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <iterator>
#include <string>
#include <utility>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h, which declares what it uses.
#include <shellapi.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quillet::platform {
namespace {

namespace fs = std::filesystem;

// Enough tries to find a free temporary name even among the leftovers of crashed runs.
constexpr int kNameTries = 100;

// A name no other run of this or another process picks at the same moment.
std::string temporaryName() {
    static std::atomic<unsigned> counter{0};
#ifdef _WIN32
    const unsigned long process = GetCurrentProcessId();
#else
    const unsigned long process = static_cast<unsigned long>(getpid());
#endif
    return ".quillet-" + std::to_string(process) + "-" + std::to_string(counter++) + ".tmp";
}

fs::path folderOf(const fs::path& target) {
    return target.has_parent_path() ? target.parent_path() : fs::path(".");
}

[[noreturn]] void failCreation(FailureNumber number) { throw Failure(number); }

std::vector<std::uint8_t> readAll(std::FILE* stream) {
    std::vector<std::uint8_t> bytes;
    std::uint8_t block[64 * 1024];
    std::size_t count;
    while ((count = std::fread(block, 1, sizeof block, stream)) > 0) {
        bytes.insert(bytes.end(), block, block + count);
    }
    if (std::ferror(stream)) throw Failure(FailureNumber::DeviceIoError);
    return bytes;
}

}  // namespace

std::filesystem::path pathFromUtf8(std::string_view utf8Path) {
    return std::filesystem::path(std::u8string(utf8Path.begin(), utf8Path.end()));
}

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

std::string utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

#ifdef _WIN32

namespace {

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

FailureNumber failureOfSystemError(DWORD error) {
    switch (error) {
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return FailureNumber::DiskFull;
        default:
            return FailureNumber::PathFileAccessError;
    }
}

}  // namespace

std::FILE* openFile(const std::filesystem::path& path, const char* mode) {
    const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(path.c_str(), wideMode.c_str());
}

std::FILE* openForReadingByPosition(const std::filesystem::path& path) {
    std::error_code error;
    if (fs::is_directory(path, error)) return nullptr;
    std::FILE* file = openFile(path, "rb");
    if (file &&
        GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)))) != FILE_TYPE_DISK) {
        std::fclose(file);
        return nullptr;
    }
    return file;
}

bool isDeviceOrPipe(const std::filesystem::path& path) {
    const HANDLE handle =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const DWORD type = GetFileType(handle);
    CloseHandle(handle);
    return type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE;
}

bool seekFile(std::FILE* file, std::uint64_t position) {
    return _fseeki64(file, static_cast<__int64>(position), SEEK_SET) == 0;
}

bool truncateFile(std::FILE* file, std::uint64_t size) {
    return _chsize_s(_fileno(file), static_cast<__int64>(size)) == 0 && seekFile(file, size);
}

std::string utf8FromWide(std::wstring_view wide) {
    const int length = static_cast<int>(wide.size());
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, text.data(), size, nullptr, nullptr);
    return text;
}

std::wstring wideFromUtf8(std::string_view utf8) {
    const int length = static_cast<int>(utf8.size());
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), size);
    return wide;
}

std::vector<std::string> commandLineArguments(int, char**) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) arguments.push_back(utf8FromWide(wide[i]));
    LocalFree(wide);
    return arguments;
}

bool isTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

std::FILE* binaryStandardOutput() {
    _setmode(_fileno(stdout), _O_BINARY);
    return stdout;
}

std::vector<std::uint8_t> readStandardInput() {
    _setmode(_fileno(stdin), _O_BINARY);
    return readAll(stdin);
}

void ReplacementFile::create() {
    for (int attempt = 0; attempt < kNameTries; ++attempt) {
        m_temporaryName = folderOf(m_target) / temporaryName();
        announceRemoval(m_temporaryName);
        const HANDLE handle = CreateFileW(m_temporaryName.c_str(), GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            withdrawRemoval();
            m_temporaryName.clear();
            if (error == ERROR_FILE_EXISTS) continue;
            failCreation(failureOfSystemError(error));
        }
        const int descriptor =
            _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
        m_stream = descriptor >= 0 ? _fdopen(descriptor, "wb") : nullptr;
        if (!m_stream) {
            if (descriptor >= 0) {
                _close(descriptor);
            } else {
                CloseHandle(handle);
            }
            failCreation(FailureNumber::DeviceIoError);
        }
        return;
    }
    failCreation(FailureNumber::PathFileAccessError);
}

void ReplacementFile::moveIntoPlace() {
    const bool closed = std::fclose(std::exchange(m_stream, nullptr)) == 0;
    const int closeError = errno;
    if (!closed) throw Failure(writeFailure(closeError));
    if (!MoveFileExW(m_temporaryName.c_str(), m_target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        throw Failure(failureOfSystemError(GetLastError()));
    }
}

void ReplacementFile::discard() {
    if (m_stream) std::fclose(std::exchange(m_stream, nullptr));
    if (!m_kept && !m_temporaryName.empty()) DeleteFileW(m_temporaryName.c_str());
    withdrawRemoval();
}

void removeTemporaryFileOnInterruption() {
    SetConsoleCtrlHandler(removePendingOnConsoleEvent, TRUE);
}

#else

namespace {

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

// A file without a name in `folder`, or -1 where the file system has no O_TMPFILE or linking
// one would fail for want of /proc.
int openNameless(int folder) {
#ifdef O_TMPFILE
    if (access("/proc/self/fd", X_OK) != 0) return -1;
    const int descriptor = openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    // File systems without O_TMPFILE say so with one of these; any other error is the folder's.
    if (descriptor < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        failCreation(creationFailure(errno));
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
        if (errno != EEXIST) failCreation(creationFailure(errno));
    }
    failCreation(FailureNumber::PathFileAccessError);
}

}  // namespace

std::FILE* openFile(const std::filesystem::path& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

std::FILE* openForReadingByPosition(const std::filesystem::path& path) {
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

bool isDeviceOrPipe(const std::filesystem::path& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode);
}

bool seekFile(std::FILE* file, std::uint64_t position) {
    return fseeko(file, static_cast<off_t>(position), SEEK_SET) == 0;
}

bool truncateFile(std::FILE* file, std::uint64_t size) {
    return ftruncate(fileno(file), static_cast<off_t>(size)) == 0 && seekFile(file, size);
}

std::vector<std::string> commandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

bool isTerminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

std::FILE* binaryStandardOutput() { return stdout; }

std::vector<std::uint8_t> readStandardInput() { return readAll(stdin); }

void ReplacementFile::create() {
    m_folder = open(folderOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_folder < 0) failCreation(creationFailure(errno));
    std::string name;
    int descriptor = openNameless(m_folder);
    if (descriptor < 0) {
        descriptor = openNamed(m_folder, name);
        m_temporaryName = name;
    }
    m_stream = fdopen(descriptor, "wb");
    if (!m_stream) {
        close(descriptor);
        failCreation(FailureNumber::DeviceIoError);
    }
}

void ReplacementFile::moveIntoPlace() {
    if (m_temporaryName.empty()) {
        // A nameless file gets a temporary name first: linkat cannot replace an existing file.
        const std::string name = temporaryName();
        announceRemoval(m_folder, name);
        const std::string self = "/proc/self/fd/" + std::to_string(fileno(m_stream));
        if (linkat(AT_FDCWD, self.c_str(), m_folder, name.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            withdrawRemoval();
            throw Failure(creationFailure(errno));
        }
        m_temporaryName = name;
    }
    const bool closed = std::fclose(std::exchange(m_stream, nullptr)) == 0;
    const int closeError = errno;
    if (!closed) throw Failure(writeFailure(closeError));
    if (renameat(m_folder, m_temporaryName.c_str(), m_folder, m_target.filename().c_str()) != 0) {
        throw Failure(creationFailure(errno));
    }
}

void ReplacementFile::discard() {
    if (m_stream) std::fclose(std::exchange(m_stream, nullptr));
    if (!m_kept && !m_temporaryName.empty()) unlinkat(m_folder, m_temporaryName.c_str(), 0);
    withdrawRemoval();
    if (m_folder >= 0) close(std::exchange(m_folder, -1));
}

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

#endif

ReplacementFile::ReplacementFile(const std::filesystem::path& target) : m_target(target) {
    try {
        create();
    } catch (...) {
        discard();
        throw;
    }
    // The sink writes in large blocks of whole lines; a second buffer would only copy them.
    std::setvbuf(m_stream, nullptr, _IONBF, 0);
}

ReplacementFile::~ReplacementFile() { discard(); }

void ReplacementFile::keep() {
    moveIntoPlace();
    m_kept = true;
    withdrawRemoval();
}

}  // namespace quillet::platform
