#include <gtest/gtest.h>

#include "app/SetupManager.h"

namespace {

struct LocaleCase {
    const wchar_t* isoName;
    const wchar_t* lcid;
};

TEST(LocaleTable, EveryRowConvertsExactly) {
    const LocaleCase rows[] = {
        {L"ar-AE", L"14337"}, {L"bg-BG", L"1026"}, {L"cs-CZ", L"1029"}, {L"hr-HR", L"1050"}, {L"da-DK", L"1030"},
        {L"fi-FI", L"1035"},  {L"fr-FR", L"1036"}, {L"ja-JP", L"1041"}, {L"el-GR", L"1032"}, {L"en-GB", L"2057"},
        {L"he-IL", L"1037"},  {L"it-IT", L"1040"}, {L"lt-LT", L"1063"}, {L"nb-NO", L"1044"}, {L"nl-NL", L"1043"},
        {L"pl-PL", L"1045"},  {L"pt-PT", L"2070"}, {L"ro-RO", L"1048"}, {L"ru-RU", L"1049"}, {L"sr-Latn", L"2074"},
        {L"sk-SK", L"1051"},  {L"sl-SI", L"1060"}, {L"es-ES", L"1034"}, {L"sv-SE", L"1053"}, {L"de-DE", L"1031"},
        {L"tr-TR", L"1055"},  {L"hu-HU", L"1038"}, {L"fa-IR", L"1065"},
    };
    const CSetupManager manager;
    for (const LocaleCase& row : rows) {
        EXPECT_EQ(manager.GetCodeFromISOname(row.isoName), row.lcid) << testing::PrintToString(row.isoName);
    }
}

TEST(LocaleTable, NamesNotSpelledExactlyAsInTheTableAreUnknown) {
    const wchar_t* unknown[] = {
        L"IT-IT", L"it-it", L"it", L"it-IT ", L" it-IT", L"en-US", L"zh-CN", L"ko-KR", L"pt-BR",
        L"sr-Latn-CS", L"sr-SP", L"", L"1040",
    };
    const CSetupManager manager;
    for (const wchar_t* name : unknown) {
        EXPECT_EQ(manager.GetCodeFromISOname(name), L"") << testing::PrintToString(name);
    }
    EXPECT_EQ(manager.GetCodeFromISOname(std::wstring(L"es-ES\0x", 7)), L"");
}

}  // namespace
