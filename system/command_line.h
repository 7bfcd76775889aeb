#pragma once

#include <string>
#include <vector>

// Declared once here, defined in posix/command_line.cpp or windows/command_line.cpp, whichever
// the build picks.
namespace quillet::system {

// The program's arguments as UTF-8 text. On Windows they are read from the wide command line,
// since the narrow argv holds only what the ANSI code page can spell.
std::vector<std::string> commandLineArguments(int argc, char** argv);

}  // namespace quillet::system
