#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "app/SetupManager.h"

using testing_support::PathExists;
using testing_support::RegistryTextBytes;
using testing_support::SetRegistryValue;
using testing_support::WriteFileBytes;

namespace {

const std::wstring kBrandKey = L"Software\\SetupTestBrand\\PathInstallORB4";
const std::wstring kKelbrinKey = L"SOFTWARE\\Kelbrin\\PathInstallORB4";
const wchar_t kWizardFile[] = L"\\car\\wizard\\ConfigurationWizard.xml";
const wchar_t kCommonFile[] = L"\\common\\CommonConfig.xml";

void SetInstallRoot(const std::wstring& key, const std::wstring& root) {
    ASSERT_TRUE(SetRegistryValue(HKEY_LOCAL_MACHINE, key, L"", REG_SZ, RegistryTextBytes(root)));
}

// The six members that one lookup writes together.
std::vector<std::wstring> PathMembers(const CSetupManager& manager) {
    return {manager.m_strInstallPath, manager.m_strWizardConfig, manager.m_strCommonConfig,
            manager.m_strCarPath,     manager.m_strTruckPath,    manager.m_strBikePath};
}

std::vector<std::wstring> PathsFrom(const std::wstring& root) {
    return {root,
            root + kWizardFile,
            root + kCommonFile,
            root + L"\\car\\misc\\setuplauncher\\",
            root + L"\\truck\\misc\\setuplauncher\\",
            root + L"\\bike\\misc\\setuplauncher\\"};
}

class InstallPathTest : public ::testing::Test {
protected:
    void SetUp() override { manager.m_strBrand = L"SetupTestBrand"; }

    // An installation folder below the sandbox, with the configuration files asked for.
    std::wstring MakeInstallation(const std::wstring& name, bool wizardFile, bool commonFile) {
        const std::wstring root = sandbox / name;
        testing_support::MakeFolders(root);
        if (wizardFile) WriteFileBytes(root + kWizardFile, "<root/>");
        if (commonFile) WriteFileBytes(root + kCommonFile, "<root/>");
        return root;
    }

