// The launcher's detection step, end to end: the real Setup.exe on a medium in
// drive E: finds an earlier installation through the registry, settles its
// language without asking, stages the medium's sl_dll folder across two
// starts through RunOnce, and reports a medium it cannot place.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "LauncherSandbox.h"
#include "TestSupport.h"
#include "framework/Handles.h"
#include "uiauto.h"

using testing_support::Narrow;
using testing_support::PathExists;
using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;

namespace {

constexpr char kBrandLine[] = "Loaded brand E2eBrand from E:\\brand\\cd_cfg.ini.";
constexpr char kStartingDialogLine[] = "Starting languages dialog.";
constexpr char kFoundInstallationLine[] = "GetORB4carPath return true";
constexpr char kLangs[] = "1040\r\n1031\r\n2057\r\n1034\r\n1036\r\n";

// The brand of the medium's brand\cd_cfg.ini and the key of its installations.
const std::wstring kBrandKey = L"Software\\E2eBrand";
const std::wstring kInstallKey = kBrandKey + L"\\PathInstallORB4";
// The key read by the launcher is spelt differently; the registry ignores case.
constexpr char kInstallKeyAsLogged[] = "Software\\E2eBrand\\pathInstallORB4";
const std::wstring kRunOnceKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Runonce";
constexpr wchar_t kRunOnceValue[] = L"sl_dll";
constexpr wchar_t kStagingFolder[] = L"C:\\sl_dll";

std::string IdFileWithCode(const std::string& code) { return " idp=x" + code + "\r\n"; }

std::string LanguageDocument(const std::string& isoName, const std::string& code) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<root>\r\n\t<language ISOname=\"" + isoName +
           "\" code=\"" + code + "\"/>\r\n</root>\r\n";
}

std::string WithoutCarriageReturns(std::string text) {
    std::string result;
    for (char c : text) {
        if (c != '\r') result.push_back(c);
    }
    return result;
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += "  " + line + "\n";
    return text;
}

// The text of registry string data, up to its first NUL.
std::wstring TextOf(const std::string& bytes) {
    std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
    if (!text.empty()) ::CopyMemory(&text[0], bytes.data(), text.size() * sizeof(wchar_t));
    return text.substr(0, text.find(L'\0'));
}

DWORD AttributesOf(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()); }

// The files below a folder by their path relative to it, with their bytes.
using FileTree = std::map<std::wstring, std::string>;

void CollectFiles(const std::wstring& root, const std::wstring& relative, FileTree& files) {
    const std::wstring folder = relative.empty() ? root : root + L"\\" + relative;
    std::vector<std::pair<std::wstring, bool>> entries;
    WIN32_FIND_DATAW data;
    fw::UniqueFindHandle find(::FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (!find) return;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") {
            entries.emplace_back(name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
        }
    } while (::FindNextFileW(find.Get(), &data));
    for (const auto& entry : entries) {
        const std::wstring path = relative.empty() ? entry.first : relative + L"\\" + entry.first;
        if (entry.second) {
            CollectFiles(root, path, files);
        } else {
            files[path] = ReadFileBytes(root + L"\\" + path);
        }
    }
}

FileTree FilesBelow(const std::wstring& root) {
    FileTree files;
    CollectFiles(root, L"", files);
    return files;
}

// A folder of the machine that a test needs to own, such as C:\common: one
// that is there already is put aside for the test and back afterwards;
// whatever the test leaves there is removed.
class FolderAside {
public:
    explicit FolderAside(std::wstring path) : m_path(std::move(path)), m_saved(m_path + L".saved-by-e2e-tests") {
        if (PathExists(m_path)) {
            testing_support::RemoveTreeForce(m_saved);
            m_isSaved = ::MoveFileW(m_path.c_str(), m_saved.c_str()) != FALSE;
        }
    }
    ~FolderAside() {
        testing_support::RemoveTreeForce(m_path);
        if (m_isSaved) ::MoveFileW(m_saved.c_str(), m_path.c_str());
    }
    FolderAside(const FolderAside&) = delete;
    FolderAside& operator=(const FolderAside&) = delete;

private:
    std::wstring m_path;
    std::wstring m_saved;
    bool m_isSaved = false;
};

