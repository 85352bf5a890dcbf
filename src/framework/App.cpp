#include "framework/App.h"

#include "framework/Module.h"

namespace fw {
namespace {
CAppBase* g_currentApp = nullptr;
}

CAppBase::CAppBase() { g_currentApp = this; }

CAppBase::~CAppBase() {
    if (g_currentApp == this) g_currentApp = nullptr;
}

CAppBase* CAppBase::Current() { return g_currentApp; }

int CAppBase::Start(HINSTANCE instance, const wchar_t* commandLine) {
    m_hInstance = instance;
    m_strCommandLine = commandLine ? commandLine : L"";
    // This framework runs no message loop: whatever InitInstance answers, the
    // application exits when it returns.
    InitInstance();
    return ExitInstance();
}

BOOL CAppBase::InitInstance() { return TRUE; }

int CAppBase::ExitInstance() { return 0; }

const std::wstring& CAppBase::AppName() const {
    if (m_strAppName.empty()) {
        std::wstring name = ModuleFileName(2 * MAX_PATH);
        const size_t slash = name.find_last_of(L"\\/");
        if (slash != std::wstring::npos) name.erase(0, slash + 1);
        const size_t dot = name.rfind(L'.');
        if (dot != std::wstring::npos) name.erase(dot);
        m_strAppName = name;
    }
    return m_strAppName;
}

}  // namespace fw
