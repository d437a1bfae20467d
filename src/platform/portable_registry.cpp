#include "platform/portable_registry.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>
#include <stdexcept>

#include "platform/ascii_case.h"

namespace zepra {

struct PortableRegistry::Key {
    struct Value {
        std::string name;
        std::uint32_t type = 0;
        std::vector<std::uint8_t> data;
    };
    std::string name;
    Key* parent = nullptr;  // null for a root
    bool deleted = false;
    bool readOnly = false;
    // Sorted by name without regard to case: the order of enumeration.
    std::vector<std::shared_ptr<Key>> subKeys;
    std::vector<Value> values;
};

namespace {

using Key = PortableRegistry::Key;

int CompareNames(const std::string& a, const std::string& b) {
    const std::size_t length = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < length; ++i) {
        const auto x = static_cast<unsigned char>(AsciiLower(a[i]));
        const auto y = static_cast<unsigned char>(AsciiLower(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::vector<std::shared_ptr<Key>>::iterator LowerBound(Key& key, const std::string& name) {
    return std::lower_bound(key.subKeys.begin(), key.subKeys.end(), name,
                            [](const std::shared_ptr<Key>& k, const std::string& n) {
                                return CompareNames(k->name, n) < 0;
                            });
}

std::shared_ptr<Key> FindSubKey(Key& key, const std::string& name) {
    const auto found = LowerBound(key, name);
    if (found != key.subKeys.end() && CompareNames((*found)->name, name) == 0) return *found;
    return nullptr;
}

Key::Value* FindValue(Key& key, const char* valueName) {
    const std::string name = valueName != nullptr ? valueName : "";
    for (Key::Value& value : key.values) {
        if (CompareNames(value.name, name) == 0) return &value;
    }
    return nullptr;
}

// The names along a path "a\b\c"; a trailing backslash is ignored, empty names elsewhere are
// refused (nullopt).
std::optional<std::vector<std::string>> SplitPath(const char* path) {
    std::vector<std::string> names;
    std::string text = path != nullptr ? path : "";
    if (!text.empty() && text.back() == '\\') text.pop_back();
    if (text.empty()) return names;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find('\\', start);
        std::string name = text.substr(start, end == std::string::npos ? end : end - start);
        if (name.empty()) return std::nullopt;
        names.push_back(std::move(name));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return names;
}

bool Grants(std::uint32_t access, std::uint32_t needed) {
    return (access & needed) == needed;
}

void MarkDeleted(Key& key) {
    key.deleted = true;
    for (const std::shared_ptr<Key>& sub : key.subKeys) MarkDeleted(*sub);
}

}  // namespace

PortableRegistry::PortableRegistry()
    : localMachine_(std::make_shared<Key>()), localMachineHandle_{localMachine_, kKeyAllAccess} {
    localMachine_->name = "HKEY_LOCAL_MACHINE";
}

PortableRegistry::~PortableRegistry() = default;

const PortableRegistry::Handle* PortableRegistry::find(RegKey key) const {
    if (key == kHKeyLocalMachine) return &localMachineHandle_;
    const auto found = handles_.find(key);
    return found == handles_.end() ? nullptr : &found->second;
}

std::int32_t PortableRegistry::openOrCreate(RegKey parent, const char* subKey, std::uint32_t access,
                                            bool create, RegKey* result) {
    if (result == nullptr) return kErrorInvalidParameter;
    const Handle* start = find(parent);
    if (start == nullptr) return kErrorInvalidHandle;
    if (start->key->deleted) return kErrorKeyDeleted;
    const std::optional<std::vector<std::string>> names = SplitPath(subKey);
    if (!names) return kErrorBadPathname;

    std::shared_ptr<Key> key = start->key;
    for (const std::string& name : *names) {
        std::shared_ptr<Key> next = FindSubKey(*key, name);
        if (!next) {
            if (!create) return kErrorFileNotFound;
            if (key->readOnly) return kErrorAccessDenied;
            next = std::make_shared<Key>();
            next->name = name;
            next->parent = key.get();
            key->subKeys.insert(LowerBound(*key, name), next);
        }
        key = std::move(next);
    }
    if (key->readOnly && !Grants(kKeyRead, access)) return kErrorAccessDenied;
    const RegKey handle = nextHandle_++;
    handles_[handle] = Handle{std::move(key), access};
    *result = handle;
    return kErrorSuccess;
}

std::int32_t PortableRegistry::RegCreateKeyExA(RegKey parent, const char* subKey,
                                               std::uint32_t /*options*/, std::uint32_t access,
                                               RegKey* result) {
    return openOrCreate(parent, subKey, access, true, result);
}

std::int32_t PortableRegistry::RegOpenKeyExA(RegKey parent, const char* subKey,
                                             std::uint32_t /*options*/, std::uint32_t access,
                                             RegKey* result) {
    return openOrCreate(parent, subKey, access, false, result);
}

std::int32_t PortableRegistry::RegQueryValueExA(RegKey key, const char* valueName,
                                                std::uint32_t* type, std::uint8_t* data,
                                                std::uint32_t* byteCount) {
    const Handle* handle = find(key);
    if (handle == nullptr) return kErrorInvalidHandle;
    if (handle->key->deleted) return kErrorKeyDeleted;
    if (!Grants(handle->access, kKeyQueryValue)) return kErrorAccessDenied;
    if (data != nullptr && byteCount == nullptr) return kErrorInvalidParameter;
    const Key::Value* value = FindValue(*handle->key, valueName);
    if (value == nullptr) return kErrorFileNotFound;
    if (type != nullptr) *type = value->type;
    const auto size = static_cast<std::uint32_t>(value->data.size());
    if (data != nullptr && *byteCount < size) {
        *byteCount = size;
        return kErrorMoreData;
    }
    if (data != nullptr) std::copy(value->data.begin(), value->data.end(), data);
    if (byteCount != nullptr) *byteCount = size;
    return kErrorSuccess;
}

std::int32_t PortableRegistry::RegSetValueExA(RegKey key, const char* valueName, std::uint32_t type,
                                              const std::uint8_t* data, std::uint32_t byteCount) {
    const Handle* handle = find(key);
    if (handle == nullptr) return kErrorInvalidHandle;
    if (handle->key->deleted) return kErrorKeyDeleted;
    if (!Grants(handle->access, kKeySetValue)) return kErrorAccessDenied;
    if (data == nullptr && byteCount != 0) return kErrorInvalidParameter;
    std::vector<std::uint8_t> bytes(data, data + byteCount);
    if (Key::Value* value = FindValue(*handle->key, valueName)) {
        value->type = type;
        value->data = std::move(bytes);
    } else {
        handle->key->values.push_back(
            {valueName != nullptr ? valueName : "", type, std::move(bytes)});
    }
    return kErrorSuccess;
}

std::int32_t PortableRegistry::RegDeleteKeyA(RegKey key, const char* subKey) {
    const Handle* handle = find(key);
    if (handle == nullptr) return kErrorInvalidHandle;
    if (handle->key->deleted) return kErrorKeyDeleted;
    const std::optional<std::vector<std::string>> names = SplitPath(subKey);
    if (!names) return kErrorBadPathname;
    std::shared_ptr<Key> target = handle->key;
    for (const std::string& name : *names) {
        target = FindSubKey(*target, name);
        if (!target) return kErrorFileNotFound;
    }
    if (target->parent == nullptr || target->readOnly || !target->subKeys.empty())
        return kErrorAccessDenied;
    Key& parent = *target->parent;
    parent.subKeys.erase(LowerBound(parent, target->name));
    MarkDeleted(*target);
    target->parent = nullptr;
    return kErrorSuccess;
}

std::int32_t PortableRegistry::RegDeleteValueA(RegKey key, const char* valueName) {
    const Handle* handle = find(key);
    if (handle == nullptr) return kErrorInvalidHandle;
    if (handle->key->deleted) return kErrorKeyDeleted;
    if (!Grants(handle->access, kKeySetValue)) return kErrorAccessDenied;
    std::vector<Key::Value>& values = handle->key->values;
    const Key::Value* value = FindValue(*handle->key, valueName);
    if (value == nullptr) return kErrorFileNotFound;
    values.erase(values.begin() + (value - values.data()));
    return kErrorSuccess;
}

std::int32_t PortableRegistry::RegEnumKeyExA(RegKey key, std::uint32_t index, char* name,
                                             std::uint32_t* nameLength) {
    const Handle* handle = find(key);
    if (handle == nullptr) return kErrorInvalidHandle;
    if (handle->key->deleted) return kErrorKeyDeleted;
    if (!Grants(handle->access, kKeyEnumerateSubKeys)) return kErrorAccessDenied;
    if (name == nullptr || nameLength == nullptr) return kErrorInvalidParameter;
    const std::vector<std::shared_ptr<Key>>& subKeys = handle->key->subKeys;
    if (index >= subKeys.size()) return kErrorNoMoreItems;
    const std::string& found = subKeys[index]->name;
    if (found.size() + 1 > *nameLength) return kErrorMoreData;
    std::memcpy(name, found.c_str(), found.size() + 1);
    *nameLength = static_cast<std::uint32_t>(found.size());
    return kErrorSuccess;
}

std::int32_t PortableRegistry::RegCloseKey(RegKey key) {
    if (key == kHKeyLocalMachine) return kErrorSuccess;
    return handles_.erase(key) == 1 ? kErrorSuccess : kErrorInvalidHandle;
}

void PortableRegistry::refuseFullAccess(const std::string& path) {
    RegKey handle = 0;
    if (RegOpenKeyExA(kHKeyLocalMachine, path.c_str(), 0, kKeyRead, &handle) != kErrorSuccess)
        throw std::invalid_argument("no such key: " + path);
    handles_.at(handle).key->readOnly = true;
    RegCloseKey(handle);
}

}  // namespace zepra
