#include "system/temporary_name.h"

#include <algorithm>
#include <atomic>

namespace quillet::system {
namespace {

constexpr std::string_view kPrefix = ".quillet-";

std::string_view suffixOf(TemporaryKind kind) {
    return kind == TemporaryKind::Removable ? ".tmp" : ".old";
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string nextTemporaryName(unsigned long process, TemporaryKind kind) {
    static std::atomic<unsigned> counter{0};
    return std::string(kPrefix) + std::to_string(process) + "-" + std::to_string(counter++) +
           std::string(suffixOf(kind));
}

bool isRemovableTemporaryName(std::string_view name) {
    const std::string_view suffix = suffixOf(TemporaryKind::Removable);
    if (!name.starts_with(kPrefix) || !name.ends_with(suffix)) return false;
    name = name.substr(kPrefix.size(), name.size() - kPrefix.size() - suffix.size());
    const std::size_t dash = name.find('-');
    const std::string_view process = name.substr(0, dash);
    const std::string_view count = dash == name.npos ? "" : name.substr(dash + 1);
    return !process.empty() && !count.empty() &&
           std::all_of(process.begin(), process.end(), isDigit) &&
           std::all_of(count.begin(), count.end(), isDigit);
}

}  // namespace quillet::system
