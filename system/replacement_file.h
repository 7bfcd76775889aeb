#pragma once

#include <filesystem>
#include <memory>
#include <span>

// Replacing a file whole: declared once here, defined in posix/replacement_file.cpp or
// windows/replacement_file.cpp, whichever the build picks. Failures are thrown as
// quillet::Failure.
namespace quillet::system {

// A new file beside `target` that takes the target's place only when kept, so that the target
// holds either what it held before or the whole new file. It takes what the user set on the
// target it replaces (its mode and owner, or on Windows its attributes). Until kept it has no
// name where the file system allows (Linux's O_TMPFILE), or a hidden temporary name that an
// interruption removes (see interruption.h). A run that cannot remove it (killed, crashed) leaves
// it to the next run in the folder, which removes every temporary file that no live run holds.
// Failing to create it is PathFileAccessError, or DiskFull when there is no room for it.
class ReplacementFile {
  public:
    explicit ReplacementFile(const std::filesystem::path& target);
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;
    // Removes the file unless it was kept.
    ~ReplacementFile();

    // Writes all of bytes, or fails with DiskFull when the disk, a quota or the file size limit
    // leaves no room, and DeviceIoError otherwise.
    void write(std::span<const char> bytes);
    // Completes the file: a failure to write it shows here at the latest.
    void close();
    // Moves the closed file to the target's place, keeping what the target held aside (a second
    // name of its file where the file system allows) until settle() or putBack().
    void keep();
    // Lets go of what keep() set aside. Nothing is left to fail: what could not be removed is a
    // temporary file that the next run in the folder removes.
    void settle();
    // Puts back what keep() set aside, or removes the kept file where the target was none.
    void putBack();

    struct State;

  private:
    std::unique_ptr<State> m_state;
};

}  // namespace quillet::system
