#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "AllocationFailure.h"
#include "TestSupport.h"
#include "app/Globals.h"
#include "fsutil/DirectoryTools.h"

using testing_support::PathExists;
using testing_support::ReadFileBytes;
using testing_support::RemoveTreeForce;
using testing_support::WriteFileBytes;
using testing_support::LogLines;

namespace {

using testing_support::AllocationFailure;

const std::wstring kLogPath = L"c:\\setup.log";

DWORD Attributes(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()); }

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void MakeFile(const std::wstring& path, const std::string& bytes, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    WriteFileBytes(path, bytes);
    ::SetFileAttributesW(path.c_str(), attributes);
}


class DirectoryToolsTest : public ::testing::Test {
protected:
    void TearDown() override {
        theLog.CloseLog();
        ::DeleteFileW(kLogPath.c_str());
    }

    // source\a.dll, source\hidden.txt (hidden), source\readonly.txt (read-only),
    // source\sub\b.dll, source\sub\deeper\c.dll (system) and the empty source\empty.
    void MakeSourceTree() {
        MakeFile(Source() + L"\\a.dll", "A");
        MakeFile(Source() + L"\\hidden.txt", "H", FILE_ATTRIBUTE_HIDDEN);
        MakeFile(Source() + L"\\readonly.txt", "R", FILE_ATTRIBUTE_READONLY);
        MakeFile(Source() + L"\\sub\\b.dll", "B");
        MakeFile(Source() + L"\\sub\\deeper\\c.dll", "C", FILE_ATTRIBUTE_SYSTEM);
        testing_support::MakeFolders(Source() + L"\\empty");
    }

    std::wstring Source() const { return sandbox / L"source"; }

    testing_support::SandboxFolder sandbox{L"DirectoryTools"};
    CDirectoryTools tools;
};

TEST(DirectoryToolsPaths, ParentPathAndLastComponentSplitAtTheLastBackslash) {
    const struct {
        const wchar_t* path;
        const wchar_t* parent;
        const wchar_t* last;
    } cases[] = {
        {L"C:\\a\\b", L"C:\\a", L"b"},
        {L"C:\\a\\b.txt", L"C:\\a", L"b.txt"},
        {L"C:\\a\\", L"C:\\a", L""},
        {L"C:", L"", L"C:"},
        {L"b.txt", L"", L"b.txt"},
        {L"", L"", L""},
        {L"C:\\a\\\\b", L"C:\\a\\", L"b"},
    };
    CDirectoryTools tools;
    for (const auto& c : cases) {
        EXPECT_EQ(CDirectoryTools::ParentPath(c.path), c.parent) << "path " << testing::PrintToString(c.path);
        EXPECT_EQ(tools.LastComponent(c.path), c.last) << "path " << testing::PrintToString(c.path);
    }
}

TEST_F(DirectoryToolsTest, CreatePathMakesEveryMissingLevel) {
    const std::wstring deepest = sandbox / L"one\\two\\three";
    EXPECT_TRUE(CDirectoryTools::CreatePath(deepest));
    EXPECT_TRUE(IsFolder(sandbox / L"one"));
    EXPECT_TRUE(IsFolder(sandbox / L"one\\two"));
    EXPECT_TRUE(IsFolder(deepest));

    // Given with a trailing backslash, the retry finds the folder it names.
    EXPECT_TRUE(CDirectoryTools::CreatePath(sandbox / L"four\\five\\"));
    EXPECT_TRUE(IsFolder(sandbox / L"four\\five"));
}

TEST_F(DirectoryToolsTest, CreatePathTakesAnExistingFileAsPresent) {
    MakeFile(sandbox / L"file.txt", "F");
    EXPECT_TRUE(CDirectoryTools::CreatePath(sandbox / L"file.txt"));
    EXPECT_FALSE(IsFolder(sandbox / L"file.txt"));
    EXPECT_EQ(ReadFileBytes(sandbox / L"file.txt"), "F");
}

// Paths that can never be made end with false instead of asking for the
// same parent again and again.
TEST_F(DirectoryToolsTest, CreatePathFailsWhereNoFolderCanBeMade) {
    MakeFile(sandbox / L"file.txt", "F");
    const std::wstring cases[] = {
        L"",
        sandbox / L"file.txt\\sub",
        sandbox / L"file.txt\\sub\\deeper",
        sandbox / L"bad|name\\sub",
        L"bad|name",
    };
    for (const std::wstring& path : cases) {
        EXPECT_FALSE(CDirectoryTools::CreatePath(path)) << "path " << testing_support::Narrow(path);
    }
    EXPECT_FALSE(PathExists(sandbox / L"file.txt\\sub"));
}

