#pragma once
// The registries the registry class is tested on: the in-memory one everywhere, and on Windows also
// the real one (keys below the application-path key, removed after each test).

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry_api.h"

namespace zepra::testing_support {

class RegistryBackend {
  public:
    virtual ~RegistryBackend() = default;
    virtual RegistryApi& api() = 0;
    // Handles still open, where the backend can tell.
    virtual std::optional<std::size_t> openHandleCount() const { return std::nullopt; }
    // Lets the key at path (below HKEY_LOCAL_MACHINE, existing) be opened for reading only.
    // Returns an empty text on success, else why this backend cannot do it.
    virtual std::string refuseFullAccess(const std::string& path) = 0;
    // A name below the application-path key no other test or program uses.
    virtual std::string scratchKeyName() const = 0;
    // False where creating tens of thousands of keys would take too long.
    virtual bool cheapKeys() const = 0;
};

struct BackendKind {
    std::string name;
    std::function<std::unique_ptr<RegistryBackend>()> make;
};

std::vector<BackendKind> RegistryBackends();

}  // namespace zepra::testing_support
