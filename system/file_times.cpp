#include "system/file_times.h"

#include <system_error>

namespace quillet::system {

bool writtenAfter(const std::filesystem::path& output, const std::filesystem::path& source) {
    std::error_code error;
    const auto outputTime = std::filesystem::last_write_time(output, error);
    if (error) return false;
    const auto sourceTime = std::filesystem::last_write_time(source, error);
    return !error && outputTime > sourceTime;
}

}  // namespace quillet::system
