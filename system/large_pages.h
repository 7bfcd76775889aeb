#pragma once

#include <cstddef>

// Memory advice: declared once here, defined in posix/large_pages.cpp or
// windows/large_pages.cpp, whichever the build picks.
namespace quillet::system {

// Advises the system to back a buffer of megabytes that is about to be filled with large pages,
// which spares a fault every 4 KB. Advice only: where the system takes none, only the speed
// differs.
void adviseLargePages(void* start, std::size_t size);

}  // namespace quillet::system
