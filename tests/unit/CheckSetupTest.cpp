#include <gtest/gtest.h>

#include "AllocationFailure.h"
#include "TestSupport.h"
#include "app/Globals.h"
#include "app/SetupStrings.h"
#include "framework/ComPtr.h"

using testing_support::LogLines;
using testing_support::Narrow;
using testing_support::PathExists;
using testing_support::WriteFileBytes;

namespace {

const wchar_t kBrand[] = L"SetupTestBrand";
const std::wstring kBrandKey = L"Software\\SetupTestBrand";
const std::wstring kInstallKey = kBrandKey + L"\\pathInstallORB4";
const std::wstring kKelbrinKey = L"Software\\Kelbrin\\pathInstallORB4";
const std::wstring kRunOnceKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Runonce";

// A run of CheckSetup as the launcher makes it: the brand file beside the
// program (which stands in for the launcher), id_file in the current
// directory (a sandbox), an earlier installation registered under the brand,
// the log open and every message box recorded.
class CheckSetupTest : public ::testing::Test {
protected:
    CheckSetupTest() : medium(L"check-setup-medium"), installation(L"check-setup-installation") {}

    void SetUp() override {
        testing_support::DeleteRegistryTree(HKEY_LOCAL_MACHINE, kBrandKey);
        testing_support::RemoveTreeForce(BrandFolder());
        WriteFileBytes(BrandFolder() + L"\\cd_cfg.ini", "[Registry]\r\nBrand_new=SetupTestBrand\r\n");
        wchar_t current[MAX_PATH] = {};
        ::GetCurrentDirectoryW(MAX_PATH, current);
        savedDirectory = current;
        ASSERT_TRUE(::SetCurrentDirectoryW(medium.Path().c_str()));
    }
    void TearDown() override {
        ::SetCurrentDirectoryW(savedDirectory.c_str());
        testing_support::RemoveTreeForce(BrandFolder());
        testing_support::DeleteRegistryTree(HKEY_LOCAL_MACHINE, kBrandKey);
    }

    static std::wstring BrandFolder() { return setup::LauncherDirectory(1000) + L"\\brand"; }
    std::string BrandLine() const {
        return "Loaded brand SetupTestBrand from " + Narrow(BrandFolder()) + "\\cd_cfg.ini.";
    }
    std::string Root() const { return Narrow(installation.Path()); }

    void WriteIdFile(const std::string& text) { WriteFileBytes(medium / L"id_file", text); }
    void RegisterInstallation() {
        ASSERT_TRUE(testing_support::SetRegistryText(HKEY_LOCAL_MACHINE, kInstallKey, L"", installation.Path()));
    }

    BOOL Run(const std::wstring& commandLine = L"") {
        manager.SetCommandLine(commandLine);
        theLog.OpenLog();
        const BOOL result = manager.CheckSetup();
        theLog.CloseLog();
        return result;
    }

