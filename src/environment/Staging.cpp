// Staging of the medium's sl_dll folder for the next start: the RunOnce
// entry that starts the launcher again with the line switch, and the copy
// of the folder to C:\sl_dll.
#include <windows.h>

#include "app/SetupManager.h"
#include "app/SetupStrings.h"
#include "environment/RegistryAccess.h"
#include "framework/Module.h"
#include "fsutil/DirectoryTools.h"

namespace {

constexpr wchar_t kRunOnceKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Runonce";
constexpr wchar_t kRunOnceValue[] = L"sl_dll";
constexpr wchar_t kStagingFolder[] = L"C:\\sl_dll";

// The command Windows runs at the next logon. A program path with a blank is
// quoted, or the system would cut the command at that blank. The switch
// brings its own leading blank.
std::wstring RunOnceCommand(const std::wstring& program, const std::wstring& lineSwitch) {
    if (program.find(L' ') == std::wstring::npos) return program + lineSwitch;
    return L"\"" + program + L"\"" + lineSwitch;
}

}  // namespace

void CSetupManager::SetRunOnce(const std::wstring& lineSwitch) {
    CRegistryAccess registry;
    registry.SelectRoot(HKEY_LOCAL_MACHINE);
    if (!registry.HasKey(kRunOnceKey, HKEY_LOCAL_MACHINE)) return;

    const std::wstring command = RunOnceCommand(fw::ModuleFileName(MAX_PATH), lineSwitch);
    if (!registry.SelectKey(kRunOnceKey)) return;
    // A command too long for the value is not written; nobody is told.
    registry.WriteText(kRunOnceValue, command);
}

void CSetupManager::CopyLP() {
    CDirectoryTools tools;
    // The copy logs its start; a copy that stops leaves what it has done.
    tools.CopyTree(setup::LauncherDirectory(1000) + L"\\sl_dll", kStagingFolder);
}
