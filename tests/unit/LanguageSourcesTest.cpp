#include <gtest/gtest.h>

#include <algorithm>

#include "TestSupport.h"
#include "app/SetupManager.h"
#include "app/SetupStrings.h"
#include "framework/ComPtr.h"

using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;

namespace {

// A build path of this machine as the Windows program sees it.
std::wstring HostPath(const char* unixPath) {
    std::wstring path = L"Z:" + testing_support::Widen(unixPath);
    for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
    }
    return path;
}

// MSXML may write LF where the file had CR LF; nothing else may change.
std::string WithoutCarriageReturns(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

std::string LanguageDocument(const std::string& isoName, const std::string& code) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<root>\r\n\t<!-- kept -->\r\n\t<language ISOname=\"" +
           isoName + "\" code=\"" + code + "\"/>\r\n\t<other a=\"1\"/>\r\n</root>\r\n";
}

// An earlier installation's two configuration files in a sandbox.
class LanguageSourcesTest : public ::testing::Test {
protected:
    LanguageSourcesTest() : root(L"language-sources") {
        manager.m_strCommonConfig = root / L"common\\CommonConfig.xml";
        manager.m_strWizardConfig = root / L"car\\wizard\\ConfigurationWizard.xml";
    }
    void WriteCommon(const std::string& text) { WriteFileBytes(manager.m_strCommonConfig, text); }
    void WriteWizard(const std::string& text) { WriteFileBytes(manager.m_strWizardConfig, text); }

    fw::ComInitializer com;
    testing_support::SandboxFolder root;
    CSetupManager manager;
};

struct ConfigCase {
    const char* isoName;  // UTF-8
    const char* code;
    bool found;
    const wchar_t* language;
};

TEST_F(LanguageSourcesTest, CommonConfigNameWinsOverCodeAndOnlyPlainNumbersCount) {
    const ConfigCase cases[] = {
        {"de-DE", "", true, L" /l1031"},
        {"\xc2\xa7|VT_NULL|\xc2\xa7", "1036", true, L" /l1036"},
        {"xx-XX", "1040", true, L""},  // a name outside the table: answered, nothing stored
        {"NULL", "", true, L""},       // an ordinary name in this file
        {"", "", false, L""},
        {"", "1040", true, L" /l1040"},
        {"", "14337", true, L" /l14337"},
        {"", "abc", false, L""},
        {"", "1040 /x", false, L""},
        {"", "123456", false, L""},
        {"", " 1040", false, L""},
    };
    for (const ConfigCase& c : cases) {
        WriteCommon(LanguageDocument(c.isoName, c.code));
        manager.m_strLanguage.clear();
        EXPECT_EQ(manager.GetLangFromCommonConfig(), c.found) << c.isoName << " / " << c.code;
        EXPECT_EQ(manager.m_strLanguage, c.language) << c.isoName << " / " << c.code;
    }
}

TEST_F(LanguageSourcesTest, CommonConfigWithoutFileOrElementIsNoAnswer) {
    EXPECT_FALSE(manager.GetLangFromCommonConfig());
    WriteCommon("<root><settings/></root>");
    EXPECT_FALSE(manager.GetLangFromCommonConfig());
    EXPECT_EQ(manager.m_strLanguage, L"");
}

TEST_F(LanguageSourcesTest, SourcesNeverClearAnEarlierLanguage) {
    manager.m_strLanguage = L" /l1036";
    WriteCommon(LanguageDocument("", ""));
    EXPECT_FALSE(manager.GetLangFromCommonConfig());
    EXPECT_EQ(manager.m_strLanguage, L" /l1036");
}

struct WizardCase {
    const char* isoName;
    const char* code;
    bool found;
    const wchar_t* language;
    const char* commonAfter;  // CommonConfig.xml's language attributes afterwards
};

