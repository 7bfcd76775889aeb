#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/types.h>
#endif

namespace quillet::support {

struct CommandResult {
    int exitCode;
    std::string standardOutput;
    std::string standardError;
};

// Runs `program arguments` through the shell, its output caught in files in `scratch`. Where
// the platform has `timeout`, a run that does not end within a minute ends with status 124.
// Standard error is text, so its Windows line ends come back as "\n".
CommandResult runCommand(const std::string& program, const std::string& arguments,
                         const std::filesystem::path& scratch);

std::string withoutCarriageReturns(const std::string& text);

// A path in double quotes, for a command line.
std::string shellQuoted(const std::filesystem::path& path);

// Text as one word of a shell command, whatever quotes it holds.
std::string singleQuoted(const std::string& text);

#ifndef _WIN32

// A program started in the background with its output thrown away, for tests that signal a
// running program or start several at once. One that is still running at the end is killed.
class RunningProgram {
  public:
    explicit RunningProgram(const std::vector<std::string>& arguments);
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;
    ~RunningProgram();

    pid_t pid() const { return m_pid; }
    // What the program has written so far, as /proc counts it; 0 once it has ended.
    std::uint64_t bytesWritten() const;
    bool hasEnded();
    // Waits for the end and returns the status waitpid gives.
    int wait();

  private:
    pid_t m_pid;
    bool m_ended = false;
    int m_status = 0;
};

#endif

}  // namespace quillet::support
