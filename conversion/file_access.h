#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "byte_io.h"

// Where a run reads its log and writes its CSV. Every failure to open, delete or create a file
// by its path is a PathFileAccessError; a failed read or write is a DeviceIoError, or DiskFull
// when the disk has no room left.
namespace quillet {

// The file name on the CSV's first line: the path after its last "\" or "/".
std::string_view inputFileName(std::string_view inputPath);

// Opens the log file at path for reading by position, as FileLogInput does.
std::unique_ptr<ByteSource> openInputFile(const std::string& path);

// A log to convert, and the name the CSV's first line gives it.
class LogInput {
  public:
    virtual ~LogInput() = default;
    virtual std::string fileName() const = 0;
    // Opening it never waits for a writer or a terminal.
    virtual std::unique_ptr<ByteSource> open() = 0;
};

// A log file named by path. The CSV names it by the path after its last "\" or "/". A folder,
// a pipe, a socket or anything else that cannot be read by position is a bad file name.
class FileLogInput : public LogInput {
  public:
    explicit FileLogInput(std::string path) : m_path(std::move(path)) {}
    std::string fileName() const override;
    std::unique_ptr<ByteSource> open() override;

  private:
    std::string m_path;
};

// The log on standard input, read whole when the run opens it, since a pipe cannot be read by
// position.
class StandardInputLog : public LogInput {
  public:
    explicit StandardInputLog(std::string name) : m_name(std::move(name)) {}
    std::string fileName() const override { return m_name; }
    std::unique_ptr<ByteSource> open() override;

  private:
    std::string m_name;
    std::vector<std::uint8_t> m_bytes;
};

// Where a run puts its CSV. Replacing it happens only once a run knows that it can write.
class OutputTarget {
  public:
    virtual ~OutputTarget() = default;
    virtual std::unique_ptr<ByteSink> replace() = 0;
};

// An output file named by path. The CSV goes to a new file beside it that takes its place
// when the sink is closed, so the path holds either its old contents or a whole CSV; a
// symbolic link is followed, and its target gets the CSV. A folder, a read-only file and the
// input itself are refused; an existing device or pipe is written to as it is.
class FileOutputTarget : public OutputTarget {
  public:
    // inputPath, when the log is a file, is the path the output must not name.
    FileOutputTarget(std::string outputPath, std::optional<std::string> inputPath);
    std::unique_ptr<ByteSink> replace() override;

  private:
    std::string m_outputPath;
    std::optional<std::string> m_inputPath;
};

// Standard output, for command-line use.
class StandardOutputTarget : public OutputTarget {
  public:
    std::unique_ptr<ByteSink> replace() override;
};

}  // namespace quillet
