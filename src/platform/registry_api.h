#pragma once
// The registry operations the registry class needs, shaped like the Windows 8-bit ("A") functions:
// each returns 0 on success or a Windows error code, and keys are reached through HKEY-like
// handles. Backends: the real Windows registry (win32_registry.h) and an in-memory tree
// (portable_registry.h). Plain C++, no Qt.

#include <cstdint>

namespace zepra {

// An open key, or one of the predefined roots. Same size as a Windows HKEY.
using RegKey = std::uintptr_t;

// As Windows defines it: the 32-bit value 0x80000002, sign-extended to the handle's width.
inline constexpr RegKey kHKeyLocalMachine =
    static_cast<RegKey>(static_cast<std::intptr_t>(std::int32_t{-2147483646}));

// Value types.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegDword = 4;

// Access rights.
inline constexpr std::uint32_t kKeyQueryValue = 0x0001;
inline constexpr std::uint32_t kKeySetValue = 0x0002;
inline constexpr std::uint32_t kKeyCreateSubKey = 0x0004;
inline constexpr std::uint32_t kKeyEnumerateSubKeys = 0x0008;
inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;

// Results.
inline constexpr std::int32_t kErrorSuccess = 0;
inline constexpr std::int32_t kErrorFileNotFound = 2;
inline constexpr std::int32_t kErrorAccessDenied = 5;
inline constexpr std::int32_t kErrorInvalidHandle = 6;
inline constexpr std::int32_t kErrorInvalidParameter = 87;
inline constexpr std::int32_t kErrorBadPathname = 161;
inline constexpr std::int32_t kErrorMoreData = 234;
inline constexpr std::int32_t kErrorNoMoreItems = 259;
inline constexpr std::int32_t kErrorKeyDeleted = 1018;

class RegistryApi {
  public:
    virtual ~RegistryApi() = default;

    // Creates the key (and any missing keys on its path) or opens it when it exists. No class, no
    // security attributes.
    virtual std::int32_t RegCreateKeyExA(RegKey parent, const char* subKey, std::uint32_t options,
                                         std::uint32_t access, RegKey* result) = 0;
    // An empty sub-key opens a new handle to parent itself.
    virtual std::int32_t RegOpenKeyExA(RegKey parent, const char* subKey, std::uint32_t options,
                                       std::uint32_t access, RegKey* result) = 0;
    // data may be null to learn type and size; otherwise *byteCount is the buffer size on entry and
    // the data size on return (also when the buffer is too small: kErrorMoreData).
    virtual std::int32_t RegQueryValueExA(RegKey key, const char* valueName, std::uint32_t* type,
                                          std::uint8_t* data, std::uint32_t* byteCount) = 0;
    virtual std::int32_t RegSetValueExA(RegKey key, const char* valueName, std::uint32_t type,
                                        const std::uint8_t* data, std::uint32_t byteCount) = 0;
    // Deletes a key without sub-keys; an empty sub-key deletes the key the handle is open on.
    virtual std::int32_t RegDeleteKeyA(RegKey key, const char* subKey) = 0;
    virtual std::int32_t RegDeleteValueA(RegKey key, const char* valueName) = 0;
    // The name of sub-key number index. *nameLength is the buffer size in characters on entry and
    // the name's length without the zero on return. kErrorNoMoreItems past the last one.
    virtual std::int32_t RegEnumKeyExA(RegKey key, std::uint32_t index, char* name,
                                       std::uint32_t* nameLength) = 0;
    virtual std::int32_t RegCloseKey(RegKey key) = 0;
};

}  // namespace zepra
