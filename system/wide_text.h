#pragma once

#include <string>
#include <string_view>

// Windows names files and takes text in UTF-16; the program keeps its texts in UTF-8. Defined
// in windows/wide_text.cpp, for Windows builds only.
namespace quillet::system {

std::string utf8FromWide(std::wstring_view wide);
std::wstring wideFromUtf8(std::string_view utf8);

}  // namespace quillet::system
