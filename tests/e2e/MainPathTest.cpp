// The launcher's main path, end to end: the real Setup.exe on a medium in
// drive E:, started under a system locale, driven through its language dialog
// and confirmation box, handing over to the installer double.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "LauncherSandbox.h"
#include "TestSupport.h"
#include "framework/Handles.h"
#include "uiauto.h"

using testing_support::Narrow;

namespace {

// How long the tests watch for something that must not happen.
constexpr uiauto::Milliseconds kNothingHappensWait{1500};

constexpr char kStartingDialogLine[] = "Starting languages dialog.";
constexpr char kFiveLanguages[] = "1040\r\n1031\r\n2057\r\n1034\r\n1036\r\n";

struct DialogTexts {
    const wchar_t* caption;
    const wchar_t* prompt;
    const wchar_t* ok;
    const wchar_t* cancel;
};
const DialogTexts kGermanTexts{L"Wählen Sie eine Setup-Sprache aus",
                               L"Wählen Sie die Sprache dieser Installation aus der unten aufgeführten Auswahl aus.",
                               L"OK", L"Abbrechen"};
const DialogTexts kSpanishTexts{L"Elegir idioma de instalación",
                                L"Seleccionar uno de los idiomas siguientes para la instalación.", L"Aceptar",
                                L"Cancelar"};
const DialogTexts kFrenchTexts{L"Choisissez la langue d'installation",
                               L"Choisissez la langue d'installation dans la liste ci-dessous.", L"OK", L"Annuler"};
const DialogTexts kItalianTexts{
    L"Seleziona la lingua dell'installazione",
    L"Selezionare la lingua per questa installazione tra le opzioni indicate di seguito.", L"OK", L"Annulla"};
const DialogTexts kEnglishTexts{L"Choose Setup Language",
                                L"Select the language for this installation from the choices below.", L"OK",
                                L"Cancel"};
// The dialog template's own texts, shown while no language is selected.
const DialogTexts kTemplateTexts{L"Setup", L"Messaggio", L"OK", L"Annulla"};

const DialogTexts& TextsOf(LONG_PTR language) {
    switch (language) {
    case 1031: return kGermanTexts;
    case 1034: return kSpanishTexts;
    case 1036: return kFrenchTexts;
    case 1040: return kItalianTexts;
    default: return kEnglishTexts;
    }
}

void ExpectTexts(const uiauto::LanguageDialogState& state, const DialogTexts& texts) {
    EXPECT_EQ(state.caption, texts.caption);
    EXPECT_EQ(state.prompt, texts.prompt);
    EXPECT_EQ(state.okText, texts.ok);
    EXPECT_EQ(state.cancelText, texts.cancel);
}

std::wstring SystemLanguageName(WORD language) {
    wchar_t name[256] = {};
    ::GetLocaleInfoW(MAKELCID(language, SORT_DEFAULT), LOCALE_SLANGUAGE, name, 256);
    return name;
}

using Entries = std::vector<std::pair<LONG_PTR, std::wstring>>;

Entries EntriesOf(const uiauto::LanguageDialogState& state) {
    Entries entries;
    for (const auto& entry : state.entries) entries.emplace_back(entry.data, entry.text);
    return entries;
}

// One entry per language under the system's name, in the order of a sorted list.
Entries ExpectedEntries(const std::vector<WORD>& languages) {
    Entries entries;
    for (WORD language : languages) entries.emplace_back(language, SystemLanguageName(language));
    std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return ::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.second.c_str(), -1, b.second.c_str(), -1) ==
               CSTR_LESS_THAN;
    });
    return entries;
}

LONG_PTR SelectedData(const uiauto::LanguageDialogState& state) {
    return state.Selected() ? state.Selected()->data : -1;
}

// A launcher directory's expected hand-off.
struct HandOver {
    std::wstring commandLine;
    std::wstring currentDirectory;
};

class LauncherTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(e2e::MediumDriveMapped()) << "drive E: is not mapped; run the tests inside scripts/wine-env";
        e2e::WipeMediumAndLog();
    }

    void TearDown() override {
        m_launcher.reset();
        e2e::WipeMediumAndLog();
    }

    // Lays out the medium and starts its launcher as a user would: by its
    // quoted path, in the layout's start directory, under the system locale
    // `locale`.
    void Start(const e2e::MediumLayout& layout, const std::string& locale) {
        e2e::LayOutMedium(layout);
        const std::wstring program = layout.launcherDirectory + L"\\Setup.exe";
        ASSERT_TRUE(testing_support::PathExists(program)) << "the medium was not laid out";
        m_launcher =
            std::make_unique<e2e::LauncherProcess>(program, L"", layout.StartDirectory() + L"\\", locale);
        ASSERT_TRUE(m_launcher->Started()) << "could not start " << Narrow(program);
    }

    void StartFromRoot(const std::string& langs, const std::string& locale) {
        e2e::MediumLayout layout;
        layout.langs = langs;
        Start(layout, locale);
    }

    bool Running() const { return m_launcher && m_launcher->Started(); }
    HWND WaitForDialog() const { return Running() ? uiauto::WaitForLanguageDialog(m_launcher->Id()) : nullptr; }
    HWND WaitForBox(uiauto::Milliseconds timeout = uiauto::kDefaultTimeout) const {
        return Running() ? uiauto::WaitForMessageBox(m_launcher->Id(), timeout) : nullptr;
    }

    // What a launcher that does not go on shows, for failure messages.
    std::string WhatItShows() const {
        if (!Running()) return "nothing: it did not start";
        const HWND box = uiauto::FindMessageBox(m_launcher->Id());
        const auto state = box ? uiauto::ReadMessageBox(box) : std::nullopt;
        if (state) return "a message box \"" + Narrow(state->caption) + "\": \"" + Narrow(state->text) + "\"";
        return uiauto::FindLanguageDialog(m_launcher->Id()) ? "the language dialog" : "no window";
    }

    // Clicks OK in the dialog and answers Yes in the confirmation box.
    void ConfirmWithYes(HWND dialog) {
        ASSERT_TRUE(uiauto::ClickButton(dialog, uiauto::kOkButtonId));
        const HWND box = WaitForBox();
        ASSERT_NE(box, nullptr) << "no confirmation box; the launcher shows " << WhatItShows();
        ASSERT_TRUE(uiauto::ClickButton(box, IDYES));
    }

    void ExpectLauncherEnds() const {
        EXPECT_TRUE(m_launcher->WaitForEnd()) << "the launcher did not end; it shows " << WhatItShows();
    }

    // The launcher has ended without starting anything: no process of its
    // is left, no installer recorded a start in `directory`, and the log has
    // no "Running" line.
    void ExpectNothingStarted(const std::wstring& directory = e2e::kMediumRoot) const {
        for (const auto& child : m_launcher->Children()) ADD_FAILURE() << "started " << Narrow(child.image);
        EXPECT_FALSE(e2e::InstallerRecordExists(directory)) << "an installer ran in " << Narrow(directory);
        const e2e::SetupLog log = e2e::ReadSetupLog();
        EXPECT_TRUE(log.Contains(kStartingDialogLine)) << log.Text();
        EXPECT_FALSE(log.HasLineStartingWith("Running")) << log.Text();
    }

    // The installer in `directory` ran as `expected`, and the log ends with
    // the line that announced it.
    void ExpectHandedOver(const std::wstring& directory, const HandOver& expected, const std::string& logLine) const {
        const auto record = e2e::WaitForInstallerRecord(directory);
        ASSERT_TRUE(record) << "the installer in " << Narrow(directory) << " did not run";
        EXPECT_EQ(record->commandLine, expected.commandLine);
        EXPECT_EQ(record->currentDirectory, expected.currentDirectory);
        const e2e::SetupLog log = e2e::ReadSetupLog();
        EXPECT_TRUE(log.Contains(kStartingDialogLine)) << log.Text();
        EXPECT_EQ(log.LastLine(), logLine) << log.Text();
        EXPECT_TRUE(log.everyLineEndsWithCrLf) << log.Text();
    }

    std::unique_ptr<e2e::LauncherProcess> m_launcher;
};

// --- The typical first installation ------------------------------------------

class MainPathFirstInstallation : public LauncherTest {};

