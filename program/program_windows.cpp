#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h, which declares what it uses.
#include <shellapi.h>

#include "command_line.h"
#include "standard_streams.h"
#include "wide_text.h"

namespace quillet::program {

std::string utf8FromWide(std::wstring_view wide) {
    const int length = static_cast<int>(wide.size());
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, text.data(), size, nullptr, nullptr);
    return text;
}

std::wstring wideFromUtf8(std::string_view utf8) {
    const int length = static_cast<int>(utf8.size());
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), size);
    return wide;
}

std::vector<std::string> commandLineArguments(int, char**) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) arguments.push_back(utf8FromWide(wide[i]));
    LocalFree(wide);
    return arguments;
}

bool isTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

std::FILE* binaryStandardInput() {
    _setmode(_fileno(stdin), _O_BINARY);
    return stdin;
}

std::FILE* binaryStandardOutput() {
    _setmode(_fileno(stdout), _O_BINARY);
    return stdout;
}

std::string withPlatformLineEnds(std::string_view text) {
    std::string lines;
    lines.reserve(text.size());
    for (const char c : text) {
        if (c == '\n') lines += '\r';
        lines += c;
    }
    return lines;
}

// A console shows UTF-16 text as it is, whatever its code page; a file or a pipe gets UTF-8.
void writeStandardError(std::string_view text) {
    const HANDLE console = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(console, &mode)) {
        std::fflush(stderr);
        const std::wstring wide = wideFromUtf8(text);
        DWORD written = 0;
        WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

}  // namespace quillet::program