    fw::ComInitializer com;
    testing_support::SandboxFolder medium;
    testing_support::SandboxFolder installation;
    testing_support::MessageBoxRecorder boxes;
    std::wstring savedDirectory;
    CSetupManager manager;
};

struct IdFileCase {
    const char* content;
    const char* code;
    const char* lineName;  // the marker's folder; null: no vehicle line
};

TEST_F(CheckSetupTest, InstallationCodeAndVehicleLineComeFromIdFile) {
    const IdFileCase cases[] = {
        {"version=4\r\n-idp=x60\r\n", "60", "car"},
        {" idp=x70", "70", "car"},
        {" idp=x98", "98", "car"},
        {" idp=x99 rest", "99", "car"},
        {" idp=x61\r\n idp=x72\r\n", "72", "bike"},  // the last code wins
        {" idp=x71\nnothing here\n", "71", "truck"},
        {" idp=x62", "62", "bike"},
        {"idp=x60\r\n", "", nullptr},  // a line may not begin with idp=
        {" idp=60", "0", nullptr},      // one character after idp= is always skipped
        {" idp=x6", "6", nullptr},
        {" idp=", "", nullptr},
        {" IDP=x60", "", nullptr},
        {" idp=x64", "64", ""},
        {"", "", nullptr},
    };
    RegisterInstallation();
    for (const IdFileCase& c : cases) {
        WriteIdFile(c.content);
        EXPECT_TRUE(Run());
        EXPECT_EQ(Narrow(manager.m_strInstallation), c.code) << c.content;
        const std::string lineName = c.lineName ? c.lineName : "";
        const std::vector<std::string> expected = {
            BrandLine(),
            std::string("Installazione :") + c.code,
            "Read " + Root() + " from " + Narrow(kInstallKey),
            "Deleted " + Root() + "\\" + lineName + "\\misc\\setuplauncher\\InternetMode.",
        };
        EXPECT_EQ(LogLines(), expected) << c.content;
    }
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(CheckSetupTest, DeletesTheInternetModeMarkerOfTheLine) {
    const std::wstring marker = installation / L"truck\\misc\\setuplauncher\\InternetMode";
    const std::wstring otherLine = installation / L"car\\misc\\setuplauncher\\InternetMode";
    WriteFileBytes(marker, "on");
    WriteFileBytes(otherLine, "on");
    WriteIdFile(" idp=x61");
    RegisterInstallation();
    EXPECT_TRUE(Run());
    EXPECT_FALSE(PathExists(marker));
    EXPECT_TRUE(PathExists(otherLine));
}

TEST_F(CheckSetupTest, MissingIdFileIsReportedAndTheRunGoesOn) {
    EXPECT_TRUE(Run());
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, L"id_file was not found.");
    EXPECT_EQ(boxes.Boxes()[0].caption, fw::CAppBase::Current()->AppName());
    EXPECT_EQ(boxes.Boxes()[0].type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    EXPECT_EQ(LogLines(), (std::vector<std::string>{BrandLine(), "Installazione :"}));
}

TEST_F(CheckSetupTest, WithoutBrandFileTheDefaultBrandIsUsed) {
    testing_support::RemoveTreeForce(BrandFolder());
    WriteIdFile(" idp=x60");
    EXPECT_TRUE(Run());
    EXPECT_EQ(manager.m_strBrand, L"zantorORB4");
    ASSERT_FALSE(LogLines().empty());
    EXPECT_EQ(LogLines()[0], "Loaded brand zantorORB4 from " + Narrow(BrandFolder()) + "\\cd_cfg.ini.");
}

TEST_F(CheckSetupTest, InstallKeyWithoutTextDeletesNothing) {
    ASSERT_TRUE(testing_support::SetRegistryValue(HKEY_LOCAL_MACHINE, kInstallKey, L"", REG_DWORD,
                                                  std::string("\x01\x00\x00\x00", 4)));
    WriteIdFile(" idp=x60");
    EXPECT_TRUE(Run());
    EXPECT_EQ(LogLines(), (std::vector<std::string>{BrandLine(), "Installazione :60",
                                                    "Read  from " + Narrow(kInstallKey)}));
}

TEST_F(CheckSetupTest, Code96ReadsTheKelbrinKeyAndDeletesNoMarker) {
    testing_support::RegistryValueGuard kelbrin(HKEY_LOCAL_MACHINE, kKelbrinKey, L"");
    ASSERT_TRUE(testing_support::SetRegistryText(HKEY_LOCAL_MACHINE, kKelbrinKey, L"", installation.Path()));
    const std::wstring marker = installation / L"truck\\misc\\setuplauncher\\InternetMode";
    WriteFileBytes(marker, "on");
    WriteIdFile(" idp=x96");
    EXPECT_TRUE(Run());
    EXPECT_EQ(LogLines(), (std::vector<std::string>{BrandLine(), "Installazione :96",
                                                    "Read " + Root() + " from Software\\Kelbrin\\pathInstallORB4"}));
    EXPECT_TRUE(PathExists(marker));
}

TEST_F(CheckSetupTest, MediumWithSlDllStagesTheKnownLine) {
    testing_support::RegistryValueGuard runOnce(HKEY_LOCAL_MACHINE, kRunOnceKey, L"sl_dll");
    testing_support::StagingFolderGuard staging;
    testing_support::MediumFolder slDll;
    WriteFileBytes(testing_support::MediumFolder::Path() + L"\\a.dll", "a");
    WriteIdFile(" idp=x71");
    EXPECT_TRUE(Run());
    EXPECT_TRUE(boxes.Boxes().empty());
    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[3], "Set  -truck runonce and CopyLP.");
    EXPECT_TRUE(PathExists(L"C:\\sl_dll\\a.dll"));
    const testing_support::RegistryValue value =
        testing_support::QueryRegistryValue(HKEY_LOCAL_MACHINE, kRunOnceKey, L"sl_dll");
    EXPECT_TRUE(value.exists);
}

TEST_F(CheckSetupTest, MediumWithSlDllAndUnknownCodeShowsTheNumericBox) {
    testing_support::RegistryValueGuard runOnce(HKEY_LOCAL_MACHINE, kRunOnceKey, L"sl_dll");
    testing_support::DeleteRegistryValue(HKEY_LOCAL_MACHINE, kRunOnceKey, L"sl_dll");
    testing_support::StagingFolderGuard staging;
    testing_support::MediumFolder slDll;
    WriteFileBytes(testing_support::MediumFolder::Path() + L"\\a.dll", "a");
    WriteIdFile(" idp=x64");
    EXPECT_TRUE(Run());
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, L"Numeric value not available");
    EXPECT_FALSE(boxes.Boxes()[0].hasCaption);
    EXPECT_EQ(boxes.Boxes()[0].type, static_cast<UINT>(MB_OK));
    EXPECT_FALSE(PathExists(L"C:\\sl_dll"));
    EXPECT_FALSE(testing_support::QueryRegistryValue(HKEY_LOCAL_MACHINE, kRunOnceKey, L"sl_dll").exists);
}

