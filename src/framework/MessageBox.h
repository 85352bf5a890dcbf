// Every message box of the program goes through one replaceable service, so
// that tests can read and answer boxes without a modal loop.
#pragma once

#include <windows.h>
#include <string>

namespace fw {

class IMessageBoxService {
public:
    virtual ~IMessageBoxService() = default;
    // caption may be null: the system's default title is used then.
    virtual int Show(HWND owner, const std::wstring& text, const wchar_t* caption, UINT type) = 0;
};

// Installs a service; null restores the system message box.
void SetMessageBoxService(IMessageBoxService* service);

// Shows a box through the current service.
int ShowMessageBox(HWND owner, const std::wstring& text, const wchar_t* caption, UINT type);

// The application's message box: the application's name as title, the main
// window as owner, and a warning icon when the type names no icon.
int AppMessageBox(const std::wstring& text, UINT type = MB_OK);

}  // namespace fw
