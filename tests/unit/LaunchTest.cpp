#include <gtest/gtest.h>

#include "TestSupport.h"
#include "app/SetupManager.h"
#include "app/SetupStrings.h"

using testing_support::WriteFileBytes;

namespace {

// brand\cd_cfg.ini beside the test program, which stands in for the launcher.
class LaunchTest : public ::testing::Test {
protected:
    void SetUp() override { testing_support::RemoveTreeForce(BrandFolder()); }
    void TearDown() override { testing_support::RemoveTreeForce(BrandFolder()); }

    static std::wstring BrandFolder() { return setup::LauncherDirectory(1000) + L"\\brand"; }
    static void WriteIni(const std::string& text) { WriteFileBytes(BrandFolder() + L"\\cd_cfg.ini", text); }

    CSetupManager manager;
};

TEST_F(LaunchTest, SetLanguageOptionWritesTheDecimalIdentifier) {
    const struct {
        WORD language;
        const wchar_t* option;
    } cases[] = {{1040, L" /l1040"}, {2057, L" /l2057"}, {3082, L" /l3082"}, {0, L" /l0"}, {65535, L" /l65535"}};
    for (const auto& c : cases) {
        manager.SetLanguageOption(c.language);
        EXPECT_EQ(manager.m_strLanguage, c.option) << "language " << c.language;
    }
}

TEST_F(LaunchTest, ConfirmationFillsProductAndVersionAndKeepsLanguagePlaceholder) {
    WriteIni("[msg]\r\n"
             "1031=Install [ProductName] [DisplayVersion] in [language]? [ProductName]!\r\n"
             "2057=English text\r\n"
             "[Setup]\r\nProductName=Zantor [DisplayVersion]\r\n"
             "[Display]\r\nDisplayVersion=4.2\r\n");
    EXPECT_EQ(manager.GetConfirmationMessage(1031), L"Install Zantor 4.2 4.2 in [language]? Zantor 4.2!");
}

TEST_F(LaunchTest, ConfirmationFallsBackTo2057ForMissingOrEmptyEntries) {
    WriteIni("[MSG]\r\n1040=\r\n2057=Use [ProductName] [language]\r\n");
    EXPECT_EQ(manager.GetConfirmationMessage(1040), L"Use  [language]");
    EXPECT_EQ(manager.GetConfirmationMessage(1043), L"Use  [language]");
}

TEST_F(LaunchTest, ConfirmationIsEmptyWithoutTheFile) { EXPECT_EQ(manager.GetConfirmationMessage(1040), L""); }

TEST_F(LaunchTest, ConfirmationIsCutTo1023Characters) {
    WriteIni("[msg]\r\n2057=" + std::string(1500, 'a') + "\r\n");
    EXPECT_EQ(manager.GetConfirmationMessage(2057), std::wstring(1023, L'a'));
}

}  // namespace