// Owns everything a detection run touches: drive E:, c:\setup.log, the
// earlier installation's folder and its registry key, C:\sl_dll and the
// RunOnce value "sl_dll", all as before the test when it ends.
class DetectionTest : public ::testing::Test {
protected:
    DetectionTest()
        : m_installation(L"e2e-detection-installation"),
          m_runOnce(HKEY_LOCAL_MACHINE, kRunOnceKey, kRunOnceValue) {}

    void SetUp() override {
        ASSERT_TRUE(e2e::MediumDriveMapped()) << "drive E: is not mapped; run the tests inside scripts/wine-env";
        e2e::WipeMediumAndLog();
        testing_support::DeleteRegistryTree(HKEY_LOCAL_MACHINE, kBrandKey);
        testing_support::DeleteRegistryValue(HKEY_LOCAL_MACHINE, kRunOnceKey, kRunOnceValue);
        ASSERT_TRUE(m_staging.Clear()) << "C:\\sl_dll could not be put aside";
        // The brand library double answers its default culture.
        ::SetEnvironmentVariableW(L"BRANDYU_CULTURE", nullptr);
    }

    void TearDown() override {
        m_launcher.reset();
        e2e::WipeMediumAndLog();
        testing_support::DeleteRegistryTree(HKEY_LOCAL_MACHINE, kBrandKey);
    }

    // --- The earlier installation ---

    const std::wstring& Root() const { return m_installation.Path(); }
    std::string RootText() const { return Narrow(Root()); }
    std::wstring CommonConfig() const { return m_installation / L"common\\CommonConfig.xml"; }
    std::wstring WizardConfig() const { return m_installation / L"car\\wizard\\ConfigurationWizard.xml"; }
    std::wstring LineFolder(const std::wstring& line) const {
        return m_installation / (line + L"\\misc\\setuplauncher");
    }

    void RegisterInstallation() {
        ASSERT_TRUE(testing_support::SetRegistryText(HKEY_LOCAL_MACHINE, kInstallKey, L"", Root()));
    }

    // The log lines of an installation run with code 60 up to the language,
    // for an earlier installation registered under the brand.
    std::vector<std::string> LinesUpToTheInstallation() const {
        return {kBrandLine, "Installazione :60", "Read " + RootText() + " from " + kInstallKeyAsLogged,
                "Deleted " + RootText() + "\\car\\misc\\setuplauncher\\InternetMode.", kFoundInstallationLine};
    }

    // --- The launcher ---

    void Start(const e2e::MediumLayout& layout, const std::string& locale = "it_IT") {
        e2e::LayOutMedium(layout);
        const std::wstring program = layout.launcherDirectory + L"\\Setup.exe";
        ASSERT_TRUE(PathExists(program)) << "the medium was not laid out";
        m_launcher =
            std::make_unique<e2e::LauncherProcess>(program, L"", layout.StartDirectory() + L"\\", locale);
        ASSERT_TRUE(m_launcher->Started()) << "could not start " << Narrow(program);
    }

    void StartFromRoot() {
        e2e::MediumLayout layout;
        layout.langs = kLangs;
        Start(layout);
    }

    // Starts a command line as Windows starts a RunOnce entry, in the system folder.
    void StartExactly(const std::wstring& commandLine) {
        wchar_t system[MAX_PATH] = {};
        ::GetSystemDirectoryW(system, MAX_PATH);
        m_launcher = std::make_unique<e2e::LauncherProcess>(e2e::LauncherProcess::ExactCommandLine{commandLine},
                                                            std::wstring(system) + L"\\");
        ASSERT_TRUE(m_launcher->Started()) << "could not start " << Narrow(commandLine);
    }

    bool Running() const { return m_launcher && m_launcher->Started(); }
    HWND WaitForDialog() const { return Running() ? uiauto::WaitForLanguageDialog(m_launcher->Id()) : nullptr; }
    HWND WaitForBox() const { return Running() ? uiauto::WaitForMessageBox(m_launcher->Id()) : nullptr; }

