#pragma once
// CDoReg: reads and writes registry keys below the application-path key (kAppPathsRoot) of
// HKEY_LOCAL_MACHINE. Every method opens the key it needs with full access, works on it and
// closes it again, on every path. Failures come back only as results: yes/no results are all bits
// set (-1) for yes and 0 for no; nothing throws.

#include <cstdint>
#include <string>
#include <variant>

#include "platform/registry_api.h"

namespace zepra {

// A value as the class takes and gives it: empty, a string or a number.
using RegistryValue = std::variant<std::monostate, std::string, std::int32_t, double>;

inline constexpr const char* kAppPathsRoot =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

class CDoReg {
  public:
    static constexpr std::int16_t kYes = -1;
    static constexpr std::int16_t kNo = 0;

    explicit CDoReg(RegistryApi& registry) : registry_(registry) {}

    // The key exists afterwards (created or already there).
    std::int32_t CreatKeyLG(const std::string& subKey);
    // Type code 1 writes the value as a string, 4 as a 32-bit number; any other code writes
    // nothing.
    std::int16_t SetKeyValueLG(const std::string& subKey, const std::string& valueName,
                               std::int32_t typeCode, const RegistryValue& value);
    // A string for REG_SZ, a 32-bit number for REG_DWORD, empty otherwise or on failure.
    RegistryValue GetKeyValueLG(const std::string& subKey, const std::string& valueName);
    // Deletes the key with everything below it.
    std::int16_t DeleteKeyLG(const std::string& subKey);
    std::int16_t DeleteKeyValueLG(const std::string& subKey, const std::string& valueName);
    // Deletes the key keyName below the open key parent with everything below it.
    std::int16_t DeleteSubKeyTree(RegKey parent, const std::string& keyName);
    // The key can be opened with full access.
    std::int16_t IsExistKeyLG(const std::string& subKey);
    // Number of direct sub-keys; 0 when the key cannot be opened.
    std::int16_t SubKeyCount(const std::string& subKey);
    std::int16_t SetStringValueLG(const std::string& subKey, const std::string& valueName,
                                  const std::string& value);
    std::int16_t SetLongValueLG(const std::string& subKey, const std::string& valueName,
                                std::int32_t value);

  private:
    RegistryApi& registry_;
};

}  // namespace zepra
