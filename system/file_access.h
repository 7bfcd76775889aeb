#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>

// Opening, writing and comparing files, where the calls differ between Windows and POSIX
// systems: declared once here, defined in posix/file_access.cpp or windows/file_access.cpp,
// whichever the build picks. Failures are thrown as quillet::Failure.
namespace quillet::system {

// Opens a file that can be read by position, without ever waiting: a folder, a pipe, a socket
// or a terminal gives nullptr, as does a path that names no readable file, with errno saying why.
std::FILE* openForReadingByPosition(const std::filesystem::path& path);

// Moves to a position that may lie beyond what a long can hold.
bool seekFile(std::FILE* file, std::uint64_t position);

// Whether the path names a device or a pipe, which is written to in place ("NUL", "/dev/null",
// a named pipe) rather than replaced.
bool isDeviceOrPipe(const std::filesystem::path& path);

// Whether the path names a terminal, where what is written shows to a person: on Windows the
// console ("CON", "CONOUT$"), elsewhere a terminal device ("/dev/tty").
bool namesTerminal(const std::filesystem::path& path);

// Opens a device or pipe for writing in place; nullptr when it cannot be opened.
std::FILE* openInPlace(const std::filesystem::path& path);

// Writes all of bytes to the stream, or fails with DiskFull when the disk, a quota or the file
// size limit leaves no room, and DeviceIoError otherwise.
void writeToStream(std::FILE* stream, std::span<const char> bytes);
// Writes what the stream still buffers, failing as writeToStream does.
void flushStream(std::FILE* stream);

// Refuses, as a bad file name, an output that no run could replace: on Windows a file that
// another program holds open without letting it be replaced (a spreadsheet showing it), or a
// name such as COM1.csv that Windows takes for a device.
void checkReplaceable(const std::filesystem::path& output);

// Whether two paths name one file, however they spell it.
bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace quillet::system
