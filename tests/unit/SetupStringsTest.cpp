#include <gtest/gtest.h>

#include "app/SetupManager.h"
#include "app/SetupStrings.h"

namespace {

TEST(SetupStrings, UpperAsciiChangesOnlyAsciiLetters) {
    EXPECT_EQ(setup::UpperAscii(L"d:\\setup\\\u00e4b-1z"), L"D:\\SETUP\\\u00e4B-1Z");
}

TEST(SetupStrings, CaseFoldingIsAsciiOnly) {
    EXPECT_TRUE(setup::EqualsNoCaseAscii(L"-TrUcK", L"-truck"));
    EXPECT_FALSE(setup::EqualsNoCaseAscii(L"\u00c4", L"\u00e4"));
    EXPECT_FALSE(setup::EqualsNoCaseAscii(L"-car ", L"-car"));
}

TEST(SetupStrings, ReplaceAllDoesNotRescanInsertedText) {
    EXPECT_EQ(setup::ReplaceAll(L"[a] and [a]", L"[a]", L"x[a]"), L"x[a] and x[a]");
    EXPECT_EQ(setup::ReplaceAll(L"none", L"[a]", L"x"), L"none");
}

TEST(SetupStrings, TextBeforeLastBackslash) {
    EXPECT_EQ(setup::TextBeforeLastBackslash(L"E:\\Setup.exe"), L"E:");
    EXPECT_EQ(setup::TextBeforeLastBackslash(L"E:\\a\\b"), L"E:\\a");
    EXPECT_EQ(setup::TextBeforeLastBackslash(L"Setup.exe"), L"");
}

TEST(SetupStrings, LauncherDirectoryIsTheUpperCasedFolderOfTheProgram) {
    wchar_t own[1024] = {};
    ::GetModuleFileNameW(nullptr, own, 1024);
    const std::wstring expected = setup::TextBeforeLastBackslash(setup::UpperAscii(own));
    EXPECT_EQ(setup::LauncherDirectory(1000), expected);
    EXPECT_EQ(expected.find(L"unit_tests"), std::wstring::npos);
}

}  // namespace
