#include "win32/registry_settings.h"

#include <windows.h>

#include "conversion/failure.h"
#include "system/wide_text.h"

namespace quillet::win32 {
namespace {

using system::wideFromUtf8;

std::wstring sectionKey(std::string_view application, std::string_view section) {
    return L"Software\\" + wideFromUtf8(application) + L"\\" + wideFromUtf8(section);
}

[[noreturn]] void failRegistry(LSTATUS status, const char* what) {
    throw Failure(FailureNumber::InternalError, std::string("The settings could not be ") + what +
                                                    " (registry error " + std::to_string(status) +
                                                    ")");
}

}  // namespace

// An entry that cannot be read as a text (another type, or shorter than one character, as a
// damaged or foreign entry may be) is a missing one.
std::string RegistrySettings::read(std::string_view application, std::string_view section,
                                   std::string_view key, std::string_view whenMissing) {
    const std::wstring subKey = sectionKey(application, section);
    const std::wstring name = wideFromUtf8(key);
    DWORD bytes = 0;
    LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, subKey.c_str(), name.c_str(), RRF_RT_REG_SZ,
                                  nullptr, nullptr, &bytes);
    std::wstring value(bytes / sizeof(wchar_t), L'\0');
    if (status == ERROR_SUCCESS && !value.empty()) {
        status = RegGetValueW(HKEY_CURRENT_USER, subKey.c_str(), name.c_str(), RRF_RT_REG_SZ,
                              nullptr, value.data(), &bytes);
        value.resize(bytes / sizeof(wchar_t));
    }
    if (status == ERROR_FILE_NOT_FOUND || status == ERROR_UNSUPPORTED_TYPE ||
        (status == ERROR_SUCCESS && value.empty())) {
        return std::string(whenMissing);
    }
    if (status != ERROR_SUCCESS) {
        failRegistry(status, "read");
    }
    // Without its terminating null, and any other a foreign writer left.
    while (!value.empty() && value.back() == L'\0') value.pop_back();
    return system::utf8FromWide(value);
}

void RegistrySettings::write(std::string_view application, std::string_view section,
                             std::string_view key, std::string_view value) {
    const std::wstring text = wideFromUtf8(value);
    const LSTATUS status = RegSetKeyValueW(
        HKEY_CURRENT_USER, sectionKey(application, section).c_str(), wideFromUtf8(key).c_str(),
        REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    if (status != ERROR_SUCCESS) {
        failRegistry(status, "written");
    }
}

}  // namespace quillet::win32
