#include "system/terminal.h"

#include <io.h>

namespace quillet::system {

bool isTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

}  // namespace quillet::system
