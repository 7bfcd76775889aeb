#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "conversion/log_io.h"

// Logs and outputs that are files named by path. Every failure to open, delete or create a
// file by its path is a PathFileAccessError; a failed read or write is a DeviceIoError, or
// DiskFull when the disk has no room left.
namespace quillet::system {

// A log file named by path. The CSV names it by the path's file name. A folder, a pipe, a
// socket or anything else that cannot be read by position is a bad file name.
class FileLogInput : public LogInput {
  public:
    explicit FileLogInput(std::string path) : m_path(std::move(path)) {}
    std::string fileName() const override;

  protected:
    std::unique_ptr<ByteSource> open() override;

  private:
    std::string m_path;
};

// What an output file may be besides a regular file.
enum class InPlaceOutputs {
    // A device or a pipe is written as it is ("NUL", "/dev/null", a named pipe read by another
    // program), for an output the user named.
    Written,
    // For outputs named by the program, where a pipe without a reader would hold the run.
    Refused,
};

// An output file named by path. The output goes to a new file beside it that takes its place
// when the sink is closed, so the path holds either its old contents or a whole output; a
// symbolic link is followed, and its target gets the output. A folder, a read-only file and the
// input itself are refused. Every failure names the output's path.
class FileOutputTarget : public OutputTarget {
  public:
    // inputPath, when the log is a file, is the path the output must not name.
    FileOutputTarget(std::string outputPath, std::optional<std::string> inputPath,
                     InPlaceOutputs inPlace = InPlaceOutputs::Written);
    std::unique_ptr<ByteSink> replace() override;
    std::string name() const override { return m_outputPath; }

  private:
    std::string m_outputPath;
    std::optional<std::string> m_inputPath;
    InPlaceOutputs m_inPlace;
};

// Why writing an output at outputPath would lose a log, if it would: the path is named like a
// log, or the file it leads to holds a Palm database.
std::optional<std::string> outputLosingALog(const std::string& outputPath);

// A sink written straight into a stream, keeping whole what was written before a failure; it
// closes the stream when it owns it.
std::unique_ptr<ByteSink> streamSink(std::FILE* stream, bool ownsStream);

// Whether two paths name one file, or would once it is written: the same path spelled
// otherwise, a link to it, or the same file reached another way.
bool namesOneFile(const std::string& a, const std::string& b);

}  // namespace quillet::system
