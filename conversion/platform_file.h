#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// The few file operations whose calls differ between Windows and POSIX systems.
namespace quillet::platform {

// Paths arrive as UTF-8 text, whatever the platform's own encoding of file names.
std::filesystem::path pathFromUtf8(std::string_view utf8Path);
std::string utf8FromPath(const std::filesystem::path& path);

// std::fopen for a path of any encoding; nullptr with errno set on failure.
std::FILE* openFile(const std::filesystem::path& path, const char* mode);

// Moves to a position that may lie beyond what a long can hold.
bool seekFile(std::FILE* file, std::uint64_t position);

// The program's arguments as UTF-8 text. On Windows they are read from the wide command line,
// since the narrow argv holds only what the ANSI code page can spell.
std::vector<std::string> commandLineArguments(int argc, char** argv);

// Whether the stream is a terminal that a person watches.
bool isTerminal(std::FILE* stream);

// Standard output switched to binary, so that line ends pass unchanged.
std::FILE* binaryStandardOutput();

#ifdef _WIN32
// Windows names files and takes text in UTF-16; the program keeps its texts in UTF-8.
std::string utf8FromWide(std::wstring_view wide);
std::wstring wideFromUtf8(std::string_view utf8);
#endif

}  // namespace quillet::platform