TEST_F(MainPathFirstInstallation, ItalianConfirmedStartsTheInstallerAndEnds) {
    StartFromRoot("1040\r\n1031\r\n2057\r\n1034\r\n", "it_IT");
    const HWND dialog = WaitForDialog();
    ASSERT_NE(dialog, nullptr) << "no language dialog; the launcher shows " << WhatItShows();

    const auto opened = uiauto::ReadLanguageDialog(dialog);
    ASSERT_TRUE(opened);
    EXPECT_TRUE(opened->centred);
    EXPECT_TRUE(opened->topmost);
    EXPECT_EQ(opened->focusedControlId, uiauto::kLanguageListId);
    EXPECT_EQ(EntriesOf(*opened), ExpectedEntries({1040, 1031, 2057, 1034}));
    EXPECT_EQ(SelectedData(*opened), 1040);
    ExpectTexts(*opened, kItalianTexts);

    ASSERT_TRUE(uiauto::SelectLanguage(dialog, 1040));
    ASSERT_TRUE(uiauto::ClickButton(dialog, uiauto::kOkButtonId));
    const HWND box = WaitForBox();
    ASSERT_NE(box, nullptr) << "no confirmation box; the launcher shows " << WhatItShows();
    const auto question = uiauto::ReadMessageBox(box);
    ASSERT_TRUE(question);
    EXPECT_EQ(question->caption, L"Setup");
    EXPECT_EQ(question->ButtonIds(), (std::vector<int>{IDYES, IDNO}));
    EXPECT_EQ(question->icon, uiauto::IconKind::Warning) << Narrow(uiauto::IconKindName(question->icon));
    ASSERT_NE(opened->EntryWithData(1040), nullptr);
    EXPECT_EQ(question->text, e2e::ExpectedConfirmation(1040, opened->EntryWithData(1040)->text));

    ASSERT_TRUE(uiauto::ClickButton(box, IDYES));
    ExpectLauncherEnds();
    ExpectHandedOver(L"E:", {L"E:\\data1.exe /l1040", L"E:\\"}, "Running E:\\data1.exe /l1040 in  E:");
}

