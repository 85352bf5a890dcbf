#include "language/LanguageDlg.h"

#include <cwctype>

#include "app/Globals.h"
#include "app/SetupStrings.h"
#include "framework/Handles.h"
#include "framework/MessageBox.h"
#include "framework/TextFile.h"
#include "res/resource.h"

namespace {

constexpr WORD kEnglishUK = 2057;
constexpr WORD kEnglishUS = 1033;
constexpr LCID kSpanishModernSort = 3082;
constexpr LCID kSpanishTraditionalSort = 1034;

HRSRC FindStringBlock(HMODULE module, UINT id, WORD wLanguage) {
    return ::FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), wLanguage);
}

// The entry `id` of a string block: its 16-bit length and its characters.
const WCHAR* StringEntry(HMODULE module, HRSRC block, UINT id, WORD& length) {
    HGLOBAL loaded = ::LoadResource(module, block);
    const WCHAR* entry = loaded ? static_cast<const WCHAR*>(::LockResource(loaded)) : nullptr;
    length = 0;
    if (!entry) return nullptr;
    for (UINT skip = id % 16; skip > 0; --skip) entry += 1 + *entry;
    length = *entry;
    return entry + 1;
}

int ShowLastErrorBox() {
    const DWORD error = ::GetLastError();
    fw::UniqueLocalMemory message;
    ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                     reinterpret_cast<LPWSTR>(message.Put()), 0, nullptr);
    const wchar_t* text = message ? static_cast<const wchar_t*>(message.Get()) : L"";
    fw::ShowMessageBox(nullptr, text, L"Error", MB_OK | MB_ICONINFORMATION);
    return 0;
}

}  // namespace

int LoadStringForLanguage(HMODULE module, UINT id, WORD wLanguage, std::wstring& target) {
    if (!module) module = ::GetModuleHandleW(nullptr);
    HRSRC block = FindStringBlock(module, id, wLanguage);
    if (!block) block = FindStringBlock(module, id, kEnglishUK);
    if (!block) return ShowLastErrorBox();

    WORD length = 0;
    const WCHAR* text = StringEntry(module, block, id, length);
    if (!text) return ShowLastErrorBox();
    if (length == 0) {
        HRSRC english = FindStringBlock(module, id, kEnglishUS);
        if (!english) return ShowLastErrorBox();
        text = StringEntry(module, english, id, length);
        if (!text) return ShowLastErrorBox();
    }
    target.assign(text, length);
    return length;
}

CLanguageDlg::CLanguageDlg(HWND parent)
    : fw::CModalDialog(IDD_LANGUAGE, parent),
      m_hIcon(static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_SETUP), IMAGE_ICON,
                                              0, 0, LR_DEFAULTSIZE | LR_SHARED))) {}

CLanguageDlg::~CLanguageDlg() = default;

long CLanguageDlg::ParseLanguageLine(const std::wstring& line) {
    size_t at = 0;
    while (at < line.size() && std::iswspace(line[at])) ++at;
    bool negative = false;
    if (at < line.size() && (line[at] == L'+' || line[at] == L'-')) negative = line[at++] == L'-';
    unsigned long value = 0;
    for (; at < line.size() && line[at] >= L'0' && line[at] <= L'9'; ++at) {
        value = value * 10 + static_cast<unsigned long>(line[at] - L'0');
    }
    const long result = static_cast<long>(value);
    return negative ? -result : result;
}

std::wstring CLanguageDlg::GetLanguageName(WORD wLanguage) {
    wchar_t name[256] = {};
    if (!::GetLocaleInfoW(MAKELCID(wLanguage, SORT_DEFAULT), LOCALE_SLANGUAGE, name, 256)) return std::wstring();
    return name;
}

void CLanguageDlg::DoDataExchange() { m_cboLanguage.Attach(Item(IDC_LANGUAGE)); }

BOOL CLanguageDlg::OnInitDialog() {
    ::SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    SelectInitialLanguage();
    return TRUE;
}

void CLanguageDlg::FillLanguageList(const fw::CComboBoxCtrl& comboBox) {
    fw::CTextFile file;
    if (!file.Open(setup::LauncherDirectory(1000) + L"\\brand\\langs.txt", fw::CTextFile::modeRead)) return;
    comboBox.ResetContent();
    std::wstring line;
    while (file.ReadLine(line)) {
        const long value = ParseLanguageLine(line);
        if (value == 0) continue;
        const int index = comboBox.AddString(GetLanguageName(LOWORD(value)));
        comboBox.SetItemData(index, static_cast<LPARAM>(value));
    }
}

