// A stand-in for the default browser, for the tests of "Show log page" under Wine: it keeps a
// copy of each page it is asked to open, as the page was at that moment, in the folder that
// QUILLET_OPENED_PAGES names, as 1.html, 2.html and so on in the order the pages came.
#include <windows.h>

#include <cstdlib>
#include <string>

int wmain(int argc, wchar_t** argv) {
    const wchar_t* folder = _wgetenv(L"QUILLET_OPENED_PAGES");
    if (argc != 2 || !folder) return 2;
    for (int number = 1;; ++number) {
        const std::wstring copy = std::wstring(folder) + L"\\" + std::to_wstring(number) + L".html";
        if (CopyFileW(argv[1], copy.c_str(), TRUE)) return 0;
        if (GetLastError() != ERROR_FILE_EXISTS) return 1;
    }
}
