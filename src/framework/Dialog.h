// A modal dialog from a dialog template, with a modal loop of its own: each
// message passes the dialog's PreTranslateMessage before the dialog manager
// sees it. The dialog is centred on the screen when it opens.
#pragma once

#include <windows.h>
#include <string>

#include "framework/Handles.h"

namespace fw {

class CModalDialog {
public:
    CModalDialog(UINT templateId, HWND parent);
    virtual ~CModalDialog();
    CModalDialog(const CModalDialog&) = delete;
    CModalDialog& operator=(const CModalDialog&) = delete;

    // Shows the dialog and runs its loop until EndDialog; answers the result,
    // or -1 when the dialog could not be created.
    INT_PTR DoModal();
    // Makes the dialog the application's main window while it is open.
    void SetAsMainWindow(bool asMain) { m_bMainWindow = asMain; }

    HWND Handle() const { return m_hWnd; }
    HWND Item(int id) const { return ::GetDlgItem(m_hWnd, id); }
    void EndDialog(INT_PTR result);

    // The framework's pre-translation: the dialog manager's keyboard handling.
    // Answers TRUE when the message was consumed.
    virtual BOOL PreTranslateMessage(MSG* msg);

protected:
    virtual void DoDataExchange() {}
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // Derived dialogs handle their own messages here; answer true when handled
    // and put the dialog procedure's result in `result`.
    virtual bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    void CenterOnScreen();

    UINT m_nTemplateId;
    HWND m_hParent;
    HWND m_hWnd = nullptr;
    UniqueWindow m_window;
    bool m_bEnded = false;
    bool m_bMainWindow = false;
    INT_PTR m_nResult = 0;
};

// A combo box control of a dialog.
class CComboBoxCtrl {
public:
    void Attach(HWND window) { m_hWnd = window; }
    HWND Handle() const { return m_hWnd; }

    void ResetContent() const;
    int AddString(const std::wstring& text) const;
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int index) const;
    LPARAM GetItemData(int index) const;
    void SetItemData(int index, LPARAM data) const;
    std::wstring GetLBText(int index) const;

private:
    HWND m_hWnd = nullptr;
};

// True when `window` is a combo box control.
bool IsComboBox(HWND window);

}  // namespace fw
