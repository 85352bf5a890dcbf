#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "environment/RegistryAccess.h"
#include "framework/Handles.h"

using testing_support::QueryRegistryValue;
using testing_support::RegistryTextBytes;
using testing_support::SetRegistryValue;

namespace {

std::string DwordBytes(DWORD value) { return std::string(reinterpret_cast<const char*>(&value), sizeof(value)); }

// Replaces the access list of a key with one given in SDDL form for its
// lifetime, then puts the key's own list back.
class KeyAccessList {
public:
    KeyAccessList(const std::wstring& path, const wchar_t* sddl) {
        ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, READ_CONTROL | WRITE_DAC, m_key.Put());
        DWORD size = 0;
        ::RegGetKeySecurity(m_key.Get(), DACL_SECURITY_INFORMATION, nullptr, &size);
        m_saved.resize(size);
        ::RegGetKeySecurity(m_key.Get(), DACL_SECURITY_INFORMATION, m_saved.data(), &size);

        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr);
        const fw::UniqueLocalMemory owner(descriptor);
        m_applied = ::RegSetKeySecurity(m_key.Get(), DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
    }
    ~KeyAccessList() {
        if (!m_saved.empty()) ::RegSetKeySecurity(m_key.Get(), DACL_SECURITY_INFORMATION, m_saved.data());
    }
    KeyAccessList(const KeyAccessList&) = delete;
    KeyAccessList& operator=(const KeyAccessList&) = delete;
    bool Applied() const { return m_applied; }

private:
    fw::UniqueHKey m_key;
    std::vector<BYTE> m_saved;
    bool m_applied = false;
};

class RegistryAccessTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(registry.SelectRoot(HKEY_LOCAL_MACHINE));
        ASSERT_TRUE(registry.SelectKey(sandbox.Path()));
    }

    void Store(const std::wstring& name, DWORD type, const std::string& bytes) {
        ASSERT_TRUE(SetRegistryValue(HKEY_LOCAL_MACHINE, sandbox.Path(), name, type, bytes));
    }

    testing_support::RegistrySandbox sandbox{L"RegistryAccess"};
    CRegistryAccess registry;
};

TEST(RegistryAccess, StartsAtTheCurrentUserWithNoKey) {
    const CRegistryAccess registry;
    EXPECT_EQ(registry.GetRoot(), HKEY_CURRENT_USER);
    EXPECT_EQ(registry.GetKeyPath(), L"");
}

TEST_F(RegistryAccessTest, SelectRootAcceptsOnlyTheFourRoots) {
    fw::UniqueHKey openKey;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, sandbox.Path().c_str(), 0, KEY_READ, openKey.Put()), ERROR_SUCCESS);
    const struct {
        HKEY root;
        bool accepted;
        const char* name;
    } cases[] = {
        {HKEY_CLASSES_ROOT, true, "HKEY_CLASSES_ROOT"},
        {HKEY_CURRENT_USER, true, "HKEY_CURRENT_USER"},
        {HKEY_LOCAL_MACHINE, true, "HKEY_LOCAL_MACHINE"},
        {HKEY_USERS, true, "HKEY_USERS"},
        {HKEY_PERFORMANCE_DATA, false, "HKEY_PERFORMANCE_DATA"},
        {HKEY_CURRENT_CONFIG, false, "HKEY_CURRENT_CONFIG"},
        {HKEY_DYN_DATA, false, "HKEY_DYN_DATA"},
        {nullptr, false, "null"},
        {openKey.Get(), false, "an open key"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(registry.SelectRoot(HKEY_USERS));
        EXPECT_EQ(registry.SelectRoot(c.root), c.accepted) << c.name;
        EXPECT_EQ(registry.GetRoot(), c.accepted ? c.root : HKEY_USERS) << c.name;
    }
}

TEST_F(RegistryAccessTest, HasKeyLooksUnderTheRootItIsGivenAndChangesNothing) {
    ASSERT_TRUE(registry.SelectRoot(HKEY_CURRENT_USER));
    ASSERT_TRUE(registry.SelectKey(L""));

    EXPECT_TRUE(registry.HasKey(sandbox.Path(), HKEY_LOCAL_MACHINE));
    EXPECT_FALSE(registry.HasKey(sandbox / L"missing", HKEY_LOCAL_MACHINE));
    EXPECT_FALSE(registry.HasKey(sandbox.Path(), HKEY_CURRENT_USER));
    EXPECT_EQ(registry.GetRoot(), HKEY_CURRENT_USER);
    EXPECT_EQ(registry.GetKeyPath(), L"");
}

