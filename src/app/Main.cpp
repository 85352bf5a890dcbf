// The program's entry: harden the process, then run the application object.
#include <windows.h>

#include "app/SetupStrings.h"
#include "framework/App.h"
#include "framework/Module.h"

namespace {

// Libraries the launcher loads by name (the brand library) are looked for
// beside the launcher, in the system folders and on PATH, but never in the
// current directory, which may be any folder the user started from.
void RemoveCurrentDirectoryFromDllSearch() {
    const std::wstring path = fw::ModuleFileName(MAX_PATH * 2);
    const size_t slash = path.rfind(L'\\');
    if (slash == std::wstring::npos) return;
    ::SetDllDirectoryW(path.substr(0, slash + 1).c_str());
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    ::HeapSetInformation(nullptr, HeapEnableTerminationOnCorruption, nullptr, 0);
    RemoveCurrentDirectoryFromDllSearch();
    fw::CAppBase* app = fw::CAppBase::Current();
    return app ? app->Start(instance, commandLine) : 1;
}
