#include "system/desktop.h"

#include <windows.h>
// After windows.h, which declares what they use.
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>

#include "conversion/failure.h"
#include "conversion/number_text.h"

namespace quillet::system {

std::filesystem::path userCacheFolder() {
    PWSTR folder = nullptr;
    const HRESULT result = SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &folder);
    if (FAILED(result)) {
        CoTaskMemFree(folder);
        throw Failure(FailureNumber::PathFileAccessError,
                      "Windows names no local application data folder");
    }
    std::filesystem::path path(folder);
    CoTaskMemFree(folder);
    return path;
}

void openInBrowser(const std::filesystem::path& page) {
    // The program that opens the page may be reached through shell extensions, which need COM.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof execute;
    // The program ends once the page is open, so the shell must hand it over before returning;
    // a failure is shown as the program's own message, not as a second box of the shell's.
    execute.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    execute.lpFile = page.c_str();
    execute.nShow = SW_SHOWNORMAL;
    const bool opened = ShellExecuteExW(&execute);
    const DWORD error = GetLastError();
    if (SUCCEEDED(com)) CoUninitialize();
    if (!opened) {
        throw Failure(FailureNumber::InternalError,
                      "The page could not be opened in a browser (Windows error " +
                          decimalDigits(error) + ")");
    }
}

}  // namespace quillet::system
