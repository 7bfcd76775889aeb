#include "system/file_access.h"

#include <windows.h>

#include <cerrno>
#include <string>

#include "conversion/failure.h"
#include "system/paths.h"
#include "system/windows/file_errors.h"

namespace quillet::system {

namespace fs = std::filesystem;
using windows::handleOf;

std::FILE* openForReadingByPosition(const fs::path& path) {
    std::error_code error;
    if (fs::is_directory(path, error)) {
        errno = EISDIR;
        return nullptr;
    }
    std::FILE* file = _wfopen(path.c_str(), L"rb");
    if (file && GetFileType(handleOf(file)) != FILE_TYPE_DISK) {
        std::fclose(file);
        errno = ESPIPE;
        return nullptr;
    }
    return file;
}

bool seekFile(std::FILE* file, std::uint64_t position) {
    return _fseeki64(file, static_cast<__int64>(position), SEEK_SET) == 0;
}

namespace {

bool sameName(const std::wstring& name, const wchar_t* other) {
    return CompareStringOrdinal(name.c_str(), -1, other, -1, TRUE) == CSTR_EQUAL;
}

// Windows drops the spaces that end a file name.
std::wstring withoutEndingSpaces(std::wstring name) {
    while (!name.empty() && name.back() == L' ') name.pop_back();
    return name;
}

// Windows gives these names to devices in every folder, whatever extension follows them.
bool isDeviceName(const std::wstring& name) {
    const std::wstring stem = withoutEndingSpaces(name);
    static constexpr const wchar_t* kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL"};
    for (const wchar_t* device : kDevices) {
        if (sameName(stem, device)) return true;
    }
    const bool numbered = stem.size() == 4 && stem[3] >= L'1' && stem[3] <= L'9';
    return numbered && (CompareStringOrdinal(stem.c_str(), 3, L"COM", 3, TRUE) == CSTR_EQUAL ||
                        CompareStringOrdinal(stem.c_str(), 3, L"LPT", 3, TRUE) == CSTR_EQUAL);
}

// "CONOUT$" names the console only as a whole path; "CON" does in every folder.
bool namesConsole(const fs::path& path) {
    return sameName(withoutEndingSpaces(path.filename().native()), L"CON") ||
           sameName(path.native(), L"CONOUT$");
}

// The kind of file the path opens, asked without reading or writing it.
DWORD fileTypeAt(const fs::path& path) {
    const HANDLE handle =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return FILE_TYPE_UNKNOWN;
    const DWORD type = GetFileType(handle);
    CloseHandle(handle);
    return type;
}

}  // namespace

// A console is known by its handle, whatever names it ("CON", "CONOUT$", "\\.\CONOUT$"). The
// handle is opened for writing, as the output is: "CON" opens for reading or for writing, not
// both, and asking its mode needs reading, which a second handle to the console adds.
bool namesTerminal(const fs::path& path) {
    if (fileTypeAt(path) != FILE_TYPE_CHAR) return false;
    const HANDLE handle =
        CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    HANDLE readable = nullptr;
    const bool duplicated = DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(),
                                            &readable, GENERIC_READ | GENERIC_WRITE, FALSE, 0);
    DWORD mode = 0;
    const bool console = duplicated && GetConsoleMode(readable, &mode);
    if (duplicated) CloseHandle(readable);
    CloseHandle(handle);
    return console;
}

bool isDeviceOrPipe(const fs::path& path) {
    // Such a name is a device even where none answers to it (a port or a printer the machine
    // lacks, the console of a program without one), so that the output is refused as it is
    // opened, not replaced once the whole log has been read.
    if (isDeviceName(path.filename().native()) || namesConsole(path)) return true;
    const DWORD type = fileTypeAt(path);
    return type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE;
}

std::FILE* openInPlace(const fs::path& path) { return _wfopen(path.c_str(), L"wb"); }

// Written through the system's own call, since the C runtime's short write keeps no reason:
// a full disk would pass for any other failure.
void writeToStream(std::FILE* stream, std::span<const char> bytes) {
    flushStream(stream);
    windows::writeAll(handleOf(stream), bytes);
}

void flushStream(std::FILE* stream) {
    if (std::fflush(stream) != 0) throw Failure(FailureNumber::DeviceIoError);
}

void checkReplaceable(const fs::path& output) {
    const std::wstring name = output.filename().native();
    const std::size_t dot = name.find(L'.');
    // "NUL" or "CON" alone names the device as the user meant it; "nul.csv" would too.
    if (dot != std::wstring::npos && isDeviceName(name.substr(0, dot))) {
        throw Failure(FailureNumber::PathFileAccessError);
    }
    // Otherwise the run would fail only once the whole output is written beside it.
    if (windows::isHeldOpen(output)) throw windows::heldOpenFailure();
}

// Compared by the volume and the file's index on it, so that one file reached through another
// drive letter, a subst drive or a mapped share is still one file.
bool sameFile(const fs::path& a, const fs::path& b) {
    auto identity = [](const fs::path& path, BY_HANDLE_FILE_INFORMATION& information) {
        const HANDLE handle =
            CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return false;
        const bool known = GetFileInformationByHandle(handle, &information);
        CloseHandle(handle);
        return known;
    };
    BY_HANDLE_FILE_INFORMATION first{};
    BY_HANDLE_FILE_INFORMATION second{};
    if (identity(a, first) && identity(b, second)) {
        return first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
               first.nFileIndexHigh == second.nFileIndexHigh &&
               first.nFileIndexLow == second.nFileIndexLow;
    }
    // Paths of files yet to be made are one file when they spell one path, in any letter case.
    const std::optional<fs::path> firstSpelling = absoluteSpelling(a);
    const std::optional<fs::path> secondSpelling = absoluteSpelling(b);
    if (!firstSpelling || !secondSpelling) return false;
    const std::wstring& firstName = firstSpelling->native();
    const std::wstring& secondName = secondSpelling->native();
    return CompareStringOrdinal(firstName.c_str(), static_cast<int>(firstName.size()),
                                secondName.c_str(), static_cast<int>(secondName.size()),
                                TRUE) == CSTR_EQUAL;
}

}  // namespace quillet::system
