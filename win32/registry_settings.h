#pragma once

#include "frontend/file_choosing.h"

namespace quillet::win32 {

// Settings kept in the registry, per user: application A's section S lives in the key
// HKEY_CURRENT_USER\Software\A\S, each entry a string value named by its key.
class RegistrySettings : public frontend::SettingsStore {
  public:
    std::string read(std::string_view application, std::string_view section, std::string_view key,
                     std::string_view whenMissing) override;
    void write(std::string_view application, std::string_view section, std::string_view key,
               std::string_view value) override;
};

}  // namespace quillet::win32
