// The registry class on every registry backend this system has.
#include "registry/do_reg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "registry/registry_backend.h"

namespace zepra {
namespace {

using testing_support::BackendKind;
using testing_support::RegistryBackend;

constexpr std::int16_t kYes = CDoReg::kYes;
constexpr std::int16_t kNo = CDoReg::kNo;

class DoRegTest : public testing::TestWithParam<BackendKind> {
  protected:
    void SetUp() override {
        backend_ = GetParam().make();
        reg_ = std::make_unique<CDoReg>(backend_->api());
        key_ = backend_->scratchKeyName();
        ASSERT_EQ(reg_->CreatKeyLG(key_), -1);
    }
    void TearDown() override {
        // Every method closes what it opened, on every path.
        if (const auto open = backend_->openHandleCount()) {
            EXPECT_EQ(*open, 0u);
        }
    }

    // The type the registry holds for a value of the scratch key; 0 when there is none.
    std::uint32_t storedType(const std::string& valueName) {
        RegistryApi& api = backend_->api();
        RegKey key = 0;
        if (api.RegOpenKeyExA(kHKeyLocalMachine, (kAppPathsRoot + key_).c_str(), 0, kKeyRead,
                              &key) != kErrorSuccess) {
            return 0;
        }
        std::uint32_t type = 0;
        std::uint32_t size = 0;
        const std::int32_t status =
            api.RegQueryValueExA(key, valueName.c_str(), &type, nullptr, &size);
        api.RegCloseKey(key);
        return status == kErrorSuccess ? type : 0;
    }