TEST_F(DirectoryToolsTest, CopyTreeCopiesEveryEntryWithItsAttributes) {
    MakeSourceTree();
    const std::wstring target = sandbox / L"missing\\parents\\target";

    EXPECT_TRUE(tools.CopyTree(Source(), target));

    const struct {
        const wchar_t* relative;
        const char* content;
        DWORD attributes;
    } files[] = {
        {L"a.dll", "A", FILE_ATTRIBUTE_ARCHIVE},
        {L"hidden.txt", "H", FILE_ATTRIBUTE_HIDDEN},
        {L"readonly.txt", "R", FILE_ATTRIBUTE_READONLY},
        {L"sub\\b.dll", "B", FILE_ATTRIBUTE_ARCHIVE},
        {L"sub\\deeper\\c.dll", "C", FILE_ATTRIBUTE_SYSTEM},
    };
    for (const auto& f : files) {
        const std::wstring copy = target + L"\\" + f.relative;
        EXPECT_EQ(ReadFileBytes(copy), f.content) << testing_support::Narrow(f.relative);
        EXPECT_NE(Attributes(copy) & f.attributes, 0u) << testing_support::Narrow(f.relative);
    }
    EXPECT_TRUE(IsFolder(target + L"\\empty"));
}

TEST_F(DirectoryToolsTest, CopyTreeOfAMissingSourceStillCreatesTheTarget) {
    const std::wstring target = sandbox / L"new\\target";
    EXPECT_TRUE(tools.CopyTree(sandbox / L"no-such-source", target));
    EXPECT_TRUE(IsFolder(target));
}

TEST_F(DirectoryToolsTest, CopyTreeFailsWhenTheTargetCannotBeCreated) {
    MakeSourceTree();
    MakeFile(sandbox / L"file.txt", "F");
    EXPECT_FALSE(tools.CopyTree(Source(), sandbox / L"file.txt\\target"));
    EXPECT_EQ(ReadFileBytes(sandbox / L"file.txt"), "F");
}

TEST_F(DirectoryToolsTest, CopyTreeOverwritesFilesAndKeepsTheTargetsOwn) {
    MakeFile(Source() + L"\\a.dll", "new");
    const std::wstring target = sandbox / L"target";
    MakeFile(target + L"\\a.dll", "old");
    MakeFile(target + L"\\extra.txt", "mine");

    EXPECT_TRUE(tools.CopyTree(Source(), target));
    EXPECT_EQ(ReadFileBytes(target + L"\\a.dll"), "new");
    EXPECT_EQ(ReadFileBytes(target + L"\\extra.txt"), "mine");
}