TEST_F(LanguageSourcesTest, WizardLanguageIsStoredAndCopiedIntoCommonConfig) {
    const WizardCase cases[] = {
        {"it-IT", "", true, L" /l1040", "it-IT|"},
        {"null", "1040", true, L" /l1040", "|1040"},
        {"\xc2\xa7|VT_NULL|\xc2\xa7", "1031", true, L" /l1031", "|1031"},
        {"xNuLlx", "", false, L"", "|"},
        {"", "", true, L"", "|"},          // the name branch: an empty name is copied
        {"en-US", "1040", true, L"", "en-US|"},
        {"NULL", "1040 /x", false, L"", "|"},
        {"NULL", "abc", false, L"", "|"},
    };
    for (const WizardCase& c : cases) {
        WriteCommon(LanguageDocument("", ""));
        WriteWizard(LanguageDocument(c.isoName, c.code));
        manager.m_strLanguage.clear();
        EXPECT_EQ(manager.GetLangFromWizardConfiguration(), c.found) << c.isoName << " / " << c.code;
        EXPECT_EQ(manager.m_strLanguage, c.language) << c.isoName << " / " << c.code;

        const std::string after = c.commonAfter;
        const size_t bar = after.find('|');
        EXPECT_EQ(WithoutCarriageReturns(ReadFileBytes(manager.m_strCommonConfig)),
                  WithoutCarriageReturns(LanguageDocument(after.substr(0, bar), after.substr(bar + 1))))
            << c.isoName << " / " << c.code;
    }
}

TEST_F(LanguageSourcesTest, WizardLanguageWithoutCommonConfigWritesNothing) {
    WriteWizard(LanguageDocument("it-IT", ""));
    EXPECT_TRUE(manager.GetLangFromWizardConfiguration());
    EXPECT_EQ(manager.m_strLanguage, L" /l1040");
    EXPECT_FALSE(testing_support::PathExists(manager.m_strCommonConfig));
}

TEST_F(LanguageSourcesTest, CommonConfigWithoutLanguageElementGetsNothingNew) {
    const std::string common = "<?xml version=\"1.0\"?>\r\n<root>\r\n\t<units metric=\"yes\"/>\r\n</root>\r\n";
    WriteCommon(common);
    WriteWizard(LanguageDocument("de-DE", ""));
    EXPECT_TRUE(manager.GetLangFromWizardConfiguration());
    EXPECT_EQ(manager.m_strLanguage, L" /l1031");
    EXPECT_EQ(ReadFileBytes(manager.m_strCommonConfig), common);
}

TEST_F(LanguageSourcesTest, MissingWizardFileIsNoAnswer) {
    WriteCommon(LanguageDocument("", ""));
    EXPECT_FALSE(manager.GetLangFromWizardConfiguration());
    EXPECT_EQ(ReadFileBytes(manager.m_strCommonConfig), LanguageDocument("", ""));
}

// The brand library is loaded by its bare name; beside the test program is
// where the system's search finds it first.
class LanguageSourcesBrandTest : public ::testing::Test {
protected:
    void SetUp() override { ::DeleteFileW(LibraryPath().c_str()); }
    void TearDown() override {
        ::DeleteFileW(LibraryPath().c_str());
        ::SetEnvironmentVariableW(L"BRANDYU_CULTURE", nullptr);
    }
    static std::wstring LibraryPath() { return setup::LauncherDirectory(1000) + L"\\brandyu.dll"; }
    static void Install(const char* double_) {
        ASSERT_TRUE(::CopyFileW(HostPath(double_).c_str(), LibraryPath().c_str(), FALSE)) << double_;
    }
    CSetupManager manager;
};

TEST_F(LanguageSourcesBrandTest, AnswersOnlyWhenGetLangAnswers) {
    const struct {
        const char* library;
        const wchar_t* culture;
        bool found;
        const wchar_t* language;
    } cases[] = {
        {BRANDYU_CULTURE_DLL, L"it-IT", true, L" /l1040"},
        {BRANDYU_CULTURE_DLL, L"en-US", true, L""},
        {BRANDYU_UNTERMINATED_DLL, nullptr, true, L""},
        {BRANDYU_FALSE_DLL, nullptr, false, L""},
        {BRANDYU_NO_EXPORT_DLL, nullptr, false, L""},
    };
    for (const auto& c : cases) {
        Install(c.library);
        ::SetEnvironmentVariableW(L"BRANDYU_CULTURE", c.culture);
        manager.m_strLanguage.clear();
        EXPECT_EQ(manager.GetLangFromBrandLibrary(), c.found) << c.library;
        EXPECT_EQ(manager.m_strLanguage, c.language) << c.library;
        // Unloaded again: the file can be replaced for the next case.
        EXPECT_TRUE(::DeleteFileW(LibraryPath().c_str())) << c.library;
    }
}

TEST_F(LanguageSourcesBrandTest, NoLibraryIsNoAnswer) {
    EXPECT_FALSE(manager.GetLangFromBrandLibrary());
    EXPECT_EQ(manager.m_strLanguage, L"");
}

}  // namespace
