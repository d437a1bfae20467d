// The in-memory registry keeps the Windows rules the registry class depends on.
#include "platform/portable_registry.h"

#include <gtest/gtest.h>

#include <array>
#include <clocale>

namespace zepra {
namespace {

class PortableRegistryTest : public testing::Test {
  protected:
    RegKey create(const char* path, std::uint32_t access = kKeyAllAccess) {
        RegKey key = 0;
        EXPECT_EQ(registry_.RegCreateKeyExA(kHKeyLocalMachine, path, 0, access, &key),
                  kErrorSuccess)
            << path;
        return key;
    }
    std::int32_t open(const char* path, std::uint32_t access, RegKey* key) {
        return registry_.RegOpenKeyExA(kHKeyLocalMachine, path, 0, access, key);
    }

    PortableRegistry registry_;
};

TEST_F(PortableRegistryTest, PathsAndNames) {
    registry_.RegCloseKey(create("A\\b\\C"));
    RegKey key = 0;
    EXPECT_EQ(open("a\\B\\c", kKeyRead, &key), kErrorSuccess);
    registry_.RegCloseKey(key);
    EXPECT_EQ(open("A\\b\\C\\", kKeyRead, &key), kErrorSuccess)
        << "a trailing backslash is ignored";
    registry_.RegCloseKey(key);
    EXPECT_EQ(open("A\\c", kKeyRead, &key), kErrorFileNotFound);
    EXPECT_EQ(open("A\\\\b", kKeyRead, &key), kErrorBadPathname);
    EXPECT_EQ(open("\\A", kKeyRead, &key), kErrorBadPathname);
    EXPECT_EQ(registry_.openHandleCount(), 0u);
}

// Names compare in ASCII whatever the C library's locale (Turkish has no one-byte lower 'I').
TEST_F(PortableRegistryTest, NamesIgnoreCaseUnderTurkishRules) {
    // Linux and Windows spell the locale differently.
    if (std::setlocale(LC_ALL, "tr_TR.UTF-8") == nullptr &&
        std::setlocale(LC_ALL, "Turkish_Turkey.1254") == nullptr) {
        GTEST_SKIP() << "no Turkish locale installed (scripts/setup.sh makes tr_TR.UTF-8)";
    }
    registry_.RegCloseKey(create("HARDWARE\\DEVICEMAP\\SERIALCOMM"));
    RegKey key = 0;
    EXPECT_EQ(open("hardware\\devicemap\\serialcomm", kKeyRead, &key), kErrorSuccess);
    registry_.RegCloseKey(key);
    std::setlocale(LC_ALL, "C");
}

TEST_F(PortableRegistryTest, EnumeratesSubKeysByNameIgnoringCase) {
    const RegKey parent = create("P");
    for (const char* name : {"P\\beta", "P\\Alpha", "P\\gamma", "P\\ALPHA2"}) {
        registry_.RegCloseKey(create(name));
    }
    std::vector<std::string> names;
    for (std::uint32_t i = 0;; ++i) {
        std::array<char, 256> name{};
        std::uint32_t length = 256;
        const std::int32_t status = registry_.RegEnumKeyExA(parent, i, name.data(), &length);
        if (status == kErrorNoMoreItems) break;
        ASSERT_EQ(status, kErrorSuccess);
        names.emplace_back(name.data(), length);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "ALPHA2", "beta", "gamma"}));
    std::array<char, 4> small{};
    std::uint32_t length = 4;
    EXPECT_EQ(registry_.RegEnumKeyExA(parent, 0, small.data(), &length), kErrorMoreData);
    registry_.RegCloseKey(parent);
}

TEST_F(PortableRegistryTest, QueryTellsTypeAndSizeAndRefusesSmallBuffers) {
    const RegKey key = create("Q");
    const std::uint8_t text[] = "hello";
    ASSERT_EQ(registry_.RegSetValueExA(key, "v", kRegSz, text, sizeof text), kErrorSuccess);
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    EXPECT_EQ(registry_.RegQueryValueExA(key, "V", &type, nullptr, &size), kErrorSuccess);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(size, 6u);
    std::array<std::uint8_t, 8> buffer{};
    size = 3;
    EXPECT_EQ(registry_.RegQueryValueExA(key, "v", &type, buffer.data(), &size), kErrorMoreData);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(buffer[0], 0) << "nothing written into a buffer that is too small";
    EXPECT_EQ(registry_.RegQueryValueExA(key, "w", &type, nullptr, &size), kErrorFileNotFound);
    registry_.RegCloseKey(key);
}

TEST_F(PortableRegistryTest, DeletesOnlyKeysWithoutSubKeys) {
    const RegKey key = create("D\\x");
    RegKey parent = 0;
    ASSERT_EQ(open("D", kKeyAllAccess, &parent), kErrorSuccess);
    EXPECT_EQ(registry_.RegDeleteKeyA(parent, ""), kErrorAccessDenied);
    EXPECT_EQ(registry_.RegDeleteKeyA(parent, "x"), kErrorSuccess);
    // A handle on a deleted key is still a handle, to nothing.
    EXPECT_EQ(registry_.RegSetValueExA(key, "v", kRegSz, nullptr, 0), kErrorKeyDeleted);
    EXPECT_EQ(registry_.RegCloseKey(key), kErrorSuccess);
    EXPECT_EQ(registry_.RegDeleteKeyA(parent, ""), kErrorSuccess);
    EXPECT_EQ(registry_.RegCloseKey(parent), kErrorSuccess);
    EXPECT_EQ(registry_.RegCloseKey(parent), kErrorInvalidHandle);
    EXPECT_EQ(registry_.RegDeleteKeyA(kHKeyLocalMachine, ""), kErrorAccessDenied);
}

TEST_F(PortableRegistryTest, HandlesCarryTheirAccessAndKeysCanRefuseFullAccess) {
    registry_.RegCloseKey(create("R"));
    RegKey reader = 0;
    ASSERT_EQ(open("R", kKeyRead, &reader), kErrorSuccess);
    const std::uint8_t byte = 1;
    EXPECT_EQ(registry_.RegSetValueExA(reader, "v", 3, &byte, 1), kErrorAccessDenied);
    registry_.RegCloseKey(reader);

    registry_.refuseFullAccess("R");
    RegKey key = 0;
    EXPECT_EQ(open("R", kKeyAllAccess, &key), kErrorAccessDenied);
    EXPECT_EQ(registry_.RegCreateKeyExA(kHKeyLocalMachine, "R\\sub", 0, kKeyAllAccess, &key),
              kErrorAccessDenied);
    EXPECT_EQ(open("R", kKeyRead, &key), kErrorSuccess);
    registry_.RegCloseKey(key);
    EXPECT_EQ(registry_.openHandleCount(), 0u);
}

}  // namespace
}  // namespace zepra
