#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "app/Globals.h"
#include "app/SetupStrings.h"
#include "framework/Handles.h"
#include "framework/Module.h"

using testing_support::Narrow;
using testing_support::PathExists;
using testing_support::QueryRegistryValue;
using testing_support::ReadFileBytes;
using testing_support::RemoveTreeForce;
using testing_support::WriteFileBytes;
using testing_support::LogLines;
using testing_support::MediumFolder;
using testing_support::StagingFolderGuard;

namespace {

const std::wstring kRunOnceKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Runonce";
const std::wstring kStagingFolder = L"C:\\sl_dll";
const std::wstring kLogPath = L"c:\\setup.log";
const wchar_t kStepVariable[] = L"SETUP_TESTS_STAGING_STEP";
const wchar_t kSwitchVariable[] = L"SETUP_TESTS_STAGING_SWITCH";

std::wstring EnvironmentText(const wchar_t* name) {
    wchar_t value[512] = {};
    const DWORD length = ::GetEnvironmentVariableW(name, value, 512);
    return length < 512 ? std::wstring(value, length) : std::wstring();
}

// An environment variable set for its lifetime (child processes inherit it).
class EnvironmentVariable {
public:
    EnvironmentVariable(const wchar_t* name, const std::wstring& value) : m_name(name) {
        ::SetEnvironmentVariableW(name, value.c_str());
    }
    ~EnvironmentVariable() { ::SetEnvironmentVariableW(m_name, nullptr); }
    EnvironmentVariable(const EnvironmentVariable&) = delete;
    EnvironmentVariable& operator=(const EnvironmentVariable&) = delete;

private:
    const wchar_t* m_name;
};

// A copy of this test program placed at `program` and started there, so
// that the launcher's own path is one the test chooses. The copy runs the
// step that the environment names (StagingChildProcess below) and is given
// a minute at most. True when it ran and passed.
bool RunCopyOfThisProgram(const std::wstring& program, const std::wstring& step, const std::wstring& lineSwitch) {
    testing_support::MakeFolders(setup::TextBeforeLastBackslash(program));
    if (!::CopyFileW(fw::ModuleFileName(MAX_PATH).c_str(), program.c_str(), FALSE)) return false;

    const EnvironmentVariable stepVariable(kStepVariable, step);
    const EnvironmentVariable switchVariable(kSwitchVariable, lineSwitch);
    std::wstring commandLine = L"\"" + program + L"\" --gtest_filter=StagingChildProcess.*";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &started)) {
        return false;
    }
    const fw::UniqueKernelHandle process(started.hProcess);
    const fw::UniqueKernelHandle thread(started.hThread);
    if (::WaitForSingleObject(process.Get(), 60000) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.Get(), 1);
        ::WaitForSingleObject(process.Get(), 10000);
        return false;
    }
    DWORD exitCode = 1;
    ::GetExitCodeProcess(process.Get(), &exitCode);
    return exitCode == 0;
}

class StagingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(testing_support::RegistryKeyExists(HKEY_LOCAL_MACHINE, kRunOnceKey));
        ASSERT_TRUE(stagingFolder.Clear());
        ::DeleteFileW(kLogPath.c_str());
    }
    void TearDown() override { ::DeleteFileW(kLogPath.c_str()); }

    static void SetRunOnceValue(const std::wstring& text) {
        ASSERT_TRUE(testing_support::SetRegistryText(HKEY_LOCAL_MACHINE, kRunOnceKey, L"sl_dll", text));
    }
    // The text of the value "sl_dll", once its type and its terminator are
    // checked; a description of what is wrong otherwise.
    static std::wstring RunOnceText() {
        const testing_support::RegistryValue value = QueryRegistryValue(HKEY_LOCAL_MACHINE, kRunOnceKey, L"sl_dll");
        if (!value.exists) return L"<no value>";
        if (value.type != REG_SZ) return L"<not REG_SZ>";
        std::wstring text(value.bytes.size() / sizeof(wchar_t), L'\0');
        value.bytes.copy(reinterpret_cast<char*>(&text[0]), text.size() * sizeof(wchar_t));
        if (value.bytes.size() % sizeof(wchar_t) != 0 || text.empty() || text.back() != L'\0') {
            return L"<no terminator>";
        }
        text.pop_back();
        return text;
    }
    // A launcher path of exactly `length` characters below the sandbox, with
    // or without a blank in it.
    std::wstring ProgramPathOfLength(size_t length, bool withBlank) const {
        const std::wstring start = sandbox / (withBlank ? L"My Setup" : L"MySetup");
        const std::wstring end = L"\\Setup.exe";
        return start + std::wstring(length - start.size() - end.size(), L'p') + end;
    }

    testing_support::RegistryValueGuard runOnce{HKEY_LOCAL_MACHINE, kRunOnceKey, L"sl_dll"};
    StagingFolderGuard stagingFolder;
    testing_support::SandboxFolder sandbox{L"Staging"};
    CSetupManager manager;
};

