#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "failure.h"

// The few file operations whose calls differ between Windows and POSIX systems.
namespace quillet::platform {

// Paths arrive as UTF-8 text, whatever the platform's own encoding of file names.
std::filesystem::path pathFromUtf8(std::string_view utf8Path);
std::string utf8FromPath(const std::filesystem::path& path);

// Opens a file that can be read by position, without ever waiting: a folder, a pipe, a socket
// or a terminal gives nullptr, as does a path that names no readable file.
std::FILE* openForReadingByPosition(const std::filesystem::path& path);

// std::fopen for a path of any encoding; nullptr with errno set on failure.
std::FILE* openFile(const std::filesystem::path& path, const char* mode);

// Moves to a position that may lie beyond what a long can hold.
bool seekFile(std::FILE* file, std::uint64_t position);

// Whether the path names a device or a pipe, which is written to in place ("NUL", "/dev/null",
// a named pipe) rather than replaced.
bool isDeviceOrPipe(const std::filesystem::path& path);

// Makes a file `size` bytes long and moves its position there.
bool truncateFile(std::FILE* file, std::uint64_t size);

// The program's arguments as UTF-8 text. On Windows they are read from the wide command line,
// since the narrow argv holds only what the ANSI code page can spell.
std::vector<std::string> commandLineArguments(int argc, char** argv);

// Whether the stream is a terminal that a person watches.
bool isTerminal(std::FILE* stream);

// Standard output switched to binary, so that line ends pass unchanged.
std::FILE* binaryStandardOutput();

// Everything standard input holds, read in binary.
std::vector<std::uint8_t> readStandardInput();

// The failure a write that failed with errno `error` reports: DiskFull when the disk, a quota
// or the file size limit leaves no room, DeviceIoError otherwise.
FailureNumber writeFailure(int error);

// A new file beside `target` that takes the target's place only when kept, so that the target
// holds either what it held before or the whole new file. Until then it has no name where the
// file system allows (Linux's O_TMPFILE), or a hidden temporary name that an interruption
// removes (see removeTemporaryFileOnInterruption). Failing to create it is PathFileAccessError,
// or DiskFull when there is no room for it.
class ReplacementFile {
  public:
    explicit ReplacementFile(const std::filesystem::path& target);
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;
    // Removes the file unless it was kept.
    ~ReplacementFile();

    std::FILE* stream() const { return m_stream; }
    // Closes the stream and moves the file to the target's place.
    void keep();

  private:
    void create();
    void moveIntoPlace();
    void discard();

    std::filesystem::path m_target;
    std::filesystem::path m_temporaryName;
    std::FILE* m_stream = nullptr;
    // The open folder the file lies in, on POSIX systems.
    int m_folder = -1;
    bool m_kept = false;
};

// Lets SIGINT, SIGTERM and SIGHUP (on Windows: Ctrl+C, Ctrl+Break and a closed console) remove
// the named temporary file of a run before they end the process as they would have, and makes
// a file size limit a failed write rather than the end of the process.
void removeTemporaryFileOnInterruption();

#ifdef _WIN32
// Windows names files and takes text in UTF-16; the program keeps its texts in UTF-8.
std::string utf8FromWide(std::wstring_view wide);
std::wstring wideFromUtf8(std::string_view utf8);
#endif

}  // namespace quillet::platform
