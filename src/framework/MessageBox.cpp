#include "framework/MessageBox.h"

#include "framework/App.h"

namespace fw {
namespace {

class SystemMessageBox : public IMessageBoxService {
public:
    int Show(HWND owner, const std::wstring& text, const wchar_t* caption, UINT type) override {
        return ::MessageBoxW(owner, text.c_str(), caption, type);
    }
};

SystemMessageBox g_systemMessageBox;
IMessageBoxService* g_service = &g_systemMessageBox;

}  // namespace

void SetMessageBoxService(IMessageBoxService* service) {
    g_service = service ? service : &g_systemMessageBox;
}

int ShowMessageBox(HWND owner, const std::wstring& text, const wchar_t* caption, UINT type) {
    return g_service->Show(owner, text, caption, type);
}

int AppMessageBox(const std::wstring& text, UINT type) {
    if ((type & MB_ICONMASK) == 0) type |= MB_ICONWARNING;
    CAppBase* app = CAppBase::Current();
    const std::wstring title = app ? app->AppName() : std::wstring();
    HWND owner = app ? app->MainWindow() : nullptr;
    return ShowMessageBox(owner, text, title.c_str(), type);
}

}  // namespace fw
