#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// Paths as the user names them: UTF-8 text, split into folders at the platform's separators.
namespace quillet {

// Paths arrive as UTF-8 text, whatever the platform's own encoding of file names. Text that
// cannot name a file on this platform (not UTF-8, on Windows) fails as a bad file name.
std::filesystem::path pathFromUtf8(std::string_view utf8Path);
std::string utf8FromPath(const std::filesystem::path& path);

// Whether a character ends a folder in a path: "/" everywhere, and "\" on Windows too, where
// it is the usual one; elsewhere "\" is a character of a file name like any other.
constexpr bool isFolderSeparator(char c) {
    return c == '/' || (std::filesystem::path::preferred_separator == '\\' && c == '\\');
}

// The file name a path ends in: the text after its last folder separator.
std::string_view fileNameOf(std::string_view path);

}  // namespace quillet
