// The application object: instance start-up, the command line after the
// program name, the application name and the main window.
#pragma once

#include <windows.h>
#include <string>

namespace fw {

class CAppBase {
public:
    CAppBase();
    virtual ~CAppBase();
    CAppBase(const CAppBase&) = delete;
    CAppBase& operator=(const CAppBase&) = delete;

    // The one application object of the process (the last one constructed).
    static CAppBase* Current();

    // Called by the program's entry: stores the instance and the command line,
    // runs InitInstance, then exits.
    int Start(HINSTANCE instance, const wchar_t* commandLine);

    // Derived classes run their start-up here; FALSE means "do not continue"
    // (this framework has no message loop to continue into). The base
    // version has nothing to prepare and answers TRUE.
    virtual BOOL InitInstance();
    virtual int ExitInstance();

    // The program file's name without its extension.
    const std::wstring& AppName() const;
    // The text after the program name, as the process received it.
    const std::wstring& CommandLine() const { return m_strCommandLine; }
    HINSTANCE Instance() const { return m_hInstance; }

    HWND MainWindow() const { return m_hMainWnd; }
    void SetMainWindow(HWND window) { m_hMainWnd = window; }

private:
    HINSTANCE m_hInstance = nullptr;
    std::wstring m_strCommandLine;
    mutable std::wstring m_strAppName;
    HWND m_hMainWnd = nullptr;
};

}  // namespace fw
