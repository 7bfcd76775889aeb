#include "system/paths.h"

#include <algorithm>
#include <exception>

#include "conversion/failure.h"

namespace quillet {

std::filesystem::path pathFromUtf8(std::string_view utf8Path) {
    const std::string opened = openedSpelling(utf8Path);
    try {
        return std::filesystem::path(std::u8string(opened.begin(), opened.end()));
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

std::string openedSpelling(std::string_view path) {
    path = withoutSurroundingQuotes(path);
    if (!kWindowsPaths || path.starts_with("\\\\?\\")) return std::string(path);
    std::string opened;
    while (!path.empty()) {
        const auto separator = std::find_if(path.begin(), path.end(), isFolderSeparator);
        const std::string_view name =
            path.substr(0, static_cast<std::size_t>(separator - path.begin()));
        opened += name == "." || name == ".." ? name : storedFileName(name);
        if (separator == path.end()) break;
        opened += *separator;
        path.remove_prefix(name.size() + 1);
    }
    return opened;
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
