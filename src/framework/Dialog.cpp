#include "framework/Dialog.h"

#include <cwchar>
#include <string>
#include <vector>

#include "framework/App.h"

namespace fw {

CModalDialog::CModalDialog(UINT templateId, HWND parent) : m_nTemplateId(templateId), m_hParent(parent) {}

CModalDialog::~CModalDialog() = default;

INT_PTR CModalDialog::DoModal() {
    CAppBase* app = CAppBase::Current();
    m_bEnded = false;
    m_nResult = -1;
    HWND created = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_nTemplateId), m_hParent,
                                        &CModalDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    if (!created) return -1;
    m_window.Reset(created);
    if (m_bMainWindow && app) app->SetMainWindow(created);
    if (m_hParent) ::EnableWindow(m_hParent, FALSE);
    ::ShowWindow(created, SW_SHOW);

    MSG msg;
    while (!m_bEnded) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (got == -1) break;
        if (!PreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }

    if (m_hParent) ::EnableWindow(m_hParent, TRUE);
    ::ShowWindow(created, SW_HIDE);
    if (m_bMainWindow && app && app->MainWindow() == created) app->SetMainWindow(nullptr);
    m_window.Reset();
    m_hWnd = nullptr;
    return m_nResult;
}

void CModalDialog::EndDialog(INT_PTR result) {
    m_nResult = result;
    m_bEnded = true;
}

BOOL CModalDialog::PreTranslateMessage(MSG* msg) {
    if (!m_hWnd || m_bEnded) return FALSE;
    return ::IsDialogMessageW(m_hWnd, msg);
}

bool CModalDialog::HandleMessage(UINT, WPARAM, LPARAM, INT_PTR&) { return false; }

INT_PTR CALLBACK CModalDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CModalDialog* dialog;
    if (message == WM_INITDIALOG) {
        dialog = reinterpret_cast<CModalDialog*>(lParam);
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        dialog->m_hWnd = window;
    } else {
        dialog = reinterpret_cast<CModalDialog*>(::GetWindowLongPtrW(window, DWLP_USER));
    }
    return dialog ? dialog->Dispatch(message, wParam, lParam) : FALSE;
}

INT_PTR CModalDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    INT_PTR result = FALSE;
    if (message == WM_INITDIALOG) {
        CenterOnScreen();
        DoDataExchange();
        return OnInitDialog();
    }
    if (HandleMessage(message, wParam, lParam, result)) return result;
    if (message == WM_COMMAND) {
        switch (LOWORD(wParam)) {
        case IDOK: OnOK(); return TRUE;
        case IDCANCEL: OnCancel(); return TRUE;
        default: break;
        }
    }
    return FALSE;
}

void CModalDialog::CenterOnScreen() {
    RECT work{};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
        work = monitor.rcWork;
    } else {
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    }
    RECT own{};
    ::GetWindowRect(m_hWnd, &own);
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    const int x = work.left + ((work.right - work.left) - width) / 2;
    const int y = work.top + ((work.bottom - work.top) - height) / 2;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CComboBoxCtrl::ResetContent() const { ::SendMessageW(m_hWnd, CB_RESETCONTENT, 0, 0); }

int CComboBoxCtrl::AddString(const std::wstring& text) const {
    return static_cast<int>(::SendMessageW(m_hWnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

int CComboBoxCtrl::GetCount() const { return static_cast<int>(::SendMessageW(m_hWnd, CB_GETCOUNT, 0, 0)); }

int CComboBoxCtrl::GetCurSel() const { return static_cast<int>(::SendMessageW(m_hWnd, CB_GETCURSEL, 0, 0)); }

int CComboBoxCtrl::SetCurSel(int index) const {
    return static_cast<int>(::SendMessageW(m_hWnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0));
}

LPARAM CComboBoxCtrl::GetItemData(int index) const {
    return ::SendMessageW(m_hWnd, CB_GETITEMDATA, static_cast<WPARAM>(index), 0);
}

void CComboBoxCtrl::SetItemData(int index, LPARAM data) const {
    ::SendMessageW(m_hWnd, CB_SETITEMDATA, static_cast<WPARAM>(index), data);
}

std::wstring CComboBoxCtrl::GetLBText(int index) const {
    const LRESULT length = ::SendMessageW(m_hWnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR || length <= 0) return std::wstring();
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
    ::SendMessageW(m_hWnd, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
    return std::wstring(buffer.data());
}

bool IsComboBox(HWND window) {
    if (!window) return false;
    wchar_t className[32] = {};
    ::GetClassNameW(window, className, 32);
    return ::_wcsicmp(className, L"ComboBox") == 0;
}

}  // namespace fw
