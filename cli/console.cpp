#include "cli/console.h"

#include <cstdio>

#include "system/standard_streams.h"
#include "system/terminal.h"

namespace quillet {

void StandardConsole::writeOutput(std::string_view text) { system::writeStandardOutput(text); }

void StandardConsole::writeError(std::string_view text) { system::writeStandardError(text); }

bool StandardConsole::showsProgress(bool outputOnTerminal) const {
    return system::isTerminal(stderr) && !outputOnTerminal;
}

std::optional<std::string> StandardConsole::outputFile() const {
    return system::standardOutputFile();
}

}  // namespace quillet
