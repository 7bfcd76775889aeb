#include "system/folders.h"

#include <system_error>

#include "conversion/failure.h"
#include "system/paths.h"

namespace quillet::system {

namespace fs = std::filesystem;

void createFolders(const fs::path& folder) {
    std::error_code error;
    // Made absolute first, so that a folder relative to a drive's own folder ("D:csv") is made
    // where Windows writes into it.
    const fs::path absolute = fs::absolute(folder, error);
    if (!error) fs::create_directories(absolute, error);
    if (error) {
        throw Failure(FailureNumber::PathFileAccessError)
            .withSystemReason(utf8FromPath(folder), error.message());
    }
}

}  // namespace quillet::system