TEST_F(CheckSetupTest, LineSwitchMovesTheStagedFolderIntoTheLineFolder) {
    testing_support::StagingFolderGuard staging;
    WriteFileBytes(L"C:\\sl_dll\\a.dll", "a");
    ASSERT_TRUE(::SetFileAttributesW(L"C:\\sl_dll\\a.dll", FILE_ATTRIBUTE_READONLY));
    WriteFileBytes(installation / L"common\\CommonConfig.xml", "<root/>");
    RegisterInstallation();
    EXPECT_FALSE(Run(L"  -TRUCK "));
    const std::wstring lineFolder = installation / L"truck\\misc\\setuplauncher\\";
    EXPECT_EQ(LogLines(), (std::vector<std::string>{BrandLine(), "Found -truck parameter.",
                                                    "GetORB4carPath return true", "Found C:\\sl_dll",
                                                    "Copying C:\\sl_dll in " + Narrow(lineFolder) + " ..."}));
    EXPECT_EQ(::GetFileAttributesW((lineFolder + L"\\a.dll").c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_FALSE(PathExists(L"C:\\sl_dll"));
    EXPECT_EQ(manager.m_strInstallation, L"");
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(CheckSetupTest, LineSwitchWithoutInstallationEndsTheRun) {
    const struct {
        const wchar_t* commandLine;
        const char* line;
    } cases[] = {{L"-car", "Found -car parameter."}, {L"-Bike", "Found -bike parameter."}};
    for (const auto& c : cases) {
        EXPECT_FALSE(Run(c.commandLine));
        EXPECT_EQ(LogLines(), (std::vector<std::string>{BrandLine(), c.line})) << c.line;
    }
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(CheckSetupTest, OtherCommandLinesAreInstallationRuns) {
    WriteIdFile(" idp=x60");
    for (const wchar_t* commandLine : {L"-car -bike", L"/car", L"car", L"-cars"}) {
        EXPECT_TRUE(Run(commandLine));
        ASSERT_GE(LogLines().size(), 2u);
        EXPECT_EQ(LogLines()[1], "Installazione :60") << Narrow(commandLine);
    }
}

// A failure inside detection (here: CommonConfig.xml cannot be written back)
// ends it with "Check setup error"; what was done before stays done.
TEST_F(CheckSetupTest, FailureInsideDetectionShowsCheckSetupError) {
    const std::wstring common = installation / L"common\\CommonConfig.xml";
    WriteFileBytes(common, "<root><language ISOname=\"\" code=\"\"/></root>");
    ASSERT_TRUE(::SetFileAttributesW(common.c_str(), FILE_ATTRIBUTE_READONLY));
    WriteFileBytes(installation / L"car\\wizard\\ConfigurationWizard.xml",
                   "<root><language ISOname=\"fr-FR\" code=\"\"/></root>");
    RegisterInstallation();
    WriteIdFile(" idp=x60");
    EXPECT_TRUE(Run());
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, L"Check setup error");
    EXPECT_EQ(boxes.Boxes()[0].type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    EXPECT_EQ(manager.m_strLanguage, L" /l1036");
    const std::vector<std::string> lines = LogLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "GetLangFromCommonConfig return false");
    ::SetFileAttributesW(common.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// However detection fails, a run started with a line switch ends: it never
// goes on to the dialog or the installer.
TEST_F(CheckSetupTest, StagingRunThatFailsStillEndsTheRun) {
    testing_support::StagingFolderGuard staging;
    WriteFileBytes(L"C:\\sl_dll\\a.dll", "a");
    WriteFileBytes(installation / L"common\\CommonConfig.xml", "<root/>");
    RegisterInstallation();
    int failures = 0;
    for (long nth = 1; nth < 400; ++nth) {
        BOOL result;
        bool thrown;
        manager.SetCommandLine(L"-car");
        theLog.OpenLog();
        {
            testing_support::AllocationFailure failure(nth);
            result = manager.CheckSetup();
            thrown = failure.Thrown();
        }
        theLog.CloseLog();
        EXPECT_FALSE(result) << "allocation " << nth;
        if (!thrown) break;
        ++failures;
    }
    EXPECT_GT(failures, 10);
    for (const testing_support::RecordedBox& box : boxes.Boxes()) EXPECT_EQ(box.text, L"Check setup error");
}

TEST_F(CheckSetupTest, LanguageOfTheEarlierInstallationIsSettled) {
    WriteFileBytes(installation / L"car\\wizard\\ConfigurationWizard.xml",
                   "<root><language ISOname=\"NULL\" code=\"\"/></root>");
    RegisterInstallation();
    WriteIdFile(" idp=x60");
    EXPECT_TRUE(Run());
    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[4], "GetORB4carPath return true");
    EXPECT_EQ(lines[5], "GetLangFromCommonConfig return false");
    EXPECT_EQ(lines[6], "GetLangFromWizardConfiguration return 0");
    EXPECT_EQ(manager.m_strLanguage, L"");
}

}  // namespace
