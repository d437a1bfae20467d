#pragma once
// The registry operations on the real Windows registry (advapi32).

#include "platform/registry_api.h"

namespace zepra {

class Win32Registry final : public RegistryApi {
  public:
    std::int32_t RegCreateKeyExA(RegKey parent, const char* subKey, std::uint32_t options,
                                 std::uint32_t access, RegKey* result) override;
    std::int32_t RegOpenKeyExA(RegKey parent, const char* subKey, std::uint32_t options,
                               std::uint32_t access, RegKey* result) override;
    std::int32_t RegQueryValueExA(RegKey key, const char* valueName, std::uint32_t* type,
                                  std::uint8_t* data, std::uint32_t* byteCount) override;
    std::int32_t RegSetValueExA(RegKey key, const char* valueName, std::uint32_t type,
                                const std::uint8_t* data, std::uint32_t byteCount) override;
    std::int32_t RegDeleteKeyA(RegKey key, const char* subKey) override;
    std::int32_t RegDeleteValueA(RegKey key, const char* valueName) override;
    std::int32_t RegEnumKeyExA(RegKey key, std::uint32_t index, char* name,
                               std::uint32_t* nameLength) override;
    std::int32_t RegCloseKey(RegKey key) override;
};

}  // namespace zepra
