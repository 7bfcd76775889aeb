#pragma once

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <span>
#include <string>

#include "conversion/failure.h"

// How the Windows calls that write and create files fail, as the program's failure numbers.
namespace quillet::system::windows {

// A failed write: DiskFull when the disk, a quota or the file size limit leaves no room,
// DeviceIoError otherwise.
FailureNumber writeFailure(DWORD error);

// The words for an error code that messages give.
std::string reasonOf(DWORD error);

// A file that could not be created at path: DiskFull for want of room, PathFileAccessError
// otherwise, with the system's reason.
Failure creationFailure(DWORD error, const std::filesystem::path& path);

// A virus scanner, an indexer or a viewer that opens a file for a moment keeps it from being
// moved over or deleted; so many tries, this far apart, outlast such a look.
inline constexpr int kLookTries = 10;
inline constexpr DWORD kLookRetryMilliseconds = 100;

// Whether another program holds the file open for longer than such a look, whatever it lets
// others do with it: Windows then moves no file over it.
bool isHeldOpen(const std::filesystem::path& path);

// The failure of an output that another program holds open.
Failure heldOpenFailure();

// Writes all of bytes through the handle, or fails as writeFailure says; a pipe whose reader has
// gone ends the process quietly, with status 141, as SIGPIPE does on POSIX systems.
void writeAll(HANDLE handle, std::span<const char> bytes);

// The system's handle of a C stream.
HANDLE handleOf(std::FILE* stream);

}  // namespace quillet::system::windows
