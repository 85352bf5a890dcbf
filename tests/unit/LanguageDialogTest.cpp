#include <gtest/gtest.h>

#include "TestSupport.h"
#include "language/LanguageDlg.h"
#include "res/resource.h"

namespace {

struct DialogTexts {
    WORD language;
    const char* caption;  // UTF-8
    const char* prompt;
    const char* ok;
    const char* cancel;
};

// The five languages' texts, compared with what the resources carry: a wrong
// code page in the resource script would break the accented letters.
const DialogTexts kTexts[] = {
    {1031, "W\xc3\xa4hlen Sie eine Setup-Sprache aus",
     "W\xc3\xa4hlen Sie die Sprache dieser Installation aus der unten aufgef\xc3\xbchrten Auswahl aus.", "OK",
     "Abbrechen"},
    {1034, "Elegir idioma de instalaci\xc3\xb3n",
     "Seleccionar uno de los idiomas siguientes para la instalaci\xc3\xb3n.", "Aceptar", "Cancelar"},
    {1036, "Choisissez la langue d'installation", "Choisissez la langue d'installation dans la liste ci-dessous.",
     "OK", "Annuler"},
    {1040, "Seleziona la lingua dell'installazione",
     "Selezionare la lingua per questa installazione tra le opzioni indicate di seguito.", "OK", "Annulla"},
    {2057, "Choose Setup Language", "Select the language for this installation from the choices below.", "OK",
     "Cancel"},
};

TEST(LanguageDialog, StringTablesHoldTheTextsOfEachLanguage) {
    testing_support::MessageBoxRecorder boxes;
    for (const DialogTexts& t : kTexts) {
        const struct {
            UINT id;
            const char* text;
        } entries[] = {{IDS_CAPTION, t.caption}, {IDS_PROMPT, t.prompt}, {IDS_OK, t.ok}, {IDS_CANCEL, t.cancel}};
        for (const auto& e : entries) {
            std::wstring text;
            const std::wstring expected = testing_support::Widen(e.text);
            EXPECT_EQ(LoadStringForLanguage(nullptr, e.id, t.language, text), static_cast<int>(expected.size()));
            EXPECT_EQ(text, expected) << "language " << t.language << ", string " << e.id;
        }
    }
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(LanguageDialog, LanguageWithoutTextsGetsTheEnglishTexts) {
    testing_support::MessageBoxRecorder boxes;
    std::wstring text;
    EXPECT_EQ(LoadStringForLanguage(nullptr, IDS_CAPTION, 1043, text), 21);
    EXPECT_EQ(text, L"Choose Setup Language");
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(LanguageDialog, EmptyEntryWithoutA1033BlockShowsTheErrorBox) {
    testing_support::MessageBoxRecorder boxes;
    std::wstring text = L"kept";
    EXPECT_EQ(LoadStringForLanguage(nullptr, 134, 1040, text), 0);
    EXPECT_EQ(text, L"kept");
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].caption, L"Error");
    EXPECT_EQ(boxes.Boxes()[0].type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_EQ(boxes.Boxes()[0].owner, nullptr);
}

TEST(LanguageDialog, MissingBlockShowsTheErrorBoxOncePerString) {
    testing_support::MessageBoxRecorder boxes;
    std::wstring text;
    EXPECT_EQ(LoadStringForLanguage(nullptr, 4000, 1040, text), 0);
    EXPECT_EQ(LoadStringForLanguage(nullptr, 4001, 2057, text), 0);
    EXPECT_EQ(text, L"");
    EXPECT_EQ(boxes.Boxes().size(), 2u);
}

TEST(LanguageDialog, LanguageLinesAreParsedLikeNumbers) {
    const struct {
        const wchar_t* line;
        long value;
    } cases[] = {
        {L"1040", 1040}, {L"", 0},           {L"# comment", 0}, {L" 1031 German", 1031}, {L"0", 0},
        {L"+2057", 2057}, {L"-5", -5},       {L"\t1036\r", 1036}, {L"66567", 66567},     {L"abc 1040", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CLanguageDlg::ParseLanguageLine(c.line), c.value) << testing::PrintToString(c.line);
    }
}

TEST(LanguageDialog, LanguageNamesComeFromTheSystem) {
    EXPECT_FALSE(CLanguageDlg::GetLanguageName(1040).empty());
    EXPECT_NE(CLanguageDlg::GetLanguageName(1040), CLanguageDlg::GetLanguageName(1031));
    EXPECT_EQ(CLanguageDlg::GetLanguageName(0x7bff), L"");
}

}  // namespace
