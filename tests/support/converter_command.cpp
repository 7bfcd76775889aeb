#include "tests/support/converter_command.h"

#include <cstdlib>

#include "tests/support/log_writer.h"

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#endif

namespace quillet::support {

std::string shellQuoted(const std::filesystem::path& path) { return "\"" + path.string() + "\""; }

std::string withoutCarriageReturns(const std::string& text) {
    std::string lines;
    for (char c : text) {
        if (c != '\r') lines += c;
    }
    return lines;
}

std::string singleQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

CommandResult runCommand(const std::string& program, const std::string& arguments,
                         const std::filesystem::path& scratch) {
    const std::filesystem::path out = scratch / "command-stdout.txt";
    const std::filesystem::path err = scratch / "command-stderr.txt";
    const std::string redirected =
        shellQuoted(program) + " " + arguments + " >" + shellQuoted(out) + " 2>" + shellQuoted(err);
#ifdef _WIN32
    const int exitCode = std::system(("\"" + redirected + "\"").c_str());
#else
    const int status = std::system(("timeout 60 " + redirected).c_str());
    const int exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    CommandResult result{exitCode, readFile(out), readFile(err)};
#ifdef _WIN32
    result.standardError = withoutCarriageReturns(result.standardError);
#endif
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return result;
}

#ifndef _WIN32

RunningProgram::RunningProgram(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    m_pid = fork();
    if (m_pid == 0) {
        // Signals the test runner ignores are ignored by what it starts, unless reset.
        for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
            signal(signalNumber, SIG_DFL);
        }
        const int nothing = open("/dev/null", O_RDWR);
        dup2(nothing, STDIN_FILENO);
        dup2(nothing, STDOUT_FILENO);
        dup2(nothing, STDERR_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
}

RunningProgram::~RunningProgram() {
    if (!m_ended) {
        kill(m_pid, SIGKILL);
        wait();
    }
}

std::uint64_t RunningProgram::bytesWritten() const {
    std::ifstream io("/proc/" + std::to_string(m_pid) + "/io");
    std::string field;
    std::uint64_t value = 0;
    while (io >> field >> value) {
        if (field == "wchar:") return value;
    }
    return 0;
}

bool RunningProgram::hasEnded() {
    if (!m_ended && waitpid(m_pid, &m_status, WNOHANG) == m_pid) m_ended = true;
    return m_ended;
}

int RunningProgram::wait() {
    if (!m_ended) waitpid(m_pid, &m_status, 0);
    m_ended = true;
    return m_status;
}

#endif

}  // namespace quillet::support
