// Installer hand-off: the confirmation text, the language option and the
// start of data1.exe.
#include <windows.h>

#include <new>
#include <vector>

#include "app/Globals.h"
#include "app/SetupStrings.h"
#include "framework/Handles.h"
#include "framework/MessageBox.h"
#include "framework/Profile.h"

namespace {

constexpr unsigned kProfileCapacity = 1024;

// Starts `program` with `commandLine` in `directory` and does not wait for
// it. The program is named separately, so blanks in its path cannot make the
// system run another file.
void StartInstaller(const std::wstring& program, const std::wstring& commandLine, const std::wstring& directory) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
    writable.push_back(L'\0');
    if (::CreateProcessW(program.c_str(), writable.data(), nullptr, nullptr, FALSE, CREATE_NEW_PROCESS_GROUP,
                         nullptr, directory.c_str(), &startup, &process)) {
        fw::UniqueKernelHandle processHandle(process.hProcess);
        fw::UniqueKernelHandle threadHandle(process.hThread);
    }
}

}  // namespace

void CSetupManager::LaunchSetup() {
    try {
        const std::wstring directory = setup::LauncherDirectory(1000);
        const std::wstring program = directory + L"\\data1.exe";
        const std::wstring commandLine = program + m_strLanguage;
        theLog.Log(L"Running %s in  %s", commandLine.c_str(), directory.c_str());
        StartInstaller(program, commandLine, directory);
    } catch (...) {
        fw::AppMessageBox(L"LaunchSetup error", MB_OK);
    }
}

void CSetupManager::SetLanguageOption(WORD wLanguage) {
    m_strLanguage = L" /l" + setup::Format(L"%d", static_cast<int>(wLanguage));
}

std::wstring CSetupManager::GetConfirmationMessage(WORD wLanguage) const {
    const std::wstring key = setup::Format(L"%d", static_cast<int>(wLanguage));
    const std::wstring iniPath = setup::LauncherDirectory(1024) + L"\\brand\\cd_cfg.ini";

    std::wstring text = fw::ReadProfileString(iniPath, L"msg", key, L"", kProfileCapacity);
    if (text.empty()) text = fw::ReadProfileString(iniPath, L"msg", L"2057", L"", kProfileCapacity);

    text = setup::ReplaceAll(text, L"[ProductName]",
                             fw::ReadProfileString(iniPath, L"Setup", L"ProductName", L"", kProfileCapacity));
    text = setup::ReplaceAll(text, L"[DisplayVersion]",
                             fw::ReadProfileString(iniPath, L"Display", L"DisplayVersion", L"", kProfileCapacity));
    return text;
}
