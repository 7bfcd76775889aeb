#include "system/standard_streams.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "system/wide_text.h"

namespace quillet::system {

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

std::optional<std::string> standardOutputFile() {
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output == INVALID_HANDLE_VALUE || output == nullptr ||
        GetFileType(output) != FILE_TYPE_DISK) {
        return std::nullopt;
    }
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetFinalPathNameByHandleW(output, path.data(), static_cast<DWORD>(path.size()), 0);
        if (length == 0) return std::nullopt;
        if (length < path.size()) {
            path.resize(length);
            return utf8FromWide(path);
        }
        path.resize(length);
    }
}

}  // namespace quillet::system
