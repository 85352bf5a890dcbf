#include "app/SetupApp.h"

#include <commctrl.h>

#include "app/Globals.h"
#include "framework/ComPtr.h"
#include "language/LanguageDlg.h"

BOOL CSetupApp::InitInstance() {
    ::InitCommonControls();
    fw::CAppBase::InitInstance();
    // The configuration files of an earlier installation are read through COM.
    const fw::ComInitializer com;

    theLog.OpenLog();
    ::PostMessageW(HWND_BROADCAST, g_uSetupMessage, 0, 0);
    theManager.SetCommandLine(CommandLine());

    if (!theManager.CheckSetup()) return FALSE;

    if (!theManager.GetLanguage().empty()) {
        theManager.LaunchSetup();
        return FALSE;
    }

    theLog.Log(L"Starting languages dialog.");
    CLanguageDlg dialog(nullptr);
    dialog.SetAsMainWindow(true);
    dialog.DoModal();
    return FALSE;
}