TEST_F(MainPathFirstInstallation, BroadcastsTheSetupMessageOnce) {
    static const wchar_t kClassName[] = L"SetupMessageReceiver";
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = ::DefWindowProcW;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClassName;
    ::RegisterClassW(&windowClass);
    // A hidden top-level window receives broadcasts; they wait in this
    // thread's queue until counted.
    const fw::UniqueWindow receiver(::CreateWindowExW(0, kClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                                      ::GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(receiver);
    const UINT setupMessage = ::RegisterWindowMessageW(L"5D20F1A7-93B6-4e1c-8C0B-71E4A9D3B260");

    StartFromRoot(kFiveLanguages, "it_IT");
    const HWND dialog = WaitForDialog();
    ASSERT_NE(dialog, nullptr) << "no language dialog; the launcher shows " << WhatItShows();
    ASSERT_TRUE(uiauto::ClickButton(dialog, uiauto::kCancelButtonId));
    ExpectLauncherEnds();

    int received = 0;
    MSG message;
    while (::PeekMessageW(&message, receiver.Get(), setupMessage, setupMessage, PM_REMOVE)) {
        EXPECT_EQ(message.wParam, 0u);
        EXPECT_EQ(message.lParam, 0);
        ++received;
    }
    EXPECT_EQ(received, 1);
}

// --- Which language the dialog opens with -------------------------------------

struct PreselectionCase {
    const char* name;
    const char* locale;
    const char* langs;
    LONG_PTR selected;  // -1: nothing selected
    const DialogTexts* texts;
};
void PrintTo(const PreselectionCase& c, std::ostream* os) { *os << c.name; }

const PreselectionCase kPreselectionCases[] = {
    {"GermanSystem", "de_DE", "2057\r\n1031\r\n1040\r\n", 1031, &kGermanTexts},
    {"FrenchSystem", "fr_FR", "1036\r\n2057\r\n", 1036, &kFrenchTexts},
    // Spain's modern sort (3082) counts as the traditional one (1034), even
    // when 3082 itself is listed.
    {"SpanishModernSortTakesTraditional", "es_ES", "1040\r\n3082\r\n1034\r\n2057\r\n", 1034, &kSpanishTexts},
    {"UkEnglishSystem", "en_GB", "1031\r\n2057\r\n", 2057, &kEnglishTexts},
    {"DutchSystemFallsBackToUkEnglish", "nl_NL", "1031\r\n2057\r\n1040\r\n", 2057, &kEnglishTexts},
    {"NeitherSystemLanguageNorUkEnglish", "en_US", "1040\r\n1031\r\n", -1, &kTemplateTexts},
};

class MainPathPreselection : public LauncherTest, public ::testing::WithParamInterface<PreselectionCase> {};

TEST_P(MainPathPreselection, OpensWithTheSystemLanguageOrUkEnglish) {
    const PreselectionCase& c = GetParam();
    StartFromRoot(c.langs, c.locale);
    const HWND dialog = WaitForDialog();
    ASSERT_NE(dialog, nullptr) << "no language dialog; the launcher shows " << WhatItShows();
    const auto state = uiauto::ReadLanguageDialog(dialog);
    ASSERT_TRUE(state);
    EXPECT_EQ(SelectedData(*state), c.selected);
    ExpectTexts(*state, *c.texts);

    ASSERT_TRUE(uiauto::ClickButton(dialog, uiauto::kCancelButtonId));
    ExpectLauncherEnds();
}

INSTANTIATE_TEST_SUITE_P(Cases, MainPathPreselection, ::testing::ValuesIn(kPreselectionCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- The dialog while the user chooses ----------------------------------------

class MainPathDialog : public LauncherTest {};

TEST_F(MainPathDialog, SelectingALanguageSwitchesTheTextsAtOnce) {
    StartFromRoot("1040\r\n1031\r\n2057\r\n1034\r\n1036\r\n1043\r\n", "it_IT");
    const HWND dialog = WaitForDialog();
    ASSERT_NE(dialog, nullptr) << "no language dialog; the launcher shows " << WhatItShows();
    // Dutch (1043) has no texts of its own and gets the English ones.
    const struct {
        LONG_PTR language;
        const DialogTexts* texts;
    } steps[] = {{1031, &kGermanTexts}, {1034, &kSpanishTexts}, {2057, &kEnglishTexts},
                 {1036, &kFrenchTexts}, {1040, &kItalianTexts}, {1043, &kEnglishTexts}};
    for (const auto& step : steps) {
        SCOPED_TRACE("selected " + std::to_string(step.language));
        ASSERT_TRUE(uiauto::SelectLanguage(dialog, step.language));
        const auto state = uiauto::ReadLanguageDialog(dialog);
        ASSERT_TRUE(state);
        EXPECT_EQ(SelectedData(*state), step.language);
        ExpectTexts(*state, *step.texts);
    }
    ASSERT_TRUE(uiauto::ClickButton(dialog, uiauto::kCancelButtonId));
    ExpectLauncherEnds();
}

TEST_F(MainPathDialog, ArrowKeysInTheListSwitchTheTexts) {
    StartFromRoot(kFiveLanguages, "it_IT");
    const HWND dialog = WaitForDialog();
    ASSERT_NE(dialog, nullptr) << "no language dialog; the launcher shows " << WhatItShows();
    const auto opened = uiauto::ReadLanguageDialog(dialog);
    ASSERT_TRUE(opened);
    ASSERT_GE(opened->selectedIndex, 0);
    ASSERT_EQ(opened->focusedControlId, uiauto::kLanguageListId);

    // To the neighbour of the preselected entry, with the key a user would press.
    const bool down = opened->selectedIndex == 0;
    const size_t target = static_cast<size_t>(opened->selectedIndex + (down ? 1 : -1));
    const LONG_PTR language = opened->entries.at(target).data;
    SCOPED_TRACE("moved to " + std::to_string(language));
    ASSERT_TRUE(uiauto::PressKey(dialog, down ? VK_DOWN : VK_UP));
    std::optional<uiauto::LanguageDialogState> moved;
    EXPECT_TRUE(uiauto::WaitUntil([&] {
        moved = uiauto::ReadLanguageDialog(dialog);
        return moved && SelectedData(*moved) == language && moved->caption == TextsOf(language).caption;
    }));
    ASSERT_TRUE(moved);
    EXPECT_EQ(SelectedData(*moved), language);
    ExpectTexts(*moved, TextsOf(language));

    ASSERT_TRUE(uiauto::ClickButton(dialog, uiauto::kCancelButtonId));
    ExpectLauncherEnds();
}

TEST_F(MainPathDialog, ListSkipsCommentsBlankLinesAndZero) {
    StartFromRoot("1040\r\n\r\n# languages of this medium\r\n 1031 German\r\n0\r\n", "it_IT");
    const HWND dialog = WaitForDialog();
    ASSERT_NE(dialog, nullptr) << "no language dialog; the launcher shows " << WhatItShows();
    const auto state = uiauto::ReadLanguageDialog(dialog);
    ASSERT_TRUE(state);
    EXPECT_EQ(EntriesOf(*state), ExpectedEntries({1040, 1031}));

    ASSERT_TRUE(uiauto::ClickButton(dialog, uiauto::kCancelButtonId));
    ExpectLauncherEnds();
}

TEST_F(MainPathDialog, OkWithNothingSelectedKeepsTheDialogOpenWithoutAsking) {
    StartFromRoot("1040\r\n1031\r\n", "en_US");
    const HWND dialog = WaitForDialog();
    ASSERT_NE(dialog, nullptr) << "no language dialog; the launcher shows " << WhatItShows();
    ASSERT_TRUE(uiauto::ClickButton(dialog, uiauto::kOkButtonId));
    EXPECT_EQ(WaitForBox(kNothingHappensWait), nullptr) << "OK asked: " << WhatItShows();
    const auto state = uiauto::ReadLanguageDialog(dialog);
    ASSERT_TRUE(state) << "the dialog closed";
    EXPECT_EQ(state->selectedIndex, -1);
    ExpectTexts(*state, kTemplateTexts);

    // Clicks are handled in order: had OK opened a box, this Cancel would not
    // end the launcher.
    ASSERT_TRUE(uiauto::ClickButton(dialog, uiauto::kCancelButtonId));
    ExpectLauncherEnds();
    ExpectNothingStarted();
}

// --- Confirming and not confirming --------------------------------------------

class MainPathConfirmation : public LauncherTest {};

TEST_F(MainPathConfirmation, TheLastSelectedLanguageIsAskedForAndHandedOver) {
    StartFromRoot(kFiveLanguages, "it_IT");
    const HWND dialog = WaitForDialog();
    ASSERT_NE(dialog, nullptr) << "no language dialog; the launcher shows " << WhatItShows();
    ASSERT_TRUE(uiauto::SelectLanguage(dialog, 1034));
    ASSERT_TRUE(uiauto::SelectLanguage(dialog, 1031));
    const auto state = uiauto::ReadLanguageDialog(dialog);
    ASSERT_TRUE(state);
    ASSERT_NE(state->EntryWithData(1031), nullptr);
    const std::wstring german = state->EntryWithData(1031)->text;

    ASSERT_TRUE(uiauto::ClickButton(dialog, uiauto::kOkButtonId));
    const HWND box = WaitForBox();
    ASSERT_NE(box, nullptr) << "no confirmation box; the launcher shows " << WhatItShows();
    const auto question = uiauto::ReadMessageBox(box);
    ASSERT_TRUE(question);
    EXPECT_EQ(question->text, e2e::ExpectedConfirmation(1031, german));

    ASSERT_TRUE(uiauto::ClickButton(box, IDYES));
    ExpectLauncherEnds();
    ExpectHandedOver(L"E:", {L"E:\\data1.exe /l1031", L"E:\\"}, "Running E:\\data1.exe /l1031 in  E:");
}

TEST_F(MainPathConfirmation, NoKeepsTheDialogOpenWithItsSelectionAndStartsNothing) {
    StartFromRoot(kFiveLanguages, "it_IT");
    const HWND dialog = WaitForDialog();
    ASSERT_NE(dialog, nullptr) << "no language dialog; the launcher shows " << WhatItShows();
    ASSERT_TRUE(uiauto::SelectLanguage(dialog, 1031));
    ASSERT_TRUE(uiauto::ClickButton(dialog, uiauto::kOkButtonId));
    const HWND box = WaitForBox();
    ASSERT_NE(box, nullptr) << "no confirmation box; the launcher shows " << WhatItShows();
    ASSERT_TRUE(uiauto::ClickButton(box, IDNO));
    ASSERT_TRUE(uiauto::WaitForWindowClosed(box)) << "the confirmation box stayed";

    EXPECT_EQ(WaitForBox(kNothingHappensWait), nullptr) << "after No: " << WhatItShows();
    const auto state = uiauto::ReadLanguageDialog(dialog);
    ASSERT_TRUE(state) << "the dialog closed";
    EXPECT_EQ(SelectedData(*state), 1031);
    ExpectTexts(*state, kGermanTexts);
    for (const auto& child : m_launcher->Children()) ADD_FAILURE() << "started " << Narrow(child.image);
    EXPECT_FALSE(e2e::InstallerRecordExists(L"E:"));

    ASSERT_TRUE(uiauto::ClickButton(dialog, uiauto::kCancelButtonId));
    ExpectLauncherEnds();
    ExpectNothingStarted();
}

TEST_F(MainPathConfirmation, MissingInstallerEndsTheRunAfterTheRunningLine) {
    e2e::MediumLayout layout;
    layout.langs = kFiveLanguages;
    layout.withInstaller = false;
    Start(layout, "it_IT");
    const HWND dialog = WaitForDialog();
    ASSERT_NE(dialog, nullptr) << "no language dialog; the launcher shows " << WhatItShows();
    ConfirmWithYes(dialog);
    // A box after Yes would keep the launcher from ending.
    ExpectLauncherEnds();

    const e2e::SetupLog log = e2e::ReadSetupLog();
    EXPECT_EQ(log.LastLine(), "Running E:\\data1.exe /l1040 in  E:") << log.Text();
    EXPECT_TRUE(log.everyLineEndsWithCrLf) << log.Text();
    EXPECT_FALSE(e2e::InstallerRecordExists(L"E:"));
}

// --- Ways to leave the dialog without an installation -------------------------

enum class Leaving { CancelButton, EscapeKey, CloseBox };
struct LeavingCase {
    const char* name;
    Leaving how;
};
void PrintTo(const LeavingCase& c, std::ostream* os) { *os << c.name; }

const LeavingCase kLeavingCases[] = {
    {"CancelButton", Leaving::CancelButton}, {"EscapeKey", Leaving::EscapeKey}, {"CloseBox", Leaving::CloseBox}};

class MainPathLeaving : public LauncherTest, public ::testing::WithParamInterface<LeavingCase> {};

TEST_P(MainPathLeaving, EndsTheLauncherWithoutAnInstaller) {
    StartFromRoot(kFiveLanguages, "it_IT");
    const HWND dialog = WaitForDialog();
    ASSERT_NE(dialog, nullptr) << "no language dialog; the launcher shows " << WhatItShows();
    switch (GetParam().how) {
    case Leaving::CancelButton: ASSERT_TRUE(uiauto::ClickButton(dialog, uiauto::kCancelButtonId)); break;
    case Leaving::EscapeKey: ASSERT_TRUE(uiauto::PressKey(dialog, VK_ESCAPE)); break;
    case Leaving::CloseBox: ASSERT_TRUE(uiauto::PressCloseBox(dialog)); break;
    }
    ExpectLauncherEnds();
    ExpectNothingStarted();
}

INSTANTIATE_TEST_SUITE_P(Cases, MainPathLeaving, ::testing::ValuesIn(kLeavingCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Enter in the language list -----------------------------------------------

struct EnterCase {
    const char* name;
    bool keyDown;
    bool keyUp;
};
void PrintTo(const EnterCase& c, std::ostream* os) { *os << c.name; }

const EnterCase kEnterCases[] = {{"KeyDown", true, false}, {"KeyUp", false, true}, {"KeyPress", true, true}};

class MainPathEnterKey : public LauncherTest, public ::testing::WithParamInterface<EnterCase> {};

TEST_P(MainPathEnterKey, InTheListAsksForConfirmation) {
    const EnterCase& c = GetParam();
    StartFromRoot(kFiveLanguages, "it_IT");
    const HWND dialog = WaitForDialog();
    ASSERT_NE(dialog, nullptr) << "no language dialog; the launcher shows " << WhatItShows();
    const auto state = uiauto::ReadLanguageDialog(dialog);
    ASSERT_TRUE(state);
    ASSERT_EQ(state->focusedControlId, uiauto::kLanguageListId);
    ASSERT_NE(state->EntryWithData(1040), nullptr);

    if (c.keyDown) {
        ASSERT_TRUE(uiauto::PostKeyMessage(dialog, WM_KEYDOWN, VK_RETURN));
    }
    if (c.keyUp) {
        ASSERT_TRUE(uiauto::PostKeyMessage(dialog, WM_KEYUP, VK_RETURN));
    }
    const HWND box = WaitForBox();
    ASSERT_NE(box, nullptr) << "Enter did not ask; the launcher shows " << WhatItShows();
    const auto question = uiauto::ReadMessageBox(box);
    ASSERT_TRUE(question);
    EXPECT_EQ(question->text, e2e::ExpectedConfirmation(1040, state->EntryWithData(1040)->text));

    ASSERT_TRUE(uiauto::ClickButton(box, IDYES));
    ExpectLauncherEnds();
    ExpectHandedOver(L"E:", {L"E:\\data1.exe /l1040", L"E:\\"}, "Running E:\\data1.exe /l1040 in  E:");
}

INSTANTIATE_TEST_SUITE_P(Cases, MainPathEnterKey, ::testing::ValuesIn(kEnterCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Where the launcher lies --------------------------------------------------

struct DirectoryCase {
    const char* name;
    const wchar_t* directory;  // the launcher directory as laid out
    const wchar_t* decoy;      // a program that a command line split at a blank would run, or null
    HandOver expected;
    const char* logLine;
};
void PrintTo(const DirectoryCase& c, std::ostream* os) { *os << c.name; }

const DirectoryCase kDirectoryCases[] = {
    {"Blanks", L"E:\\MY SETUP", L"E:\\MY.exe", {L"E:\\MY SETUP\\data1.exe /l1040", L"E:\\MY SETUP"},
     "Running E:\\MY SETUP\\data1.exe /l1040 in  E:\\MY SETUP"},
    // The directory is upper-cased; the installer's file name is not.
    {"LowerCase", L"E:\\Setup Files", nullptr, {L"E:\\SETUP FILES\\data1.exe /l1040", L"E:\\SETUP FILES"},
     "Running E:\\SETUP FILES\\data1.exe /l1040 in  E:\\SETUP FILES"},
    // The log holds one byte per character: the Cyrillic letters become '?'.
    {"Cyrillic", L"E:\\Установка", nullptr, {L"E:\\Установка\\data1.exe /l1040", L"E:\\Установка"},
     "Running E:\\?????????\\data1.exe /l1040 in  E:\\?????????"},
};

class MainPathLauncherDirectory : public LauncherTest, public ::testing::WithParamInterface<DirectoryCase> {};

TEST_P(MainPathLauncherDirectory, StartsTheInstallerBesideTheLauncher) {
    const DirectoryCase& c = GetParam();
    e2e::MediumLayout layout;
    layout.launcherDirectory = c.directory;
    // Started from the medium's root: the installer still runs in its own directory.
    layout.currentDirectory = e2e::kMediumRoot;
    layout.langs = kFiveLanguages;
    if (c.decoy) e2e::CopyInstallerDouble(c.decoy);
    Start(layout, "it_IT");
    const HWND dialog = WaitForDialog();
    ASSERT_NE(dialog, nullptr) << "no language dialog; the launcher shows " << WhatItShows();
    ConfirmWithYes(dialog);
    ExpectLauncherEnds();

    ExpectHandedOver(c.directory, c.expected, c.logLine);
    if (c.decoy) {
        for (const auto& child : m_launcher->Children()) {
            EXPECT_NE(child.image, L"MY.exe") << "the decoy runs";
        }
        EXPECT_FALSE(e2e::InstallerRecordExists(e2e::kMediumRoot)) << "the decoy ran";
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, MainPathLauncherDirectory, ::testing::ValuesIn(kDirectoryCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
