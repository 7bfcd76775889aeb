#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/log_io.h"

// The program's standard streams: the log on standard input, outputs and texts on standard
// output, and messages on standard error. What differs by platform is defined in
// posix/standard_streams.cpp or windows/standard_streams.cpp.
namespace quillet::system {

// Writes a text (help, a summary) on standard output, with the platform's line ends, and
// flushes it: a write that fails, to a full disk or a closed stream, fails as an output's does.
void writeStandardOutput(std::string_view text);

// Writes a message on standard error: on a Windows console as the characters it shows,
// elsewhere as UTF-8 with the platform's line ends.
void writeStandardError(std::string_view text);

// The log on standard input, read whole when the run opens it, since a pipe cannot be read by
// position.
class StandardInputLog : public LogInput {
  public:
    explicit StandardInputLog(std::string name) : m_name(std::move(name)) {}
    std::string fileName() const override { return m_name; }

  protected:
    std::unique_ptr<ByteSource> open() override;

  private:
    std::string m_name;
    std::vector<std::uint8_t> m_bytes;
};

// The file standard output writes, when it is a regular file, as a path that reaches it (which a
// redirection in a shell leaves no name of); nothing for a terminal, a pipe or a device.
std::optional<std::string> standardOutputFile();

// Standard output, for command-line use: written in place, in binary.
class StandardOutputTarget : public OutputTarget {
  public:
    std::unique_ptr<ByteSink> replace() override;
    std::string name() const override { return "standard output"; }
};

// The parts of the streams that differ by platform: the streams switched to binary, so that
// bytes pass unchanged, and a text's line ends as the platform's text files end lines.
std::FILE* binaryStandardInput();
std::FILE* binaryStandardOutput();
std::string withPlatformLineEnds(std::string_view text);

}  // namespace quillet::system
