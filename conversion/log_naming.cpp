#include "conversion/log_naming.h"

#include <algorithm>

namespace quillet {
namespace {

constexpr std::string_view kLogExtension = ".pdb";

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool endsWithIgnoringCase(std::string_view text, std::string_view ending) {
    return text.size() >= ending.size() &&
           std::equal(ending.begin(), ending.end(), text.end() - ending.size(),
                      [](char a, char b) { return asciiLower(a) == asciiLower(b); });
}

}  // namespace

std::string lowerCaseName(std::string_view name) {
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(), asciiLower);
    return lower;
}

bool isLogFileName(std::string_view name) { return endsWithIgnoringCase(name, "qmrx.pdb"); }

bool isDatabaseFileName(std::string_view name) { return endsWithIgnoringCase(name, kLogExtension); }

std::string_view withoutDatabaseExtension(std::string_view name) {
    if (isDatabaseFileName(name)) name.remove_suffix(kLogExtension.size());
    return name;
}

std::string csvPathForLog(std::string_view logPath) {
    return std::string(withoutDatabaseExtension(logPath)) + ".csv";
}

std::optional<std::string> firstLog(const std::vector<std::string>& paths) {
    const auto found = std::find_if(paths.begin(), paths.end(),
                                    [](const std::string& path) { return isLogFileName(path); });
    return found == paths.end() ? std::nullopt : std::optional<std::string>(*found);
}

}  // namespace quillet
