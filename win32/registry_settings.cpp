#include "registry_settings.h"

#include <windows.h>

#include "failure.h"
#include "wide_text.h"

namespace quillet::win32 {
namespace {

using program::wideFromUtf8;

std::wstring sectionKey(std::string_view application, std::string_view section) {
    return L"Software\\" + wideFromUtf8(application) + L"\\" + wideFromUtf8(section);
}

[[noreturn]] void failRegistry(LSTATUS status, const char* what) {
    throw Failure(FailureNumber::InternalError, std::string("The settings could not be ") + what +
                                                    " (registry error " + std::to_string(status) +
                                                    ")");
}

}  // namespace

std::string RegistrySettings::read(std::string_view application, std::string_view section,
                                   std::string_view key, std::string_view whenMissing) {
    const std::wstring subKey = sectionKey(application, section);
    const std::wstring name = wideFromUtf8(key);
    DWORD bytes = 0;
    LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, subKey.c_str(), name.c_str(), RRF_RT_REG_SZ,
                                  nullptr, nullptr, &bytes);
    if (status == ERROR_FILE_NOT_FOUND) {
        return std::string(whenMissing);
    }
    std::wstring value(bytes / sizeof(wchar_t), L'\0');
    if (status == ERROR_SUCCESS) {
        status = RegGetValueW(HKEY_CURRENT_USER, subKey.c_str(), name.c_str(), RRF_RT_REG_SZ,
                              nullptr, value.data(), &bytes);
    }
    if (status != ERROR_SUCCESS) {
        failRegistry(status, "read");
    }
    value.resize(bytes / sizeof(wchar_t) - 1);  // without its terminating null
    return program::utf8FromWide(value);
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
