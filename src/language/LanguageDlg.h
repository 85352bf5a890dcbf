// The language-choice dialog: the languages of brand\langs.txt, the dialog's
// own texts in the selected language, and the confirmed hand-off.
#pragma once

#include <windows.h>
#include <string>

#include "framework/Dialog.h"

class CLanguageDlg : public fw::CModalDialog {
public:
    explicit CLanguageDlg(HWND parent);
    ~CLanguageDlg() override;

    BOOL PreTranslateMessage(MSG* msg) override;

    // The value of one line of brand\langs.txt: optional blanks, an optional
    // sign, decimal digits; 0 when the line holds no number there.
    static long ParseLanguageLine(const std::wstring& line);
    // The system's name for a language; empty when it does not know it.
    static std::wstring GetLanguageName(WORD wLanguage);

    WORD Language() const { return m_wLanguage; }

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void FillLanguageList(const fw::CComboBoxCtrl& comboBox);
    bool SelectLanguage(WORD wLanguage);
    void SelectInitialLanguage();
    void LoadDialogTexts(WORD wLanguage);
    void ApplyDialogTexts();

    void OnPaint();
    HICON OnQueryDragIcon() const { return m_hIcon; }
    void OnSelchangeLanguage();
    void OnClickedOk();
    void OnClickedCancel();

    HICON m_hIcon;
    std::wstring m_strCaption;
    std::wstring m_strPrompt;
    std::wstring m_strOkText;
    std::wstring m_strCancelText;
    WORD m_wLanguage = 0;
    fw::CComboBoxCtrl m_cboLanguage;
};

// The string `id` of `module` (null: the launcher) in language wLanguage,
// else in 2057; an empty entry is taken from the 1033 block. Answers the
// length copied into `target`, or 0 after showing the system's error text.
int LoadStringForLanguage(HMODULE module, UINT id, WORD wLanguage, std::wstring& target);