TEST_F(DirectoryToolsTest, CopyTreeStopsAtAReadOnlyTargetFile) {
    MakeFile(Source() + L"\\sub\\a.dll", "new");
    const std::wstring target = sandbox / L"target";
    MakeFile(target + L"\\sub\\a.dll", "old", FILE_ATTRIBUTE_READONLY);

    EXPECT_FALSE(tools.CopyTree(Source(), target));
    EXPECT_EQ(ReadFileBytes(target + L"\\sub\\a.dll"), "old");

    // The same refusal one file at a time: the system's own error.
    EXPECT_FALSE(CDirectoryTools::CopyOneFile(Source() + L"\\sub\\a.dll", target + L"\\sub\\a.dll"));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(DirectoryToolsTest, CopyTreeLogsOneLinePerDirectoryWithTheTargetAsGiven) {
    MakeFile(Source() + L"\\a.dll", "A");
    MakeFile(Source() + L"\\sub\\b.dll", "B");
    // A line folder ends with a backslash: the joined paths double it.
    const std::wstring target = sandbox / L"line\\";
    ASSERT_TRUE(theLog.OpenLog());

    EXPECT_TRUE(tools.CopyTree(Source(), target));
    theLog.CloseLog();

    const std::string source = testing_support::Narrow(Source());
    const std::string to = testing_support::Narrow(target);
    const std::vector<std::string> expected = {
        "Copying " + source + " in " + to + " ...",
        "Copying " + source + "\\sub in " + to + "\\sub ...",
    };
    EXPECT_EQ(LogLines(), expected);
    EXPECT_EQ(ReadFileBytes(sandbox / L"line\\a.dll"), "A");
    EXPECT_EQ(ReadFileBytes(sandbox / L"line\\sub\\b.dll"), "B");
}

TEST_F(DirectoryToolsTest, DeleteTreeRemovesEverythingBelowWhateverItsAttributes) {
    MakeFile(Source() + L"\\hidden.txt", "H", FILE_ATTRIBUTE_HIDDEN);
    MakeFile(Source() + L"\\sub\\system.dll", "S", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN);
    testing_support::MakeFolders(Source() + L"\\empty");

    EXPECT_TRUE(tools.DeleteTree(Source()));
    EXPECT_FALSE(PathExists(Source()));

    EXPECT_FALSE(tools.DeleteTree(Source()));
}

TEST_F(DirectoryToolsTest, DeleteTreeStopsAtAReadOnlyFileUntilTheTreeIsArchived) {
    MakeFile(Source() + L"\\sub\\readonly.txt", "R", FILE_ATTRIBUTE_READONLY);

    EXPECT_FALSE(tools.DeleteTree(Source()));
    EXPECT_EQ(ReadFileBytes(Source() + L"\\sub\\readonly.txt"), "R");

    CDirectoryTools::ArchiveTree(Source());
    EXPECT_TRUE(tools.DeleteTree(Source()));
    EXPECT_FALSE(PathExists(Source()));
}

TEST_F(DirectoryToolsTest, ArchiveTreeLeavesEveryFileArchiveOnlyAndFoldersAsTheyWere) {
    MakeSourceTree();
    MakeFile(Source() + L"\\sub\\deeper\\all.txt", "X",
             FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    ::SetFileAttributesW((Source() + L"\\sub").c_str(), FILE_ATTRIBUTE_HIDDEN);
    const DWORD subAttributes = Attributes(Source() + L"\\sub");
    const DWORD emptyAttributes = Attributes(Source() + L"\\empty");

    CDirectoryTools::ArchiveTree(Source());

    for (const wchar_t* relative : {L"a.dll", L"hidden.txt", L"readonly.txt", L"sub\\b.dll", L"sub\\deeper\\c.dll",
                                    L"sub\\deeper\\all.txt"}) {
        EXPECT_EQ(Attributes(Source() + L"\\" + relative), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE))
            << testing_support::Narrow(relative);
    }
    EXPECT_EQ(Attributes(Source() + L"\\sub"), subAttributes);
    EXPECT_EQ(Attributes(Source() + L"\\empty"), emptyAttributes);

    CDirectoryTools::ArchiveTree(sandbox / L"no-such-folder");
}

// Every allocation of the walk is made to fail in turn: each answer is false
// (nothing escapes), every search is closed again, and the run that meets no
// failure completes the job.
TEST_F(DirectoryToolsTest, FailuresThrownDuringTheWalkAnswerFalseWithTheSearchesClosed) {
    MakeSourceTree();
    const std::wstring source = Source();
    const std::wstring target = sandbox / L"target";
    ASSERT_TRUE(theLog.OpenLog());
    // The system's own first-use handles (of the copy, of the first thrown
    // exception) settle before counting.
    ASSERT_TRUE(tools.CopyTree(source, target));
    {
        AllocationFailure failure(1);
        EXPECT_FALSE(tools.CopyTree(source, target));
    }
    const size_t handles = testing_support::CountOwnHandles();
    ASSERT_GT(handles, 0u);

    bool copied = false;
    for (long nth = 1; nth < 5000 && !copied; ++nth) {
        RemoveTreeForce(target);
        bool result = false;
        bool thrown = false;
        {
            AllocationFailure failure(nth);
            result = tools.CopyTree(source, target);
            thrown = failure.Thrown();
        }
        ASSERT_EQ(testing_support::CountOwnHandles(), handles) << "copy, allocation " << nth;
        ASSERT_EQ(result, !thrown) << "copy, allocation " << nth;
        copied = result;
    }
    EXPECT_TRUE(copied);

    bool deleted = false;
    for (long nth = 1; nth < 5000 && !deleted; ++nth) {
        RemoveTreeForce(target);
        ASSERT_TRUE(tools.CopyTree(source, target));
        CDirectoryTools::ArchiveTree(target);
        bool result = false;
        bool thrown = false;
        {
            AllocationFailure failure(nth);
            result = tools.DeleteTree(target);
            thrown = failure.Thrown();
        }
        ASSERT_EQ(testing_support::CountOwnHandles(), handles) << "delete, allocation " << nth;
        ASSERT_EQ(result, !thrown) << "delete, allocation " << nth;
        deleted = result;
    }
    EXPECT_TRUE(deleted);
    EXPECT_FALSE(PathExists(target));
}

}  // namespace