    std::string WhatItShows() const {
        if (!Running()) return "nothing: it did not start";
        const HWND box = uiauto::FindMessageBox(m_launcher->Id());
        const auto state = box ? uiauto::ReadMessageBox(box) : std::nullopt;
        if (state) return "a message box \"" + Narrow(state->caption) + "\": \"" + Narrow(state->text) + "\"";
        return uiauto::FindLanguageDialog(m_launcher->Id()) ? "the language dialog" : "no window";
    }

    void ExpectLauncherEnds() const {
        EXPECT_TRUE(m_launcher->WaitForEnd()) << "the launcher did not end; it shows " << WhatItShows();
    }

    // The dialog shows; it is cancelled and the launcher ends.
    void ExpectDialogThenCancel() {
        const HWND dialog = WaitForDialog();
        ASSERT_NE(dialog, nullptr) << "no language dialog; the launcher shows " << WhatItShows();
        ASSERT_TRUE(uiauto::ClickButton(dialog, uiauto::kCancelButtonId));
        ExpectLauncherEnds();
    }

    // The launcher ends by itself without a window and without starting anything.
    void ExpectEndsWithoutWindowOrInstaller(const std::wstring& launcherDirectory = e2e::kMediumRoot) const {
        ASSERT_TRUE(m_launcher->WaitForEnd()) << "the launcher did not end; it shows " << WhatItShows();
        for (const auto& child : m_launcher->Children()) ADD_FAILURE() << "started " << Narrow(child.image);
        EXPECT_FALSE(e2e::InstallerRecordExists(launcherDirectory)) << "an installer ran";
        EXPECT_FALSE(e2e::InstallerRecordExists(e2e::kMediumRoot)) << "a program in E:\\ ran";
    }

    // The installer beside the launcher in E:\ ran with the language option.
    void ExpectInstallerGot(const std::wstring& option) const {
        const auto record = e2e::WaitForInstallerRecord(e2e::kMediumRoot);
        ASSERT_TRUE(record) << "the installer did not run; the launcher shows " << WhatItShows();
        EXPECT_EQ(Narrow(record->commandLine), Narrow(L"E:\\data1.exe" + option));
    }

    void ExpectLog(const std::vector<std::string>& expected) const {
        const e2e::SetupLog log = e2e::ReadSetupLog();
        EXPECT_EQ(log.lines, expected) << "log:\n" << log.Text() << "expected:\n" << Lines(expected);
        EXPECT_TRUE(log.everyLineEndsWithCrLf) << log.Text();
    }

    testing_support::SandboxFolder m_installation;
    testing_support::RegistryValueGuard m_runOnce;
    testing_support::StagingFolderGuard m_staging;
    std::unique_ptr<e2e::LauncherProcess> m_launcher;
};

// --- The language of an earlier installation ----------------------------------

struct CommonConfigCase {
    const char* name;
    const char* isoName;
    const char* code;
    const wchar_t* option;  // what the installer gets; null: the dialog asks
};
void PrintTo(const CommonConfigCase& c, std::ostream* os) { *os << c.name; }

const CommonConfigCase kCommonConfigCases[] = {
    {"GermanName", "de-DE", "", L" /l1031"},
    {"NameBeforeCode", "de-DE", "1040", L" /l1031"},
    {"AbsentNameGivesTheCode", "\xc2\xa7|VT_NULL|\xc2\xa7", "1036", L" /l1036"},
    {"PlainCode", "", "1040", L" /l1040"},
    // Only a plain number is a language: anything else would reach the
    // installer's command line as options of its own.
    {"CodeWithAnOptionIsNoLanguage", "", "1040 /x", nullptr},
    {"CodeWithAQuoteIsNoLanguage", "", "1040&quot; /x", nullptr},
};

class DetectionCommonConfig : public DetectionTest, public ::testing::WithParamInterface<CommonConfigCase> {};

