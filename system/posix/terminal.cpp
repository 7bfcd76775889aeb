#include "system/terminal.h"

#include <unistd.h>

namespace quillet::system {

bool isTerminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

}  // namespace quillet::system
