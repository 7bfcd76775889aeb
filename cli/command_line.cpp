#include "command_line.h"

#include "platform_file.h"

#ifdef _WIN32
#include <windows.h>
// After windows.h, which declares what it uses.
#include <shellapi.h>
#endif

namespace quillet {

#ifdef _WIN32

std::vector<std::string> commandLineArguments(int, char**) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) arguments.push_back(platform::utf8FromWide(wide[i]));
    LocalFree(wide);
    return arguments;
}

#else

std::vector<std::string> commandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

#endif

}  // namespace quillet
