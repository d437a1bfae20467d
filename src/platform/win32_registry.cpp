#include "platform/win32_registry.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace zepra {
namespace {

HKEY Handle(RegKey key) {
    return reinterpret_cast<HKEY>(key);
}

// Hands a new key out, leaving *result alone on failure.
std::int32_t Deliver(LONG status, HKEY opened, RegKey* result) {
    if (status == ERROR_SUCCESS && result != nullptr) *result = reinterpret_cast<RegKey>(opened);
    return static_cast<std::int32_t>(status);
}

}  // namespace

std::int32_t Win32Registry::RegCreateKeyExA(RegKey parent, const char* subKey,
                                            std::uint32_t options, std::uint32_t access,
                                            RegKey* result) {
    HKEY opened = nullptr;
    const LONG status = ::RegCreateKeyExA(Handle(parent), subKey, 0, nullptr, options, access,
                                          nullptr, &opened, nullptr);
    return Deliver(status, opened, result);
}

std::int32_t Win32Registry::RegOpenKeyExA(RegKey parent, const char* subKey, std::uint32_t options,
                                          std::uint32_t access, RegKey* result) {
    HKEY opened = nullptr;
    const LONG status = ::RegOpenKeyExA(Handle(parent), subKey, options, access, &opened);
    return Deliver(status, opened, result);
}

std::int32_t Win32Registry::RegQueryValueExA(RegKey key, const char* valueName, std::uint32_t* type,
                                             std::uint8_t* data, std::uint32_t* byteCount) {
    DWORD valueType = 0;
    DWORD count = byteCount != nullptr ? *byteCount : 0;
    const LONG status = ::RegQueryValueExA(Handle(key), valueName, nullptr, &valueType, data,
                                           byteCount != nullptr ? &count : nullptr);
    if (type != nullptr) *type = valueType;
    if (byteCount != nullptr) *byteCount = count;
    return static_cast<std::int32_t>(status);
}

std::int32_t Win32Registry::RegSetValueExA(RegKey key, const char* valueName, std::uint32_t type,
                                           const std::uint8_t* data, std::uint32_t byteCount) {
    return static_cast<std::int32_t>(
        ::RegSetValueExA(Handle(key), valueName, 0, type, data, byteCount));
}

std::int32_t Win32Registry::RegDeleteKeyA(RegKey key, const char* subKey) {
    return static_cast<std::int32_t>(::RegDeleteKeyA(Handle(key), subKey));
}

std::int32_t Win32Registry::RegDeleteValueA(RegKey key, const char* valueName) {
    return static_cast<std::int32_t>(::RegDeleteValueA(Handle(key), valueName));
}

std::int32_t Win32Registry::RegEnumKeyExA(RegKey key, std::uint32_t index, char* name,
                                          std::uint32_t* nameLength) {
    DWORD length = nameLength != nullptr ? *nameLength : 0;
    const LONG status =
        ::RegEnumKeyExA(Handle(key), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (nameLength != nullptr) *nameLength = length;
    return static_cast<std::int32_t>(status);
}

std::int32_t Win32Registry::RegCloseKey(RegKey key) {
    return static_cast<std::int32_t>(::RegCloseKey(Handle(key)));
}

}  // namespace zepra
