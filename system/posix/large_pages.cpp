#include "system/large_pages.h"

#include <sys/mman.h>

namespace quillet::system {

void adviseLargePages([[maybe_unused]] void* start, [[maybe_unused]] std::size_t size) {
#ifdef MADV_HUGEPAGE
    // Refused advice, as from a kernel without transparent huge pages, leaves ordinary pages.
    static_cast<void>(madvise(start, size, MADV_HUGEPAGE));
#endif
}

}  // namespace quillet::system
