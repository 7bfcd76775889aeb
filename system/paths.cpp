#include "system/paths.h"

#include <exception>

#include "conversion/failure.h"

namespace quillet {

std::filesystem::path pathFromUtf8(std::string_view utf8Path) {
    utf8Path = withoutSurroundingQuotes(utf8Path);
    try {
        return std::filesystem::path(std::u8string(utf8Path.begin(), utf8Path.end()));
    } catch (const std::exception&) {
        throw Failure(FailureNumber::PathFileAccessError);
    }
}

std::string utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string_view withoutSurroundingQuotes(std::string_view path) {
    if (kWindowsPaths && path.size() >= 2 && path.front() == '"' && path.back() == '"') {
        return path.substr(1, path.size() - 2);
    }
    return path;
}

std::optional<std::filesystem::path> absoluteSpelling(const std::filesystem::path& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error) return std::nullopt;
    std::filesystem::path spelled = std::filesystem::weakly_canonical(absolute, error);
    if (error) return std::nullopt;
    return spelled;
}

std::string_view fileNameOf(std::string_view path) {
    path = withoutSurroundingQuotes(path);
    for (std::size_t end = path.size(); end > 0; --end) {
        if (isFolderSeparator(path[end - 1])) return path.substr(end);
    }
    return path;
}

std::string_view storedFileName(std::string_view name) {
    while (kWindowsPaths && !name.empty() && (name.back() == '.' || name.back() == ' ')) {
        name.remove_suffix(1);
    }
    return name;
}

}  // namespace quillet
