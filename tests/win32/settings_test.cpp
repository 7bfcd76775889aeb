// The remembered folders as the registry may hold them: written by the program, by hand, or
// damaged. An entry that cannot be read as a text is a missing one.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "win32/registry_settings.h"

namespace quillet::win32 {
namespace {

constexpr wchar_t kSection[] = L"Software\\QuilletSettingsTest\\LastDirs";

struct EntryCase {
    std::string name;
    DWORD type;
    std::vector<BYTE> bytes;
    std::string read;
};

void PrintTo(const EntryCase& c, std::ostream* out) { *out << c.name; }

class RegistryEntryTest : public ::testing::TestWithParam<EntryCase> {
  protected:
    ~RegistryEntryTest() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\QuilletSettingsTest");
    }
};

TEST_P(RegistryEntryTest, ReadsAsAFolderOrAsMissing) {
    const EntryCase& c = GetParam();
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kSection, L"PalmDir", c.type, c.bytes.data(),
                              static_cast<DWORD>(c.bytes.size())),
              ERROR_SUCCESS);
    RegistrySettings settings;
    EXPECT_EQ(settings.read("QuilletSettingsTest", "LastDirs", "PalmDir", "c:\\"), c.read);
}

std::vector<BYTE> wideBytes(const std::wstring& text) {
    const auto* first = reinterpret_cast<const BYTE*>(text.c_str());
    return std::vector<BYTE>(first, first + (text.size() + 1) * sizeof(wchar_t));
}

INSTANTIATE_TEST_SUITE_P(
    Entries, RegistryEntryTest,
    ::testing::Values(EntryCase{"Folder", REG_SZ, wideBytes(L"C:\\Logs\\"), "C:\\Logs\\"},
                      EntryCase{"NonAsciiFolder", REG_SZ, wideBytes(L"C:\\Fahrten \u00e4\\"),
                                "C:\\Fahrten \xC3\xA4\\"},
                      EntryCase{"EmptyText", REG_SZ, wideBytes(L""), ""},
                      EntryCase{"NoBytes", REG_SZ, {}, "c:\\"},
                      EntryCase{"OneByte", REG_SZ, {0x41}, "c:\\"},
                      EntryCase{"WithoutItsNull", REG_SZ, {'C', 0, ':', 0}, "C:"},
                      EntryCase{"ANumber", REG_DWORD, {5, 0, 0, 0}, "c:\\"},
                      EntryCase{"Binary", REG_BINARY, {1, 2, 3}, "c:\\"}),
    [](const auto& info) { return info.param.name; });

TEST(RegistrySettings, AMissingEntryGivesItsDefault) {
    RegistrySettings settings;
    EXPECT_EQ(settings.read("QuilletSettingsTest", "Nowhere", "PalmDir", ""), "");
}

}  // namespace
}  // namespace quillet::win32
