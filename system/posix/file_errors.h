#pragma once

#include <filesystem>
#include <span>

#include "conversion/failure.h"

// How the POSIX calls that write and create files fail, as the program's failure numbers.
namespace quillet::system::posix {

// A failed write: DiskFull when the disk, a quota or the file size limit leaves no room,
// DeviceIoError otherwise.
FailureNumber writeFailure(int error);

// A file that could not be created at path: DiskFull for want of room, DeviceIoError for a
// failing disk, PathFileAccessError otherwise, with the system's reason.
[[noreturn]] void failCreation(int error, const std::filesystem::path& path);

// Writes all of bytes to the descriptor, or fails as writeFailure says.
void writeAll(int descriptor, std::span<const char> bytes);

}  // namespace quillet::system::posix