    std::unique_ptr<RegistryBackend> backend_;
    std::unique_ptr<CDoReg> reg_;
    std::string key_;
};

TEST_P(DoRegTest, CreatesKeysAndPathsAndFindsThem) {
    EXPECT_EQ(reg_->IsExistKeyLG(key_), kYes);
    EXPECT_EQ(reg_->CreatKeyLG(key_), -1) << "an existing key counts as created";
    EXPECT_EQ(reg_->IsExistKeyLG(key_ + "\\a"), kNo);
    EXPECT_EQ(reg_->CreatKeyLG(key_ + "\\a\\b"), -1);
    EXPECT_EQ(reg_->IsExistKeyLG(key_ + "\\a"), kYes);
    EXPECT_EQ(reg_->IsExistKeyLG(key_ + "\\A\\B"), kYes) << "names ignore case";
}

TEST_P(DoRegTest, StringsRoundTrip) {
    for (const std::string& text : {std::string("abc"), std::string(), std::string(1000, 'x'),
                                    std::string("C:\\Program Files\\ZEPRA\\zepra.exe")}) {
        EXPECT_EQ(reg_->SetStringValueLG(key_, "Path", text), kYes);
        EXPECT_EQ(reg_->GetKeyValueLG(key_, "Path"), RegistryValue(text));
        EXPECT_EQ(storedType("Path"), kRegSz);
    }
}

TEST_P(DoRegTest, LongsRoundTrip) {
    for (std::int32_t number : {0, 1234, -1, -2147483647 - 1, 2147483647}) {
        EXPECT_EQ(reg_->SetLongValueLG(key_, "Count", number), kYes);
        EXPECT_EQ(reg_->GetKeyValueLG(key_, "Count"), RegistryValue(number));
        EXPECT_EQ(storedType("Count"), kRegDword);
    }
}

struct SetValueCase {
    const char* what;
    std::int32_t typeCode;
    RegistryValue given;
    std::int16_t result;
    RegistryValue stored;  // empty when nothing may be written
};

class SetKeyValueTest : public DoRegTest {
  protected:
    void check(const SetValueCase& c) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(reg_->SetKeyValueLG(key_, "v", c.typeCode, c.given), c.result);
        EXPECT_EQ(reg_->GetKeyValueLG(key_, "v"), c.stored);
        EXPECT_EQ(reg_->DeleteKeyValueLG(key_, "v"),
                  std::holds_alternative<std::monostate>(c.stored) ? kNo : kYes);
    }
};

TEST_P(SetKeyValueTest, WritesStringsAndDwordsOnly) {
    const SetValueCase cases[] = {
        {"dword 1234", 4, std::int32_t{1234}, kYes, std::int32_t{1234}},
        {"dword from text", 4, std::string(" 1234 "), kYes, std::int32_t{1234}},
        {"dword from negative text", 4, std::string("-7"), kYes, std::int32_t{-7}},
        {"dword rounds half to even", 4, 2.5, kYes, std::int32_t{2}},
        {"dword rounds up", 4, 3.5, kYes, std::int32_t{4}},
        {"dword lowest", 4, -2147483648.0, kYes, std::int32_t{-2147483647 - 1}},
        {"dword from empty", 4, RegistryValue{}, kYes, std::int32_t{0}},
        {"dword too big", 4, 3e9, kNo, RegistryValue{}},
        {"dword from words", 4, std::string("abc"), kNo, RegistryValue{}},
        {"dword from empty text", 4, std::string(""), kNo, RegistryValue{}},
        {"dword from half a number", 4, std::string("12abc"), kNo, RegistryValue{}},
        {"string", 1, std::string("xyz"), kYes, std::string("xyz")},
        {"string from number", 1, std::int32_t{1234}, kYes, std::string("1234")},
        {"string from real", 1, 2.5, kYes, std::string("2.5")},
        {"string from empty", 1, RegistryValue{}, kYes, std::string()},
        {"binary refused", 3, std::string("abc"), kNo, RegistryValue{}},
        {"unknown type refused", 7, std::int32_t{1}, kNo, RegistryValue{}},
    };
    for (const SetValueCase& c : cases) check(c);
}

TEST_P(DoRegTest, SetKeyValueNeedsTheKey) {
    EXPECT_EQ(reg_->SetKeyValueLG(key_ + "\\missing", "v", 4, std::int32_t{1}), kNo);
    EXPECT_EQ(reg_->SetKeyValueLG(key_ + "\\missing", "v", 1, std::string("a")), kNo);
    EXPECT_EQ(reg_->SetStringValueLG(key_ + "\\missing", "v", "a"), kNo);
    EXPECT_EQ(reg_->SetLongValueLG(key_ + "\\missing", "v", 1), kNo);
    EXPECT_EQ(reg_->IsExistKeyLG(key_ + "\\missing"), kNo) << "writing must not create the key";
}

TEST_P(DoRegTest, GetKeyValueIsEmptyForAnythingElse) {
    EXPECT_EQ(reg_->GetKeyValueLG(key_ + "\\missing", "v"), RegistryValue{});
    EXPECT_EQ(reg_->GetKeyValueLG(key_, "missing"), RegistryValue{});

    RegistryApi& api = backend_->api();
    RegKey key = 0;
    ASSERT_EQ(api.RegOpenKeyExA(kHKeyLocalMachine, (kAppPathsRoot + key_).c_str(), 0, kKeyAllAccess,
                                &key),
              kErrorSuccess);
    const std::uint8_t bytes[] = {1, 2, 3};
    ASSERT_EQ(api.RegSetValueExA(key, "binary", 3, bytes, sizeof bytes), kErrorSuccess);
    api.RegCloseKey(key);
    EXPECT_EQ(reg_->GetKeyValueLG(key_, "binary"), RegistryValue{});
}

TEST_P(DoRegTest, DeletesValues) {
    ASSERT_EQ(reg_->SetStringValueLG(key_, "v", "abc"), kYes);
    EXPECT_EQ(reg_->DeleteKeyValueLG(key_, "v"), kYes);
    EXPECT_EQ(reg_->GetKeyValueLG(key_, "v"), RegistryValue{});
    EXPECT_EQ(reg_->DeleteKeyValueLG(key_, "v"), kNo);
    EXPECT_EQ(reg_->DeleteKeyValueLG(key_ + "\\missing", "v"), kNo);
}

TEST_P(DoRegTest, DeletesAKeyWithTwoLevelsOfSubKeys) {
    for (const char* sub : {"\\a\\x", "\\a\\y", "\\b", "\\c\\z"}) {
        ASSERT_EQ(reg_->CreatKeyLG(key_ + sub), -1);
        ASSERT_EQ(reg_->SetStringValueLG(key_ + sub, "v", "abc"), kYes);
    }
    ASSERT_EQ(reg_->CreatKeyLG(key_ + "-sibling"), -1);

    EXPECT_EQ(reg_->DeleteKeyLG(key_), kYes);
    EXPECT_EQ(reg_->IsExistKeyLG(key_), kNo);
    EXPECT_EQ(reg_->IsExistKeyLG(key_ + "-sibling"), kYes) << "only the named key goes";
    EXPECT_EQ(reg_->DeleteKeyLG(key_ + "-sibling"), kYes);
    EXPECT_EQ(reg_->DeleteKeyLG(key_), kNo) << "a missing key cannot be deleted";
}

TEST_P(DoRegTest, DeletesAKeyWithoutSubKeys) {
    ASSERT_EQ(reg_->CreatKeyLG(key_ + "\\leaf"), -1);
    EXPECT_EQ(reg_->DeleteKeyLG(key_ + "\\leaf"), kYes);
    EXPECT_EQ(reg_->IsExistKeyLG(key_ + "\\leaf"), kNo);
    EXPECT_EQ(reg_->IsExistKeyLG(key_), kYes);
}

TEST_P(DoRegTest, RefusesToDeleteTheWholeRoot) {
    for (const std::string& name : {std::string(), std::string("\\"), std::string("\\\\")}) {
        EXPECT_EQ(reg_->DeleteKeyLG(name), kNo) << '"' << name << '"';
    }
    EXPECT_EQ(reg_->IsExistKeyLG(key_), kYes);
    EXPECT_EQ(reg_->IsExistKeyLG(""), kYes);
}

TEST_P(DoRegTest, DeleteSubKeyTreeBelowAnOpenKey) {
    ASSERT_EQ(reg_->CreatKeyLG(key_ + "\\tree\\a\\b"), -1);
    RegistryApi& api = backend_->api();
    RegKey parent = 0;
    ASSERT_EQ(api.RegOpenKeyExA(kHKeyLocalMachine, (kAppPathsRoot + key_).c_str(), 0, kKeyAllAccess,
                                &parent),
              kErrorSuccess);
    EXPECT_EQ(reg_->DeleteSubKeyTree(parent, "tree"), kYes);
    EXPECT_EQ(reg_->DeleteSubKeyTree(parent, "tree"), kNo);
    api.RegCloseKey(parent);
    EXPECT_EQ(reg_->IsExistKeyLG(key_ + "\\tree"), kNo);
    EXPECT_EQ(reg_->IsExistKeyLG(key_), kYes);
}

TEST_P(DoRegTest, CountsDirectSubKeys) {
    EXPECT_EQ(reg_->SubKeyCount(key_), 0);
    EXPECT_EQ(reg_->SubKeyCount(key_ + "\\missing"), 0);
    for (const char* sub : {"\\a\\x", "\\a\\y", "\\b", "\\c"})
        ASSERT_EQ(reg_->CreatKeyLG(key_ + sub), -1);
    EXPECT_EQ(reg_->SubKeyCount(key_), 3);
    EXPECT_EQ(reg_->SubKeyCount(key_ + "\\a"), 2);
}

TEST_P(DoRegTest, AKeyThatRefusesFullAccessDoesNotCountAsExisting) {
    ASSERT_EQ(reg_->CreatKeyLG(key_ + "\\locked"), -1);
    ASSERT_EQ(reg_->SetStringValueLG(key_ + "\\locked", "v", "abc"), kYes);
    const std::string why = backend_->refuseFullAccess(kAppPathsRoot + key_ + "\\locked");
    if (!why.empty()) GTEST_SKIP() << why;

    EXPECT_EQ(reg_->IsExistKeyLG(key_ + "\\locked"), kNo);
    EXPECT_EQ(reg_->SubKeyCount(key_), 1) << "the key is still there";
    EXPECT_EQ(reg_->CreatKeyLG(key_ + "\\locked"), 0);
    EXPECT_EQ(reg_->GetKeyValueLG(key_ + "\\locked", "v"), RegistryValue{});
    EXPECT_EQ(reg_->SetStringValueLG(key_ + "\\locked", "v", "xyz"), kNo);
    EXPECT_EQ(reg_->DeleteKeyValueLG(key_ + "\\locked", "v"), kNo);
    EXPECT_EQ(reg_->DeleteKeyLG(key_ + "\\locked"), kNo);
    EXPECT_EQ(reg_->DeleteKeyLG(key_), kNo) << "a tree with a locked key is not deleted whole";
}

TEST_P(DoRegTest, SubKeyCountAboveSixteenBitsIsAnError) {
    if (!backend_->cheapKeys()) GTEST_SKIP() << "too many keys for this registry";
    // Created in name order, the order the registry keeps them in.
    std::vector<std::string> names;
    for (int i = 0; i < 32767; ++i) names.push_back(std::to_string(i));
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) ASSERT_EQ(reg_->CreatKeyLG(key_ + "\\" + name), -1);
    EXPECT_EQ(reg_->SubKeyCount(key_), 32767);
    ASSERT_EQ(reg_->CreatKeyLG(key_ + "\\one-more"), -1);
    EXPECT_EQ(reg_->SubKeyCount(key_), 0);
}

