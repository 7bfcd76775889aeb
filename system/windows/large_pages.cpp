#include "system/large_pages.h"

namespace quillet::system {

// Large pages on Windows need a privilege that users do not hold, so a buffer has ordinary ones.
void adviseLargePages(void*, std::size_t) {}

}  // namespace quillet::system
