#pragma once
// An in-memory registry with the Windows rules the registry class relies on: a tree of keys below
// HKEY_LOCAL_MACHINE, names compared without regard to case, REG_SZ/REG_DWORD (any) values as
// bytes, handles that carry their access rights, keys without sub-keys deletable, and keys that
// refuse any access beyond reading (as a key with a denying access list does).

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry_api.h"

namespace zepra {

class PortableRegistry final : public RegistryApi {
  public:
    PortableRegistry();
    ~PortableRegistry() override;
    PortableRegistry(const PortableRegistry&) = delete;
    PortableRegistry& operator=(const PortableRegistry&) = delete;

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

    // The key at path below HKEY_LOCAL_MACHINE (which must exist) grants reading only from now on.
    void refuseFullAccess(const std::string& path);
    // Handles opened or created and not yet closed.
    std::size_t openHandleCount() const { return handles_.size(); }

    struct Key;

  private:
    struct Handle {
        std::shared_ptr<Key> key;
        std::uint32_t access = 0;
    };
    // The key a handle stands for (also the predefined root); null for an unknown handle.
    const Handle* find(RegKey key) const;
    std::int32_t openOrCreate(RegKey parent, const char* subKey, std::uint32_t access, bool create,
                              RegKey* result);

    std::shared_ptr<Key> localMachine_;
    Handle localMachineHandle_;
    std::map<RegKey, Handle> handles_;
    RegKey nextHandle_ = 0x1000;
};

}  // namespace zepra