// The step a copy of this program performs when a staging test starts it;
// in an ordinary run it has nothing to do.
TEST(StagingChildProcess, PerformsTheStepItsParentAsksFor) {
    const std::wstring step = EnvironmentText(kStepVariable);
    if (step.empty()) GTEST_SKIP() << "runs only in a copy started by the staging tests";
    CSetupManager manager;
    if (step == L"SetRunOnce") {
        manager.SetRunOnce(EnvironmentText(kSwitchVariable));
    } else if (step == L"CopyLP") {
        ASSERT_TRUE(theLog.OpenLog());
        manager.CopyLP();
        theLog.CloseLog();
    } else {
        FAIL() << "unknown step " << Narrow(step);
    }
}

TEST_F(StagingTest, SetRunOnceWritesTheProgramPathFollowedByTheSwitch) {
    const std::wstring program = fw::ModuleFileName(MAX_PATH);
    ASSERT_EQ(program.find(L' '), std::wstring::npos) << "the test program's own path has a blank";
    SetRunOnceValue(L"C:\\earlier\\Setup.exe -bike");

    for (const wchar_t* lineSwitch : {L" -truck", L" -car", L" -bike"}) {
        manager.SetRunOnce(lineSwitch);
        EXPECT_EQ(RunOnceText(), program + lineSwitch);
    }
}

TEST_F(StagingTest, SetRunOnceQuotesAProgramPathWithABlank) {
    const std::wstring program = sandbox / L"My Setup\\Setup.exe";
    ASSERT_TRUE(RunCopyOfThisProgram(program, L"SetRunOnce", L" -truck"));
    EXPECT_EQ(RunOnceText(), L"\"" + program + L"\" -truck");
}

// The limit counts the text as written, quotes included.
TEST_F(StagingTest, SetRunOnceWritesNothingLongerThan254Characters) {
    const struct {
        size_t pathLength;
        bool withBlank;
        bool written;
    } cases[] = {{249, false, true}, {250, false, false}, {247, true, true}, {248, true, false}};
    for (const auto& c : cases) {
        const std::wstring program = ProgramPathOfLength(c.pathLength, c.withBlank);
        const std::wstring expected = c.withBlank ? L"\"" + program + L"\" -car" : program + L" -car";
        SetRunOnceValue(L"previous");

        ASSERT_TRUE(RunCopyOfThisProgram(program, L"SetRunOnce", L" -car")) << "path length " << c.pathLength;
        EXPECT_EQ(RunOnceText(), c.written ? expected : L"previous")
            << "path length " << c.pathLength << (c.withBlank ? " with a blank" : "");
        RemoveTreeForce(setup::TextBeforeLastBackslash(program));
    }
}

TEST_F(StagingTest, CopyLPCopiesTheMediumFolderFromTheUpperCasedLauncherDirectory) {
    const std::wstring medium = sandbox / L"medium\\setup";
    WriteFileBytes(medium + L"\\sl_dll\\a.dll", "A");
    WriteFileBytes(medium + L"\\sl_dll\\sub\\b.dll", "B");

    ASSERT_TRUE(RunCopyOfThisProgram(medium + L"\\Setup.exe", L"CopyLP", L""));

    EXPECT_EQ(ReadFileBytes(L"C:\\sl_dll\\a.dll"), "A");
    EXPECT_EQ(ReadFileBytes(L"C:\\sl_dll\\sub\\b.dll"), "B");
    const std::vector<std::string> expected = {
        "Copying C:\\SETUP-TESTS\\STAGING\\MEDIUM\\SETUP\\sl_dll in C:\\sl_dll ...",
        "Copying C:\\SETUP-TESTS\\STAGING\\MEDIUM\\SETUP\\sl_dll\\sub in C:\\sl_dll\\sub ...",
    };
    EXPECT_EQ(LogLines(), expected);
}

TEST_F(StagingTest, CopyLPCopiesOverAnEarlierStagingUntilAReadOnlyFile) {
    const MediumFolder medium;
    WriteFileBytes(MediumFolder::Path() + L"\\a.dll", "new");
    WriteFileBytes(L"C:\\sl_dll\\a.dll", "old");
    WriteFileBytes(L"C:\\sl_dll\\earlier.dll", "earlier");

    manager.CopyLP();
    EXPECT_EQ(ReadFileBytes(L"C:\\sl_dll\\a.dll"), "new");
    EXPECT_EQ(ReadFileBytes(L"C:\\sl_dll\\earlier.dll"), "earlier");

    ::SetFileAttributesW(L"C:\\sl_dll\\a.dll", FILE_ATTRIBUTE_READONLY);
    WriteFileBytes(MediumFolder::Path() + L"\\a.dll", "newer");
    manager.CopyLP();
    EXPECT_EQ(ReadFileBytes(L"C:\\sl_dll\\a.dll"), "new");
}

TEST_F(StagingTest, CopyLPOfAnEmptyMediumFolderLeavesAnEmptyStagingFolder) {
    const MediumFolder medium;
    testing_support::MakeFolders(MediumFolder::Path());

    manager.CopyLP();

    WIN32_FIND_DATAW entry;
    const fw::UniqueFindHandle search(::FindFirstFileW(L"C:\\sl_dll\\*.*", &entry));
    ASSERT_TRUE(search);
    size_t entries = 1;
    while (::FindNextFileW(search.Get(), &entry)) ++entries;
    EXPECT_EQ(entries, 2u) << "only . and ..";
}

}  // namespace
