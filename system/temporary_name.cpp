#include "system/temporary_name.h"

#include <atomic>
#include <charconv>

namespace quillet {
namespace {

constexpr std::string_view kPrefix = ".quillet-";
constexpr std::string_view kSuffix = ".tmp";

// Reads the digits at the start of text into number and drops them; false when there are none.
bool takeNumber(std::string_view& text, unsigned long& number) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end == text.data()) return false;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return true;
}

}  // namespace

std::string nextTemporaryName(unsigned long process) {
    static std::atomic<unsigned> counter{0};
    return std::string(kPrefix) + std::to_string(process) + "-" + std::to_string(counter++) +
           std::string(kSuffix);
}

std::optional<unsigned long> writerOfTemporaryName(std::string_view name) {
    if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix)) return std::nullopt;
    name.remove_prefix(kPrefix.size());
    name.remove_suffix(kSuffix.size());
    unsigned long process = 0;
    unsigned long count = 0;
    if (!takeNumber(name, process) || !name.starts_with('-')) return std::nullopt;
    name.remove_prefix(1);
    if (!takeNumber(name, count) || !name.empty()) return std::nullopt;
    return process;
}

}  // namespace quillet
