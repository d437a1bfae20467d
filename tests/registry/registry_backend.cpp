#include "registry/registry_backend.h"

#include "platform/portable_registry.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "platform/win32_registry.h"
#include "registry/do_reg.h"
#endif

namespace zepra::testing_support {
namespace {

class PortableBackend : public RegistryBackend {
  public:
    RegistryApi& api() override { return registry_; }
    std::optional<std::size_t> openHandleCount() const override {
        return registry_.openHandleCount();
    }
    std::string refuseFullAccess(const std::string& path) override {
        registry_.refuseFullAccess(path);
        return {};
    }
    std::string scratchKeyName() const override { return "zepra-test"; }
    bool cheapKeys() const override { return true; }

  private:
    PortableRegistry registry_;
};

#ifdef _WIN32
// Sets the key's access list: a null list grants everything, otherwise everybody may only read.
LONG SetReadOnlyAccessList(const std::string& path, bool readOnly) {
    HKEY key = nullptr;
    LONG status =
        ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, READ_CONTROL | WRITE_DAC, &key);
    if (status != ERROR_SUCCESS) return status;
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)) {
        ::RegCloseKey(key);
        return static_cast<LONG>(GetLastError());
    }
    alignas(ACL) unsigned char aclBuffer[256] = {};
    auto* acl = reinterpret_cast<PACL>(aclBuffer);
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    if (readOnly) {
        InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION);
        AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ, everyone);
        SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
    } else {
        SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
    }
    status = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor);
    FreeSid(everyone);
    ::RegCloseKey(key);
    return status;
}

class Win32Backend : public RegistryBackend {
  public:
    Win32Backend() : name_("zepra-test-" + std::to_string(GetCurrentProcessId())) {
        removeScratch();
    }
    ~Win32Backend() override {
        for (const std::string& path : refused_) SetReadOnlyAccessList(path, false);
        removeScratch();
    }
    RegistryApi& api() override { return registry_; }
    std::string refuseFullAccess(const std::string& path) override {
        const LONG status = SetReadOnlyAccessList(path, true);
        if (status != ERROR_SUCCESS) {
            return "RegSetKeySecurity failed with " + std::to_string(status);
        }
        refused_.push_back(path);
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS, &key) ==
            ERROR_SUCCESS) {
            ::RegCloseKey(key);
            return "this registry ignores the key's access list (full access still granted)";
        }
        return {};
    }
    std::string scratchKeyName() const override { return name_; }
    bool cheapKeys() const override { return false; }

  private:
    void removeScratch() {
        const std::string path = std::string(kAppPathsRoot) + name_;
        ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, path.c_str());
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str());
    }

    std::string name_;
    Win32Registry registry_;
    std::vector<std::string> refused_;
};
#endif

}  // namespace

std::vector<BackendKind> RegistryBackends() {
    std::vector<BackendKind> kinds = {
        {"Portable", [] { return std::make_unique<PortableBackend>(); }}};
#ifdef _WIN32
    kinds.push_back({"Win32", [] { return std::make_unique<Win32Backend>(); }});
#endif
    return kinds;
}

}  // namespace zepra::testing_support