    testing_support::SandboxFolder sandbox{L"InstallPath"};
    testing_support::RegistryValueGuard brandRoot{HKEY_LOCAL_MACHINE, kBrandKey, L""};
    testing_support::RegistryValueGuard kelbrinRoot{HKEY_LOCAL_MACHINE, kKelbrinKey, L""};
    CSetupManager manager;
};

TEST_F(InstallPathTest, OnlyCode96UsesTheFixedKelbrinKey) {
    SetInstallRoot(kBrandKey, MakeInstallation(L"brand", false, true));
    SetInstallRoot(kKelbrinKey, MakeInstallation(L"kelbrin", false, true));
    const struct {
        const wchar_t* code;
        const wchar_t* root;
    } cases[] = {
        {L"96", L"kelbrin"}, {L"60", L"brand"},  {L"61", L"brand"},  {L"71", L"brand"},
        {L"", L"brand"},     {L"096", L"brand"}, {L"96 ", L"brand"}, {L" 96", L"brand"},
    };
    for (const auto& c : cases) {
        manager.m_strInstallation = c.code;
        EXPECT_TRUE(manager.GetORB4carPath()) << "code [" << testing_support::Narrow(c.code) << "]";
        EXPECT_EQ(manager.m_strInstallPath, sandbox / c.root) << "code [" << testing_support::Narrow(c.code) << "]";
    }
}

TEST_F(InstallPathTest, MissingKeyAnswersFalseAndLeavesTheMembersAlone) {
    manager.m_strBrand = L"SetupTestBrandWithoutKey";
    ASSERT_FALSE(testing_support::RegistryKeyExists(HKEY_LOCAL_MACHINE, L"Software\\SetupTestBrandWithoutKey"));
    const std::vector<std::wstring> before = PathsFrom(L"C:\\earlier");
    manager.m_strInstallPath = before[0];
    manager.m_strWizardConfig = before[1];
    manager.m_strCommonConfig = before[2];
    manager.m_strCarPath = before[3];
    manager.m_strTruckPath = before[4];
    manager.m_strBikePath = before[5];

    EXPECT_FALSE(manager.GetORB4carPath());
    EXPECT_EQ(PathMembers(manager), before);
}

TEST_F(InstallPathTest, EitherConfigurationFileMakesTheInstallationUsable) {
    const struct {
        bool wizardFile;
        bool commonFile;
        bool usable;
    } cases[] = {{false, false, false}, {true, false, true}, {false, true, true}, {true, true, true}};
    int row = 0;
    for (const auto& c : cases) {
        const std::wstring root = MakeInstallation(L"row" + std::to_wstring(row++), c.wizardFile, c.commonFile);
        SetInstallRoot(kBrandKey, root);
        EXPECT_EQ(manager.GetORB4carPath(), c.usable) << "wizard " << c.wizardFile << ", common " << c.commonFile;
        EXPECT_EQ(PathMembers(manager), PathsFrom(root)) << "wizard " << c.wizardFile << ", common " << c.commonFile;
    }
}

// The test is a search for the exact path: a folder of that name counts.
TEST_F(InstallPathTest, AFolderNamedLikeTheConfigurationFileCounts) {
    const std::wstring root = MakeInstallation(L"folder", false, false);
    testing_support::MakeFolders(root + kCommonFile);
    SetInstallRoot(kBrandKey, root);
    EXPECT_TRUE(manager.GetORB4carPath());
}

TEST_F(InstallPathTest, RootIsTakenAsStoredWithItsTrailingBackslash) {
    const std::wstring root = MakeInstallation(L"slash", false, true) + L"\\";
    SetInstallRoot(kBrandKey, root);
    EXPECT_TRUE(manager.GetORB4carPath());
    EXPECT_EQ(manager.m_strCommonConfig, sandbox / L"slash\\\\common\\CommonConfig.xml");
    EXPECT_EQ(manager.m_strCarPath, sandbox / L"slash\\\\car\\misc\\setuplauncher\\");
    EXPECT_EQ(PathMembers(manager), PathsFrom(root));
}

TEST_F(InstallPathTest, RootOf254CharactersIsReadWhole) {
    const std::wstring root = L"C:\\" + std::wstring(251, L'r');
    SetInstallRoot(kBrandKey, root);
    EXPECT_FALSE(manager.GetORB4carPath());
    EXPECT_EQ(PathMembers(manager), PathsFrom(root));
}

// Creates the configuration files at the root of drive C: and makes C: the
// current drive, so that paths without a root of their own would find them.
class DriveRootFiles {
public:
    DriveRootFiles() {
        m_created = !PathExists(L"C:\\car") && !PathExists(L"C:\\common");
        if (!m_created) return;
        WriteFileBytes(std::wstring(L"C:") + kWizardFile, "<root/>");
        WriteFileBytes(std::wstring(L"C:") + kCommonFile, "<root/>");
        wchar_t directory[MAX_PATH] = {};
        ::GetCurrentDirectoryW(MAX_PATH, directory);
        m_savedDirectory = directory;
        ::SetCurrentDirectoryW(L"C:\\");
    }
    ~DriveRootFiles() {
        if (!m_created) return;
        ::SetCurrentDirectoryW(m_savedDirectory.c_str());
        testing_support::RemoveTreeForce(L"C:\\car");
        testing_support::RemoveTreeForce(L"C:\\common");
    }
    DriveRootFiles(const DriveRootFiles&) = delete;
    DriveRootFiles& operator=(const DriveRootFiles&) = delete;
    bool Created() const { return m_created; }

private:
    bool m_created = false;
    std::wstring m_savedDirectory;
};

// No readable root means no installation, even where the derived paths
// would name files at the root of the current drive.
TEST_F(InstallPathTest, UnreadableRootIsNoInstallation) {
    const DriveRootFiles driveRoot;
    ASSERT_TRUE(driveRoot.Created()) << "C:\\car or C:\\common exists already";
    ASSERT_TRUE(PathExists(kCommonFile));

    const DWORD number = 7;
    const struct {
        const char* name;
        DWORD type;
        std::string bytes;
    } cases[] = {
        {"empty text", REG_SZ, RegistryTextBytes(L"")},
        {"number", REG_DWORD, std::string(reinterpret_cast<const char*>(&number), sizeof(number))},
        {"255 characters", REG_SZ, RegistryTextBytes(std::wstring(255, L'r'))},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(SetRegistryValue(HKEY_LOCAL_MACHINE, kBrandKey, L"", c.type, c.bytes));
        manager.m_strInstallPath = L"C:\\earlier";
        EXPECT_FALSE(manager.GetORB4carPath()) << c.name;
        EXPECT_EQ(PathMembers(manager), PathsFrom(L"")) << c.name;
    }

    // The key without a default value at all.
    ASSERT_TRUE(testing_support::DeleteRegistryValue(HKEY_LOCAL_MACHINE, kBrandKey, L""));
    ASSERT_TRUE(testing_support::RegistryKeyExists(HKEY_LOCAL_MACHINE, kBrandKey));
    EXPECT_FALSE(manager.GetORB4carPath());
    EXPECT_EQ(manager.m_strWizardConfig, kWizardFile);
    EXPECT_EQ(manager.m_strCommonConfig, kCommonFile);
}

}  // namespace
