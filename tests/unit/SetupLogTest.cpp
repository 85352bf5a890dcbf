#include <gtest/gtest.h>

#include "TestSupport.h"
#include "app/SetupLog.h"
#include "framework/Handles.h"

using testing_support::ReadFileBytes;

namespace {

const std::wstring kLogPath = L"c:\\setup.log";

class SetupLogTest : public ::testing::Test {
protected:
    void SetUp() override { ::DeleteFileW(kLogPath.c_str()); }
    void TearDown() override { ::DeleteFileW(kLogPath.c_str()); }
};

TEST_F(SetupLogTest, LogBeforeOpenWritesNothing) {
    CSetupLog log;
    log.Log(L"nothing %s", L"here");
    EXPECT_FALSE(log.m_bOpen);
    EXPECT_FALSE(testing_support::PathExists(kLogPath));
}

TEST_F(SetupLogTest, LinesEndWithCrLfAndPlaceholdersAreFilled) {
    {
        CSetupLog log;
        ASSERT_TRUE(log.OpenLog());
        log.Log(L"Loaded brand %s from %s.", L"zantorORB4", L"E:\\brand\\cd_cfg.ini");
        log.Log(L"Installazione :%s", L"");
        log.Log(L"GetLangFromWizardConfiguration return %d", 1);
    }
    EXPECT_EQ(ReadFileBytes(kLogPath),
              "Loaded brand zantorORB4 from E:\\brand\\cd_cfg.ini.\r\n"
              "Installazione :\r\n"
              "GetLangFromWizardConfiguration return 1\r\n");
}

TEST_F(SetupLogTest, EveryRunStartsWithAnEmptyFile) {
    testing_support::WriteFileBytes(kLogPath, "line of an earlier run\r\n");
    {
        CSetupLog log;
        ASSERT_TRUE(log.OpenLog());
        log.Log(L"new");
    }
    EXPECT_EQ(ReadFileBytes(kLogPath), "new\r\n");
}

TEST_F(SetupLogTest, SecondOpenKeepsTheFileAndItsLines) {
    {
        CSetupLog log;
        ASSERT_TRUE(log.OpenLog());
        log.Log(L"first");
        EXPECT_TRUE(log.OpenLog());
        log.Log(L"second");
    }
    EXPECT_EQ(ReadFileBytes(kLogPath), "first\r\nsecond\r\n");
}

TEST_F(SetupLogTest, OpenLogKeepsOtherProcessesOut) {
    CSetupLog log;
    ASSERT_TRUE(log.OpenLog());
    HANDLE other = ::CreateFileW(kLogPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(other, INVALID_HANDLE_VALUE);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    fw::UniqueFileHandle owner(other);
}

TEST_F(SetupLogTest, OpenFailsQuietlyWhileAnotherHolderLocksTheFile) {
    fw::UniqueFileHandle holder(
        ::CreateFileW(kLogPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder);
    CSetupLog log;
    EXPECT_FALSE(log.OpenLog());
    EXPECT_FALSE(log.m_bOpen);
    log.Log(L"goes nowhere");
}

// Latin-1 letters are single bytes; anything above U+00FF becomes '?' and
// the line is still completed, so the next line starts on its own line.
TEST_F(SetupLogTest, CharactersBeyondLatin1BecomeQuestionMarks) {
    {
        CSetupLog log;
        ASSERT_TRUE(log.OpenLog());
        log.Log(L"Read %s from %s", L"C:\\Programmi\\Z\u00e4ntor", L"key");
        log.Log(L"Deleted %s.", L"C:\\\u041f\u0443\u0442\u044c\\\u4e2d");
        log.Log(L"%s|%s", L"", L"");
    }
    EXPECT_EQ(ReadFileBytes(kLogPath),
              "Read C:\\Programmi\\Z\xe4ntor from key\r\n"
              "Deleted C:\\????\\?.\r\n"
              "|\r\n");
}

TEST_F(SetupLogTest, OverlongLineIsCutAtTheBufferSize) {
    {
        CSetupLog log;
        ASSERT_TRUE(log.OpenLog());
        log.Log(L"%s", std::wstring(12000, L'x').c_str());
        log.Log(L"next");
    }
    EXPECT_EQ(ReadFileBytes(kLogPath), std::string(10240, 'x') + "\r\nnext\r\n");
}

}  // namespace
