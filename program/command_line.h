#pragma once

#include <string>
#include <vector>

namespace quillet::program {

// The program's arguments as UTF-8 text. On Windows they are read from the wide command line,
// since the narrow argv holds only what the ANSI code page can spell.
std::vector<std::string> commandLineArguments(int argc, char** argv);

}  // namespace quillet::program