TEST_P(DetectionCommonConfig, SettlesTheLanguageWithoutTheDialog) {
    const CommonConfigCase& c = GetParam();
    RegisterInstallation();
    WriteFileBytes(CommonConfig(), LanguageDocument(c.isoName, c.code));
    const std::wstring marker = LineFolder(L"car") + L"\\InternetMode";
    WriteFileBytes(marker, "online");
    StartFromRoot();

    std::vector<std::string> expected = LinesUpToTheInstallation();
    if (c.option) {
        ExpectLauncherEnds();
        ExpectInstallerGot(c.option);
        expected.push_back("Running E:\\data1.exe" + Narrow(c.option) + " in  E:");
    } else {
        ExpectDialogThenCancel();
        EXPECT_FALSE(e2e::InstallerRecordExists(e2e::kMediumRoot));
        expected.insert(expected.end(), {"GetLangFromCommonConfig return false",
                                         "GetLangFromWizardConfiguration return 0", kStartingDialogLine});
    }
    ExpectLog(expected);
    EXPECT_FALSE(PathExists(marker)) << "the InternetMode marker is still there";
    EXPECT_EQ(ReadFileBytes(CommonConfig()), LanguageDocument(c.isoName, c.code)) << "CommonConfig.xml changed";
}

INSTANTIATE_TEST_SUITE_P(Cases, DetectionCommonConfig, ::testing::ValuesIn(kCommonConfigCases),
                         [](const auto& info) { return std::string(info.param.name); });

class DetectionWizardConfiguration : public DetectionTest {};

// An ISO-8859-1 CommonConfig.xml with an empty language and everything else a
// configuration may hold, in the form MSXML writes it back.
const char kRichCommonConfig[] =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
    "<!-- Gemeinsame Konfiguration f\xfcr \"Ger\xe4te\" -->\r\n"
    "<root version=\"2\">\r\n"
    "\t<!-- Sprache der Installation -->\r\n"
    "\t<language ISOname=\"\" code=\"\" source=\"wizard\"/>\r\n"
    "  <name lang=\"fr\">Caf\xe9 cr\xe8me &amp; co, \xa7 4 &lt;b/&gt;</name>\r\n"
    "\t<paths>\r\n"
    "\t\t<path id=\"1\" value=\"C:\\Program Files\\Zantor\"/>\r\n"
    "\t  <path id=\"2\" value=\"\"/>\r\n"
    "\t</paths>\r\n"
    "</root>\r\n";

TEST_F(DetectionWizardConfiguration, LanguageIsCopiedIntoCommonConfigWhichKeepsEverythingElse) {
    RegisterInstallation();
    WriteFileBytes(CommonConfig(), kRichCommonConfig);
    WriteFileBytes(WizardConfig(), LanguageDocument("fr-FR", ""));
    const std::string wizardBefore = ReadFileBytes(WizardConfig());
    StartFromRoot();
    ExpectLauncherEnds();
    ExpectInstallerGot(L" /l1036");
    std::vector<std::string> expected = LinesUpToTheInstallation();
    expected.insert(expected.end(), {"GetLangFromCommonConfig return false", "GetLangFromWizardConfiguration return 1",
                                     "Running E:\\data1.exe /l1036 in  E:"});
    ExpectLog(expected);

    std::string expectedCommon = WithoutCarriageReturns(kRichCommonConfig);
    const std::string empty = "ISOname=\"\"";
    expectedCommon.replace(expectedCommon.find(empty), empty.size(), "ISOname=\"fr-FR\"");
    EXPECT_EQ(WithoutCarriageReturns(ReadFileBytes(CommonConfig())), expectedCommon);
    EXPECT_EQ(ReadFileBytes(WizardConfig()), wizardBefore) << "the wizard file changed";

    // The next run takes the language from CommonConfig.xml alone.
    m_launcher.reset();
    ::DeleteFileW(L"E:\\installer-received.txt");
    ::DeleteFileW(WizardConfig().c_str());
    StartFromRoot();
    ExpectLauncherEnds();
    ExpectInstallerGot(L" /l1036");
    expected = LinesUpToTheInstallation();
    expected.push_back("Running E:\\data1.exe /l1036 in  E:");
    ExpectLog(expected);
}

// --- The brand library ---------------------------------------------------------

struct BrandLibraryCase {
    const char* name;
    const wchar_t* library;    // where brandyu.dll lies
    const wchar_t* startedIn;  // the launcher's current directory (it reads id_file there)
    const wchar_t* option;
};
void PrintTo(const BrandLibraryCase& c, std::ostream* os) { *os << c.name; }

