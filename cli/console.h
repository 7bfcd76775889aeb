#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillet {

// Where quillet-convert's texts go: its standard output and standard error, or a test's.
class Console {
  public:
    virtual ~Console() = default;
    // A text the user asked for (the help, a summary); fails as an output does when it cannot
    // be written.
    virtual void writeOutput(std::string_view text) = 0;
    // Messages, progress and counts.
    virtual void writeError(std::string_view text) = 0;
    // Whether progress on standard error shows to a person, and not on a terminal that an
    // output goes to, where it would run into the output.
    virtual bool showsProgress(bool outputOnTerminal) const = 0;
    // The file the output texts go to, when it is a regular file (a redirection such as `>>x`):
    // a path that reaches it, by which it is checked as any output named. Nothing otherwise.
    virtual std::optional<std::string> outputFile() const = 0;
};

// The program's own standard streams.
class StandardConsole : public Console {
  public:
    void writeOutput(std::string_view text) override;
    void writeError(std::string_view text) override;
    bool showsProgress(bool outputOnTerminal) const override;
    std::optional<std::string> outputFile() const override;
};

}  // namespace quillet