bool CLanguageDlg::SelectLanguage(WORD wLanguage) {
    for (int index = 0; index < m_cboLanguage.GetCount(); ++index) {
        if (m_cboLanguage.GetItemData(index) == static_cast<LPARAM>(wLanguage)) {
            m_cboLanguage.SetCurSel(index);
            return true;
        }
    }
    return false;
}

void CLanguageDlg::SelectInitialLanguage() {
    FillLanguageList(m_cboLanguage);
    LCID system = ::GetSystemDefaultLCID();
    if (system == kSpanishModernSort) system = kSpanishTraditionalSort;
    WORD language = LOWORD(system);
    if (!SelectLanguage(language)) {
        if (!SelectLanguage(kEnglishUK)) {
            m_wLanguage = kEnglishUK;
            return;
        }
        language = kEnglishUK;
    }
    LoadDialogTexts(language);
    ApplyDialogTexts();
    m_wLanguage = language;
}

void CLanguageDlg::LoadDialogTexts(WORD wLanguage) {
    LoadStringForLanguage(nullptr, IDS_CAPTION, wLanguage, m_strCaption);
    LoadStringForLanguage(nullptr, IDS_PROMPT, wLanguage, m_strPrompt);
    LoadStringForLanguage(nullptr, IDS_OK, wLanguage, m_strOkText);
    LoadStringForLanguage(nullptr, IDS_CANCEL, wLanguage, m_strCancelText);
}

void CLanguageDlg::ApplyDialogTexts() {
    ::SetWindowTextW(Handle(), m_strCaption.c_str());
    ::SetDlgItemTextW(Handle(), IDC_OK_BUTTON, m_strOkText.c_str());
    ::SetDlgItemTextW(Handle(), IDC_CANCEL_BUTTON, m_strCancelText.c_str());
    ::SetDlgItemTextW(Handle(), IDC_PROMPT, m_strPrompt.c_str());
}

bool CLanguageDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& result) {
    switch (message) {
    case WM_PAINT:
        if (!::IsIconic(Handle())) return false;
        OnPaint();
        result = TRUE;
        return true;
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<INT_PTR>(OnQueryDragIcon());
        return true;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_LANGUAGE && HIWORD(wParam) == CBN_SELCHANGE) {
            OnSelchangeLanguage();
        } else if (LOWORD(wParam) == IDC_CANCEL_BUTTON && HIWORD(wParam) == BN_CLICKED) {
            OnClickedCancel();
        } else if (LOWORD(wParam) == IDC_OK_BUTTON && HIWORD(wParam) == BN_CLICKED) {
            OnClickedOk();
        } else {
            return false;
        }
        result = TRUE;
        return true;
    default:
        return false;
    }
}

void CLanguageDlg::OnPaint() {
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(Handle(), &paint);
    ::SendMessageW(Handle(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    ::GetClientRect(Handle(), &client);
    const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc, x, y, m_hIcon);
    ::EndPaint(Handle(), &paint);
}

void CLanguageDlg::OnSelchangeLanguage() {
    const int selected = m_cboLanguage.GetCurSel();
    if (selected < 0) return;
    const LPARAM value = m_cboLanguage.GetItemData(selected);
    const WORD language = LOWORD(value);
    if (!SelectLanguage(language)) return;
    LoadDialogTexts(language);
    ApplyDialogTexts();
    m_wLanguage = language;
}

void CLanguageDlg::OnClickedOk() {
    const int selected = m_cboLanguage.GetCurSel();
    // Nothing to confirm while no language is selected: the dialog stays open.
    if (selected < 0) return;
    std::wstring text = theManager.GetConfirmationMessage(m_wLanguage);
    text = setup::ReplaceAll(text, L"[language]", m_cboLanguage.GetLBText(selected));
    if (fw::AppMessageBox(text, MB_YESNO | MB_ICONWARNING) != IDYES) return;
    theManager.SetLanguageOption(m_wLanguage);
    theManager.LaunchSetup();
    EndDialog(IDOK);
}

void CLanguageDlg::OnClickedCancel() { EndDialog(0); }

void CLanguageDlg::OnOK() {}

BOOL CLanguageDlg::PreTranslateMessage(MSG* msg) {
    if (msg->wParam == VK_RETURN && (msg->message == WM_KEYDOWN || msg->message == WM_KEYUP) &&
        fw::IsComboBox(::GetFocus())) {
        OnClickedOk();
    }
    return fw::CModalDialog::PreTranslateMessage(msg);
}
