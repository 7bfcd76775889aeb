#include "system/command_line.h"

#include <windows.h>
// After windows.h, which declares what it uses.
#include <shellapi.h>

#include "system/wide_text.h"

namespace quillet::system {

std::vector<std::string> commandLineArguments(int, char**) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) arguments.push_back(utf8FromWide(wide[i]));
    LocalFree(wide);
    return arguments;
}

}  // namespace quillet::system