// The earlier installation names de-DE (1031); the library answers it-IT (1040).
const BrandLibraryCase kBrandLibraryCases[] = {
    {"BesideTheLauncherWins", L"E:\\brandyu.dll", e2e::kMediumRoot, L" /l1040"},
    // A library in whatever folder the user started from is never loaded.
    {"InTheCurrentDirectoryIsIgnored", L"E:\\work\\brandyu.dll", L"E:\\work", L" /l1031"},
};

class DetectionBrandLibrary : public DetectionTest, public ::testing::WithParamInterface<BrandLibraryCase> {};

TEST_P(DetectionBrandLibrary, OnlyTheLibraryBesideTheLauncherIsAsked) {
    const BrandLibraryCase& c = GetParam();
    RegisterInstallation();
    WriteFileBytes(CommonConfig(), LanguageDocument("de-DE", ""));
    testing_support::MakeFolders(c.startedIn);
    ASSERT_TRUE(::CopyFileW(e2e::BuiltCultureBrandLibraryPath().c_str(), c.library, FALSE));
    e2e::MediumLayout layout;
    layout.langs = kLangs;
    layout.currentDirectory = c.startedIn;
    Start(layout);
    ExpectLauncherEnds();
    ExpectInstallerGot(c.option);
    std::vector<std::string> expected = LinesUpToTheInstallation();
    expected.push_back("Running E:\\data1.exe" + Narrow(c.option) + " in  E:");
    ExpectLog(expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, DetectionBrandLibrary, ::testing::ValuesIn(kBrandLibraryCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- An install key without a root ----------------------------------------------

enum class RootValue { EmptyText, Missing, Number };
struct KeyWithoutRootCase {
    const char* name;
    RootValue value;
};
void PrintTo(const KeyWithoutRootCase& c, std::ostream* os) { *os << c.name; }

const KeyWithoutRootCase kKeyWithoutRootCases[] = {
    {"EmptyText", RootValue::EmptyText}, {"NoDefaultValue", RootValue::Missing}, {"NumberValue", RootValue::Number}};

class DetectionKeyWithoutRoot : public DetectionTest, public ::testing::WithParamInterface<KeyWithoutRootCase> {
protected:
    DetectionKeyWithoutRoot()
        : m_common(L"C:\\common"), m_car(L"C:\\car"), m_startFolder(L"e2e-detection-start") {}

    void WriteRootValue(RootValue value) {
        switch (value) {
        case RootValue::EmptyText:
            ASSERT_TRUE(testing_support::SetRegistryText(HKEY_LOCAL_MACHINE, kInstallKey, L"", L""));
            break;
        case RootValue::Missing:
            ASSERT_TRUE(testing_support::SetRegistryText(HKEY_LOCAL_MACHINE, kInstallKey, L"Version", L"4"));
            break;
        case RootValue::Number:
            ASSERT_TRUE(testing_support::SetRegistryValue(HKEY_LOCAL_MACHINE, kInstallKey, L"", REG_DWORD,
                                                          std::string("\x01\x00\x00\x00", 4)));
            break;
        }
    }

    FolderAside m_common;
    FolderAside m_car;
    testing_support::SandboxFolder m_startFolder;
};

// Without a root the derived paths would name the current drive's root,
// where configuration files of no installation of ours may lie.
TEST_P(DetectionKeyWithoutRoot, TheCurrentDrivesRootIsNoInstallation) {
    WriteRootValue(GetParam().value);
    const std::string common = LanguageDocument("", "");
    WriteFileBytes(L"C:\\common\\CommonConfig.xml", common);
    WriteFileBytes(L"C:\\car\\wizard\\ConfigurationWizard.xml", LanguageDocument("fr-FR", ""));
    e2e::MediumLayout layout;
    layout.langs = kLangs;
    layout.currentDirectory = m_startFolder.Path();
    Start(layout);
    ExpectDialogThenCancel();

    EXPECT_FALSE(e2e::InstallerRecordExists(e2e::kMediumRoot));
    const e2e::SetupLog log = e2e::ReadSetupLog();
    EXPECT_FALSE(log.Contains(kFoundInstallationLine)) << log.Text();
    EXPECT_FALSE(log.HasLineStartingWith("GetLang")) << log.Text();
    EXPECT_EQ(log.LastLine(), kStartingDialogLine) << log.Text();
    EXPECT_EQ(ReadFileBytes(L"C:\\common\\CommonConfig.xml"), common) << "C:\\common\\CommonConfig.xml was written";
}

INSTANTIATE_TEST_SUITE_P(Cases, DetectionKeyWithoutRoot, ::testing::ValuesIn(kKeyWithoutRootCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Staging sl_dll across two starts ---------------------------------------------

struct StagingCase {
    const char* name;
    const wchar_t* launcherDirectory;
    const char* code;
    const wchar_t* line;
    const wchar_t* runOnce;  // the command Windows runs at the next logon
};
void PrintTo(const StagingCase& c, std::ostream* os) { *os << c.name; }

const StagingCase kStagingCases[] = {
    {"CarFromTheMediumRoot", L"E:", "60", L"car", L"E:\\Setup.exe -car"},
    // Unquoted, the command would run E:\MY.exe, which the medium holds.
    {"TruckFromAFolderWithABlank", L"E:\\MY SETUP", "61", L"truck", L"\"E:\\MY SETUP\\Setup.exe\" -truck"},
};

class DetectionStaging : public DetectionTest, public ::testing::WithParamInterface<StagingCase> {
protected:
    // The medium's sl_dll: a read-only file, another file and a subfolder.
    static FileTree MediumFiles() {
        return {{L"brand.dll", "library"},
                {L"readme.txt", "read only"},
                {L"sub\\data.bin", std::string("\0\x01\x02", 3)}};
    }
    static void LayOutSlDll(const std::wstring& launcherDirectory) {
        const std::wstring folder = launcherDirectory + L"\\sl_dll";
        for (const auto& file : MediumFiles()) WriteFileBytes(folder + L"\\" + file.first, file.second);
        ::SetFileAttributesW((folder + L"\\readme.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    }
};

TEST_P(DetectionStaging, TwoStartsMoveTheMediumFolderIntoTheLineFolder) {
    const StagingCase& c = GetParam();
    const std::string directory = Narrow(c.launcherDirectory);
    e2e::CopyInstallerDouble(L"E:\\MY.exe");
    LayOutSlDll(c.launcherDirectory);
    e2e::MediumLayout layout;
    layout.launcherDirectory = c.launcherDirectory;
    layout.langs = kLangs;
    layout.idFile = IdFileWithCode(c.code);

    // First start: no earlier installation yet; the user leaves the dialog.
    Start(layout);
    ExpectDialogThenCancel();
    const testing_support::RegistryValue runOnce =
        testing_support::QueryRegistryValue(HKEY_LOCAL_MACHINE, kRunOnceKey, kRunOnceValue);
    ASSERT_TRUE(runOnce.exists) << "no RunOnce value";
    EXPECT_EQ(runOnce.type, static_cast<DWORD>(REG_SZ));
    const std::wstring command = TextOf(runOnce.bytes);
    EXPECT_EQ(Narrow(command), Narrow(c.runOnce));
    EXPECT_EQ(runOnce.bytes, testing_support::RegistryTextBytes(c.runOnce)) << "not stored with one terminator";
    EXPECT_EQ(FilesBelow(kStagingFolder), MediumFiles());
    ExpectLog({"Loaded brand E2eBrand from " + directory + "\\brand\\cd_cfg.ini.",
               std::string("Installazione :") + c.code,
               "Copying " + directory + "\\sl_dll in C:\\sl_dll ...",
               "Copying " + directory + "\\sl_dll\\sub in C:\\sl_dll\\sub ...",
               "Set  -" + Narrow(c.line) + " runonce and CopyLP.", kStartingDialogLine});

    // The installer has registered the installation; Windows runs the
    // RunOnce command at the next logon.
    m_launcher.reset();
    ::DeleteFileW(L"c:\\setup.log");
    RegisterInstallation();
    WriteFileBytes(CommonConfig(), LanguageDocument("de-DE", ""));
    StartExactly(command);
    ExpectEndsWithoutWindowOrInstaller(c.launcherDirectory);

    const std::wstring target = LineFolder(c.line) + L"\\";
    ExpectLog({"Loaded brand E2eBrand from " + directory + "\\brand\\cd_cfg.ini.",
               "Found -" + Narrow(c.line) + " parameter.", kFoundInstallationLine, "Found C:\\sl_dll",
               "Copying C:\\sl_dll in " + Narrow(target) + " ...",
               "Copying C:\\sl_dll\\sub in " + Narrow(target) + "\\sub ..."});
    EXPECT_EQ(FilesBelow(LineFolder(c.line)), MediumFiles());
    for (const auto& file : MediumFiles()) {
        EXPECT_EQ(AttributesOf(LineFolder(c.line) + L"\\" + file.first), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE))
            << Narrow(file.first);
    }
    EXPECT_FALSE(PathExists(kStagingFolder)) << "C:\\sl_dll is still there";
}

INSTANTIATE_TEST_SUITE_P(Cases, DetectionStaging, ::testing::ValuesIn(kStagingCases),
                         [](const auto& info) { return std::string(info.param.name); });

class DetectionLineSwitch : public DetectionTest {};

TEST_F(DetectionLineSwitch, TruckSwitchInCapitalsAndBlanksEndsTheRunWithNothingStaged) {
    e2e::MediumLayout layout;
    layout.langs = kLangs;
    e2e::LayOutMedium(layout);
    StartExactly(L"\"E:\\Setup.exe\"   -TRUCK  ");
    ExpectEndsWithoutWindowOrInstaller();
    ExpectLog({kBrandLine, "Found -truck parameter."});
}

// --- A medium the launcher cannot place ------------------------------------------

struct UnplacedMediumCase {
    const char* name;
    std::optional<std::string> idFile;
    bool withSlDll;
    const wchar_t* text;
    const wchar_t* caption;
    uiauto::IconKind icon;
    const char* codeLine;
};
void PrintTo(const UnplacedMediumCase& c, std::ostream* os) { *os << c.name; }

const UnplacedMediumCase kUnplacedMediumCases[] = {
    {"MissingIdFile", std::nullopt, false, L"id_file was not found.", L"Setup", uiauto::IconKind::Warning,
     "Installazione :"},
    // The box has no title of its own: the system shows its default one.
    {"CodeOfNoLineWithSlDll", IdFileWithCode("64"), true, L"Numeric value not available", L"Error",
     uiauto::IconKind::None, "Installazione :64"},
};

class DetectionUnplacedMedium : public DetectionTest, public ::testing::WithParamInterface<UnplacedMediumCase> {};

TEST_P(DetectionUnplacedMedium, IsReportedStagesNothingAndTheDialogFollows) {
    const UnplacedMediumCase& c = GetParam();
    if (c.withSlDll) WriteFileBytes(L"E:\\sl_dll\\brand.dll", "library");
    e2e::MediumLayout layout;
    layout.langs = kLangs;
    layout.idFile = c.idFile;
    // The system's default title is a translated text: the English one here.
    Start(layout, "en_US");

    const HWND box = WaitForBox();
    ASSERT_NE(box, nullptr) << "no message box; the launcher shows " << WhatItShows();
    const auto state = uiauto::ReadMessageBox(box);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->text, c.text);
    EXPECT_EQ(state->caption, c.caption);
    EXPECT_EQ(state->ButtonIds(), std::vector<int>{IDOK});
    EXPECT_EQ(state->icon, c.icon) << Narrow(uiauto::IconKindName(state->icon));
    ASSERT_TRUE(uiauto::ClickButton(box, IDOK));
    ExpectDialogThenCancel();

    ExpectLog({kBrandLine, c.codeLine, kStartingDialogLine});
    EXPECT_FALSE(testing_support::QueryRegistryValue(HKEY_LOCAL_MACHINE, kRunOnceKey, kRunOnceValue).exists);
    EXPECT_FALSE(PathExists(kStagingFolder)) << "C:\\sl_dll was filled";
}

INSTANTIATE_TEST_SUITE_P(Cases, DetectionUnplacedMedium, ::testing::ValuesIn(kUnplacedMediumCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
