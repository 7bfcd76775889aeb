#pragma once

#include <memory>
#include <string>

#include "byte_io.h"

// Files opened by the paths the user names. Every failure to open, delete or create a file
// by its path is a PathFileAccessError; a failed read or write is a DeviceIoError, or DiskFull
// when the disk has no room left.
namespace quillet {

std::unique_ptr<ByteSource> openInputFile(const std::string& path);

// Where a run puts its CSV. Replacing it happens only once a run knows that it can write.
class OutputTarget {
  public:
    virtual ~OutputTarget() = default;
    virtual std::unique_ptr<ByteSink> replace() = 0;
};

// An output file named by path. Replacing it deletes an existing regular file and creates a
// new one, but refuses a folder, a read-only file and the input itself; an existing device
// or pipe is written to as it is.
class FileOutputTarget : public OutputTarget {
  public:
    FileOutputTarget(std::string outputPath, std::string inputPath);
    std::unique_ptr<ByteSink> replace() override;

  private:
    std::string m_outputPath;
    std::string m_inputPath;
};

// Standard output, for command-line use.
class StandardOutputTarget : public OutputTarget {
  public:
    std::unique_ptr<ByteSink> replace() override;
};

}  // namespace quillet
