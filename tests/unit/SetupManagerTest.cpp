#include <gtest/gtest.h>

#include "app/SetupManager.h"

namespace {

struct TrimCase {
    const wchar_t* given;
    const wchar_t* stored;
};

TEST(SetupManager, SetCommandLineTrimsWhiteSpaceAndKeepsCase) {
    const TrimCase cases[] = {
        {L"  -Car  ", L"-Car"}, {L"", L""}, {L"   ", L""}, {L"\t-bike\r\n", L"-bike"}, {L"-car /x", L"-car /x"},
    };
    for (const TrimCase& c : cases) {
        CSetupManager manager;
        manager.SetCommandLine(c.given);
        EXPECT_EQ(manager.m_strCmdLine, c.stored) << "command line [" << testing::PrintToString(c.given) << "]";
    }
}

TEST(SetupManager, GetLanguageHandsOutACopy) {
    CSetupManager manager;
    EXPECT_EQ(manager.GetLanguage(), L"");
    manager.m_strLanguage = L" /l1040";
    std::wstring copy = manager.GetLanguage();
    copy += L"9";
    EXPECT_EQ(manager.m_strLanguage, L" /l1040");
}

}  // namespace
