#pragma once

#include <cstdio>

// Declared once here, defined in posix/terminal.cpp or windows/terminal.cpp, whichever the
// build picks.
namespace quillet::system {

// Whether the stream is a terminal that a person watches.
bool isTerminal(std::FILE* stream);

}  // namespace quillet::system
