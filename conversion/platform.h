#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>

// The file operations whose calls differ between Windows and POSIX systems. Each is declared
// once here and defined in platform_windows.cpp or platform_posix.cpp, whichever the build
// picks. Failures are thrown as quillet::Failure.
namespace quillet::platform {

// Opens a file that can be read by position, without ever waiting: a folder, a pipe, a socket
// or a terminal gives nullptr, as does a path that names no readable file.
std::FILE* openForReadingByPosition(const std::filesystem::path& path);

// Moves to a position that may lie beyond what a long can hold.
bool seekFile(std::FILE* file, std::uint64_t position);

// Whether the path names a device or a pipe, which is written to in place ("NUL", "/dev/null",
// a named pipe) rather than replaced.
bool isDeviceOrPipe(const std::filesystem::path& path);

// Opens a device or pipe for writing in place; nullptr when it cannot be opened.
std::FILE* openInPlace(const std::filesystem::path& path);

// Writes all of bytes to the stream, or fails with DiskFull when the disk, a quota or the file
// size limit leaves no room, and DeviceIoError otherwise.
void writeToStream(std::FILE* stream, std::span<const char> bytes);
// Writes what the stream still buffers, failing as writeToStream does.
void flushStream(std::FILE* stream);

// Advises the system to back a buffer of megabytes that is about to be filled with large pages,
// which spares a fault every 4 KB. Advice only: where the system takes none, only the speed
// differs.
void adviseLargePages(void* start, std::size_t size);

// Refuses, as a bad file name, an output that no run could replace: on Windows a file that
// another program holds open without letting it be replaced (a spreadsheet showing it), or a
// name such as COM1.csv that Windows takes for a device.
void checkReplaceable(const std::filesystem::path& output);

// A log's file name as line 1 of its CSV spells it. On Windows each character is one byte,
// the low 8 bits of its code, as spreadsheets there read a CSV, and a character above U+00FF
// is "?"; elsewhere file names are UTF-8, and so is the line.
std::string csvFileNameText(std::string_view utf8Name);

// Whether two paths name one file, however they spell it.
bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// A new file beside `target` that takes the target's place only when kept, so that the target
// holds either what it held before or the whole new file. It takes what the user set on the
// target it replaces (its mode and owner, or on Windows its attributes). Until kept it has no
// name where the file system allows (Linux's O_TMPFILE), or a hidden temporary name that an
// interruption removes (see removeTemporaryFileOnInterruption). Failing to create it is
// PathFileAccessError, or DiskFull when there is no room for it.
class ReplacementFile {
  public:
    explicit ReplacementFile(const std::filesystem::path& target);
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;
    // Removes the file unless it was kept.
    ~ReplacementFile();

    // Fails as writeToStream does.
    void write(std::span<const char> bytes);
    // Closes the file and moves it to the target's place.
    void keep();

    struct State;

  private:
    std::unique_ptr<State> m_state;
};

// Lets SIGINT, SIGTERM and SIGHUP (on Windows: Ctrl+C, Ctrl+Break and a closed console) remove
// the named temporary file of a run before they end the process as they would have, and makes
// a file size limit a failed write rather than the end of the process.
void removeTemporaryFileOnInterruption();

}  // namespace quillet::platform
