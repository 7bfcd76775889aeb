#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "conversion/spreadsheet_profile.h"

// Paths as the user names them: UTF-8 text, split into folders at the platform's separators.
namespace quillet {

// Paths arrive as UTF-8 text, whatever the platform's own encoding of file names. Text that
// cannot name a file on this platform (not UTF-8, on Windows) fails as a bad file name.
std::filesystem::path pathFromUtf8(std::string_view utf8Path);
std::string utf8FromPath(const std::filesystem::path& path);

// Whether paths are spelled as on Windows: folders end in "\" as well as "/", and a file name
// cannot hold '"'. Elsewhere both are characters of a file name like any other.
inline constexpr bool kWindowsPaths = std::filesystem::path::preferred_separator == '\\';

constexpr bool isFolderSeparator(char c) { return c == '/' || (kWindowsPaths && c == '\\'); }

// How a CSV's line 1 spells a log's file name for this platform's spreadsheets: on Windows one
// byte per character, as they read a CSV; elsewhere file names are UTF-8, and so is the line.
inline constexpr NameEncoding kCsvNameEncoding =
    kWindowsPaths ? NameEncoding::Latin1 : NameEncoding::Utf8;

// A path as the user meant it. On Windows, where "Copy as path" puts a path between double
// quotes, one surrounding pair is dropped.
std::string_view withoutSurroundingQuotes(std::string_view path);

// A typed path as the system opens it, which every check of a path judges: on Windows without
// one surrounding pair of double quotes, and each name without the dots and spaces that end it
// ("sub\debug.pdb." opens sub\debug.pdb), but for "." and "..", and for a "\\?\" path, which
// Windows takes as it is. Elsewhere the path as it is.
std::string openedSpelling(std::string_view path);

// The path a file would have once made: absolute, with the links of its existing folders
// followed and "." and ".." gone; nothing where the system cannot tell.
std::optional<std::filesystem::path> absoluteSpelling(const std::filesystem::path& path);

// The file name a path ends in: the text after its last folder separator.
std::string_view fileNameOf(std::string_view path);

// A file name as the file system keeps it: Windows drops the dots and spaces at its end.
std::string_view storedFileName(std::string_view name);

}  // namespace quillet