TEST_F(RegistryAccessTest, SelectKeyTakesOnlyKeysThatExist) {
    ASSERT_TRUE(SetRegistryValue(HKEY_LOCAL_MACHINE, sandbox / L"child", L"", REG_SZ, RegistryTextBytes(L"x")));

    EXPECT_TRUE(registry.SelectKey(sandbox / L"child"));
    EXPECT_EQ(registry.GetKeyPath(), sandbox / L"child");

    EXPECT_FALSE(registry.SelectKey(sandbox / L"missing"));
    EXPECT_EQ(registry.GetKeyPath(), sandbox / L"child");
    EXPECT_FALSE(testing_support::RegistryKeyExists(HKEY_LOCAL_MACHINE, sandbox / L"missing"));

    EXPECT_TRUE(registry.SelectKey(L""));
    EXPECT_EQ(registry.GetKeyPath(), L"");
}

TEST_F(RegistryAccessTest, ValueTypeReportsTheStoredTypeOrZero) {
    Store(L"", REG_SZ, RegistryTextBytes(L"default"));
    Store(L"text", REG_SZ, RegistryTextBytes(L"t"));
    Store(L"expand", REG_EXPAND_SZ, RegistryTextBytes(L"%SystemRoot%"));
    Store(L"multi", REG_MULTI_SZ, RegistryTextBytes(std::wstring(L"a\0b\0", 4)));
    Store(L"number", REG_DWORD, DwordBytes(7));
    Store(L"binary", REG_BINARY, "\x01\x02");
    const struct {
        const wchar_t* name;
        DWORD type;
    } cases[] = {
        {L"", REG_SZ},          {L"text", REG_SZ},       {L"expand", REG_EXPAND_SZ}, {L"multi", REG_MULTI_SZ},
        {L"number", REG_DWORD}, {L"binary", REG_BINARY}, {L"missing", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(registry.ValueType(c.name), c.type) << "value " << testing_support::Narrow(c.name);
    }

    // The selected key gone: nothing opens, nothing is there.
    ASSERT_TRUE(testing_support::DeleteRegistryTree(HKEY_LOCAL_MACHINE, sandbox.Path()));
    EXPECT_EQ(registry.ValueType(L"text"), 0u);
}

TEST_F(RegistryAccessTest, ReadTextReturnsTheTextUpToItsFirstNulOrTheEndOfTheData) {
    const std::wstring longest(254, L'x');
    const std::wstring tooLong(255, L'y');
    const struct {
        const wchar_t* name;
        DWORD type;
        std::string bytes;
        std::wstring expected;
    } cases[] = {
        {L"", REG_SZ, RegistryTextBytes(L"C:\\Programmi\\Zantor"), L"C:\\Programmi\\Zantor"},
        {L"empty", REG_SZ, RegistryTextBytes(L""), L""},
        {L"no data", REG_SZ, "", L""},
        {L"longest", REG_SZ, RegistryTextBytes(longest), longest},
        {L"too long", REG_SZ, RegistryTextBytes(tooLong), L"<default>"},
        {L"unterminated", REG_SZ, RegistryTextBytes(L"abc", false), L"abc"},
        {L"odd length", REG_SZ, RegistryTextBytes(L"abc", false) + "x", L"abc"},
        {L"unterminated full", REG_SZ, RegistryTextBytes(tooLong, false), tooLong},
        {L"inner nul", REG_SZ, RegistryTextBytes(std::wstring(L"ab\0cd", 5)), L"ab"},
        {L"expand", REG_EXPAND_SZ, RegistryTextBytes(L"%SystemRoot%\\x"), L"%SystemRoot%\\x"},
        {L"multi", REG_MULTI_SZ, RegistryTextBytes(std::wstring(L"a\0b\0", 4)), L"<default>"},
        {L"number", REG_DWORD, DwordBytes(0x00610062), L"<default>"},
        {L"binary", REG_BINARY, RegistryTextBytes(L"text"), L"<default>"},
    };
    for (const auto& c : cases) Store(c.name, c.type, c.bytes);
    for (const auto& c : cases) {
        EXPECT_EQ(registry.ReadText(c.name, L"<default>"), c.expected) << "value " << testing_support::Narrow(c.name);
    }
    EXPECT_EQ(registry.ReadText(L"missing", L"<default>"), L"<default>");

    // With no key selected, the root itself is read.
    ASSERT_TRUE(registry.SelectKey(L""));
    EXPECT_EQ(registry.ReadText(L"longest", L"<default>"), L"<default>");
}

TEST_F(RegistryAccessTest, WriteTextStoresUpTo254CharactersWithTheirTerminator) {
    const struct {
        size_t length;
        bool written;
    } cases[] = {{0, true}, {1, true}, {254, true}, {255, false}, {1000, false}};
    for (const auto& c : cases) {
        Store(L"value", REG_DWORD, DwordBytes(1));
        const std::wstring text(c.length, L'w');
        EXPECT_EQ(registry.WriteText(L"value", text), c.written) << "length " << c.length;

        const testing_support::RegistryValue stored = QueryRegistryValue(HKEY_LOCAL_MACHINE, sandbox.Path(), L"value");
        if (c.written) {
            EXPECT_EQ(stored.type, static_cast<DWORD>(REG_SZ)) << "length " << c.length;
            EXPECT_EQ(stored.bytes, RegistryTextBytes(text)) << "length " << c.length;
        } else {
            EXPECT_EQ(stored.type, static_cast<DWORD>(REG_DWORD)) << "length " << c.length;
            EXPECT_EQ(stored.bytes, DwordBytes(1)) << "length " << c.length;
        }
    }

    EXPECT_TRUE(registry.WriteText(L"", L"C:\\Root"));
    EXPECT_EQ(registry.ReadText(L"", L""), L"C:\\Root");
}

TEST_F(RegistryAccessTest, WriteTextFailsWhenTheSelectedKeyIsGone) {
    ASSERT_TRUE(testing_support::DeleteRegistryTree(HKEY_LOCAL_MACHINE, sandbox.Path()));
    EXPECT_FALSE(registry.WriteText(L"value", L"text"));
    EXPECT_FALSE(testing_support::RegistryKeyExists(HKEY_LOCAL_MACHINE, sandbox.Path()));
}

// Finding and selecting a key asks for full access; reading asks only to
// read and writing only to write.
TEST_F(RegistryAccessTest, EachOperationAsksForItsOwnAccessRights) {
    Store(L"value", REG_SZ, RegistryTextBytes(L"stored"));
    {
        const KeyAccessList readOnly(sandbox.Path(), L"D:P(A;;KR;;;WD)");
        ASSERT_TRUE(readOnly.Applied());
        EXPECT_FALSE(registry.HasKey(sandbox.Path(), HKEY_LOCAL_MACHINE));
        CRegistryAccess other;
        ASSERT_TRUE(other.SelectRoot(HKEY_LOCAL_MACHINE));
        EXPECT_FALSE(other.SelectKey(sandbox.Path()));
        EXPECT_EQ(other.GetKeyPath(), L"");

        EXPECT_EQ(registry.ValueType(L"value"), static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(registry.ReadText(L"value", L"<default>"), L"stored");
        EXPECT_FALSE(registry.WriteText(L"value", L"changed"));
    }
    {
        const KeyAccessList writeOnly(sandbox.Path(), L"D:P(A;;KW;;;WD)");
        ASSERT_TRUE(writeOnly.Applied());
        EXPECT_TRUE(registry.WriteText(L"value", L"changed"));
        EXPECT_EQ(registry.ValueType(L"value"), 0u);
        EXPECT_EQ(registry.ReadText(L"value", L"<default>"), L"<default>");
    }
    EXPECT_EQ(registry.ReadText(L"value", L"<default>"), L"changed");
}

TEST_F(RegistryAccessTest, NoKeyStaysOpenAfterAnOperation) {
    Store(L"value", REG_SZ, RegistryTextBytes(L"stored"));
    const size_t handles = testing_support::CountOwnHandles();
    ASSERT_GT(handles, 0u);

    CRegistryAccess other;
    ASSERT_TRUE(other.SelectRoot(HKEY_LOCAL_MACHINE));
    EXPECT_TRUE(other.HasKey(sandbox.Path(), HKEY_LOCAL_MACHINE));
    EXPECT_TRUE(other.SelectKey(sandbox.Path()));
    EXPECT_EQ(other.ValueType(L"value"), static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(other.ReadText(L"value", L""), L"stored");
    EXPECT_EQ(other.ReadText(L"missing", L""), L"");
    EXPECT_TRUE(other.WriteText(L"value", L"again"));
    EXPECT_FALSE(other.WriteText(L"value", std::wstring(300, L'x')));

    EXPECT_EQ(testing_support::CountOwnHandles(), handles);
}

}  // namespace
