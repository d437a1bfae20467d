#include "registry/do_reg.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

namespace zepra {
namespace {

constexpr std::uint32_t kKeyNameBufferSize = 256;

// A key opened (or created) below the root, closed when it goes out of scope.
class OpenedKey {
  public:
    OpenedKey(RegistryApi& registry, RegKey parent, const std::string& path, bool create)
        : registry_(registry) {
        const std::int32_t status =
            create ? registry.RegCreateKeyExA(parent, path.c_str(), 0, kKeyAllAccess, &key_)
                   : registry.RegOpenKeyExA(parent, path.c_str(), 0, kKeyAllAccess, &key_);
        opened_ = status == kErrorSuccess;
    }
    ~OpenedKey() {
        if (opened_) registry_.RegCloseKey(key_);
    }
    OpenedKey(const OpenedKey&) = delete;
    OpenedKey& operator=(const OpenedKey&) = delete;

    explicit operator bool() const { return opened_; }
    RegKey get() const { return key_; }

  private:
    RegistryApi& registry_;
    RegKey key_ = 0;
    bool opened_ = false;
};

std::string Path(const std::string& subKey) {
    return kAppPathsRoot + subKey;
}

std::int16_t YesNo(bool yes) {
    return yes ? CDoReg::kYes : CDoReg::kNo;
}

// A value as a string, the way the gauge program's values are written: numbers in decimal.
std::string ToRegistryString(const RegistryValue& value) {
    if (const auto* text = std::get_if<std::string>(&value)) return *text;
    if (const auto* number = std::get_if<std::int32_t>(&value)) return std::to_string(*number);
    if (const auto* real = std::get_if<double>(&value)) {
        if (!std::isfinite(*real)) throw std::domain_error("not a number");
        char text[32];  // as printf's %.15g in the C locale, whatever the program's locale
        const auto written =
            std::to_chars(text, text + sizeof text, *real, std::chars_format::general, 15);
        return std::string(text, written.ptr);
    }
    return {};
}

// A value as a 32-bit number: numbers round to the nearest (halves to even); strings must be a
// number in full; anything out of range is an error.
std::int32_t ToRegistryLong(const RegistryValue& value) {
    double real = 0;
    if (const auto* number = std::get_if<std::int32_t>(&value)) return *number;
    if (const auto* given = std::get_if<double>(&value)) {
        real = *given;
    } else if (const auto* text = std::get_if<std::string>(&value)) {
        const std::size_t first = text->find_first_not_of(' ');
        const std::size_t last = text->find_last_not_of(' ');
        if (first == std::string::npos) throw std::invalid_argument("empty number");
        const char* begin = text->data() + first;
        const char* end = text->data() + last + 1;
        const auto [stop, error] = std::from_chars(begin, end, real);
        if (error != std::errc() || stop != end) throw std::invalid_argument("not a number");
    }
    const double rounded = std::nearbyint(real);
    if (!(rounded >= std::numeric_limits<std::int32_t>::min() &&
          rounded <= std::numeric_limits<std::int32_t>::max())) {
        throw std::out_of_range("outside 32 bits");
    }
    return static_cast<std::int32_t>(rounded);
}

std::int32_t WriteDword(RegistryApi& registry, RegKey key, const std::string& valueName,
                        std::int32_t value) {
    std::uint8_t bytes[4];
    const auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(bits >> (8 * i));
    return registry.RegSetValueExA(key, valueName.c_str(), kRegDword, bytes, 4);
}

}  // namespace

std::int32_t CDoReg::CreatKeyLG(const std::string& subKey) {
    try {
        OpenedKey key(registry_, kHKeyLocalMachine, Path(subKey), true);
        return key ? std::int32_t{-1} : std::int32_t{0};
    } catch (...) {
        return 0;
    }
}

std::int16_t CDoReg::SetKeyValueLG(const std::string& subKey, const std::string& valueName,
                                   std::int32_t typeCode, const RegistryValue& value) {
    try {
        OpenedKey key(registry_, kHKeyLocalMachine, Path(subKey), false);
        if (!key) return kNo;
        if (typeCode == static_cast<std::int32_t>(kRegSz)) {
            return SetStringValueLG(subKey, valueName, ToRegistryString(value));
        }
        if (typeCode == static_cast<std::int32_t>(kRegDword)) {
            return YesNo(WriteDword(registry_, key.get(), valueName, ToRegistryLong(value)) ==
                         kErrorSuccess);
        }
        return kNo;
    } catch (...) {
        return kNo;
    }
}

RegistryValue CDoReg::GetKeyValueLG(const std::string& subKey, const std::string& valueName) {
    try {
        OpenedKey key(registry_, kHKeyLocalMachine, Path(subKey), false);
        if (!key) return {};
        std::uint32_t type = 0;
        std::uint32_t size = 0;
        if (registry_.RegQueryValueExA(key.get(), valueName.c_str(), &type, nullptr, &size) !=
            kErrorSuccess) {
            return {};
        }
        if (type == kRegSz) {
            // The last byte is the terminating zero; a value without any byte is not a string.
            if (size == 0) return {};
            std::vector<std::uint8_t> buffer(size, 0);
            if (registry_.RegQueryValueExA(key.get(), valueName.c_str(), &type, buffer.data(),
                                           &size) != kErrorSuccess ||
                size == 0 || size > buffer.size()) {
                return {};
            }
            return std::string(buffer.begin(), buffer.begin() + (size - 1));
        }
        if (type == kRegDword) {
            std::uint8_t bytes[4] = {};
            std::uint32_t count = sizeof bytes;
            if (registry_.RegQueryValueExA(key.get(), valueName.c_str(), &type, bytes, &count) !=
                kErrorSuccess) {
                return {};
            }
            const std::uint32_t bits = bytes[0] | (std::uint32_t{bytes[1]} << 8) |
                                       (std::uint32_t{bytes[2]} << 16) |
                                       (std::uint32_t{bytes[3]} << 24);
            return static_cast<std::int32_t>(bits);
        }
        return {};
    } catch (...) {
        return {};
    }
}

std::int16_t CDoReg::DeleteKeyLG(const std::string& subKey) {
    try {
        // An empty name would be the root itself: every application's entry would go with it.
        if (subKey.find_first_not_of('\\') == std::string::npos) return kNo;
        OpenedKey key(registry_, kHKeyLocalMachine, Path(subKey), false);
        if (!key) return kNo;
        if (registry_.RegDeleteKeyA(key.get(), "") == kErrorSuccess) return kYes;
        return DeleteSubKeyTree(key.get(), "");
    } catch (...) {
        return kNo;
    }
}

std::int16_t CDoReg::DeleteKeyValueLG(const std::string& subKey, const std::string& valueName) {
    try {
        OpenedKey key(registry_, kHKeyLocalMachine, Path(subKey), false);
        if (!key) return kNo;
        return YesNo(registry_.RegDeleteValueA(key.get(), valueName.c_str()) == kErrorSuccess);
    } catch (...) {
        return kNo;
    }
}

std::int16_t CDoReg::DeleteSubKeyTree(RegKey parent, const std::string& keyName) {
    try {
        OpenedKey key(registry_, parent, keyName, false);
        if (!key) return kNo;
        if (registry_.RegDeleteKeyA(key.get(), "") == kErrorSuccess) return kYes;
        while (true) {
            char name[kKeyNameBufferSize] = {};
            std::uint32_t length = kKeyNameBufferSize;
            if (registry_.RegEnumKeyExA(key.get(), 0, name, &length) != kErrorSuccess) break;
            if (DeleteSubKeyTree(key.get(), std::string(name, length)) != kYes) break;
        }
        return YesNo(registry_.RegDeleteKeyA(key.get(), "") == kErrorSuccess);
    } catch (...) {
        return kNo;
    }
}

std::int16_t CDoReg::IsExistKeyLG(const std::string& subKey) {
    try {
        OpenedKey key(registry_, kHKeyLocalMachine, Path(subKey), false);
        return YesNo(static_cast<bool>(key));
    } catch (...) {
        return kNo;
    }
}

std::int16_t CDoReg::SubKeyCount(const std::string& subKey) {
    try {
        OpenedKey key(registry_, kHKeyLocalMachine, Path(subKey), false);
        if (!key) return 0;
        std::int32_t count = 0;
        while (true) {
            char name[kKeyNameBufferSize] = {};
            std::uint32_t length = kKeyNameBufferSize;
            if (registry_.RegEnumKeyExA(key.get(), static_cast<std::uint32_t>(count), name,
                                        &length) != kErrorSuccess) {
                break;
            }
            // The count is a 16-bit number: more sub-keys than it holds is an error.
            if (++count > std::numeric_limits<std::int16_t>::max()) return 0;
        }
        return static_cast<std::int16_t>(count);
    } catch (...) {
        return 0;
    }
}

std::int16_t CDoReg::SetStringValueLG(const std::string& subKey, const std::string& valueName,
                                      const std::string& value) {
    try {
        OpenedKey key(registry_, kHKeyLocalMachine, Path(subKey), false);
        if (!key) return kNo;
        // The string's bytes are already 8-bit text; the zero byte is written with them.
        if (value.size() >= std::numeric_limits<std::uint32_t>::max()) return kNo;
        const auto byteCount = static_cast<std::uint32_t>(value.size() + 1);
        return YesNo(registry_.RegSetValueExA(key.get(), valueName.c_str(), kRegSz,
                                              reinterpret_cast<const std::uint8_t*>(value.c_str()),
                                              byteCount) == kErrorSuccess);
    } catch (...) {
        return kNo;
    }
}

std::int16_t CDoReg::SetLongValueLG(const std::string& subKey, const std::string& valueName,
                                    std::int32_t value) {
    try {
        OpenedKey key(registry_, kHKeyLocalMachine, Path(subKey), false);
        if (!key) return kNo;
        return YesNo(WriteDword(registry_, key.get(), valueName, value) == kErrorSuccess);
    } catch (...) {
        return kNo;
    }
}

}  // namespace zepra