std::string BackendName(const testing::TestParamInfo<BackendKind>& param) {
    return param.param.name;
}

INSTANTIATE_TEST_SUITE_P(Backends, DoRegTest,
                         testing::ValuesIn(testing_support::RegistryBackends()), BackendName);
INSTANTIATE_TEST_SUITE_P(Backends, SetKeyValueTest,
                         testing::ValuesIn(testing_support::RegistryBackends()), BackendName);

// A registry whose every operation throws: nothing may escape the class.
class ThrowingRegistry : public RegistryApi {
  public:
    std::int32_t RegCreateKeyExA(RegKey, const char*, std::uint32_t, std::uint32_t,
                                 RegKey*) override {
        throw std::runtime_error("create");
    }
    std::int32_t RegOpenKeyExA(RegKey, const char*, std::uint32_t, std::uint32_t,
                               RegKey*) override {
        throw std::runtime_error("open");
    }
    std::int32_t RegQueryValueExA(RegKey, const char*, std::uint32_t*, std::uint8_t*,
                                  std::uint32_t*) override {
        throw std::runtime_error("query");
    }
    std::int32_t RegSetValueExA(RegKey, const char*, std::uint32_t, const std::uint8_t*,
                                std::uint32_t) override {
        throw std::runtime_error("set");
    }
    std::int32_t RegDeleteKeyA(RegKey, const char*) override { throw std::runtime_error("delete"); }
    std::int32_t RegDeleteValueA(RegKey, const char*) override {
        throw std::runtime_error("delete value");
    }
    std::int32_t RegEnumKeyExA(RegKey, std::uint32_t, char*, std::uint32_t*) override {
        throw std::runtime_error("enumerate");
    }
    std::int32_t RegCloseKey(RegKey) override { throw std::runtime_error("close"); }
};

TEST(DoRegFailureTest, NoErrorEscapesAMethod) {
    ThrowingRegistry registry;
    CDoReg reg(registry);
    EXPECT_EQ(reg.CreatKeyLG("k"), 0);
    EXPECT_EQ(reg.SetKeyValueLG("k", "v", 4, std::int32_t{1}), kNo);
    EXPECT_EQ(reg.GetKeyValueLG("k", "v"), RegistryValue{});
    EXPECT_EQ(reg.DeleteKeyLG("k"), kNo);
    EXPECT_EQ(reg.DeleteKeyValueLG("k", "v"), kNo);
    EXPECT_EQ(reg.DeleteSubKeyTree(kHKeyLocalMachine, "k"), kNo);
    EXPECT_EQ(reg.IsExistKeyLG("k"), kNo);
    EXPECT_EQ(reg.SubKeyCount("k"), 0);
    EXPECT_EQ(reg.SetStringValueLG("k", "v", "abc"), kNo);
    EXPECT_EQ(reg.SetLongValueLG("k", "v", 1), kNo);
}

}  // namespace
}  // namespace zepra
