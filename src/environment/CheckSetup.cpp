// Detection: the brand, then either the staging run of a line switch or the
// installation run (installation code, vehicle line, the earlier
// installation's marker, staging for the next start, the language).
#include <string>

#include "app/Globals.h"
#include "app/SetupStrings.h"
#include "environment/RegistryAccess.h"
#include "framework/FileError.h"
#include "framework/FileOps.h"
#include "framework/FileSearch.h"
#include "framework/MessageBox.h"
#include "framework/Profile.h"
#include "framework/TextFile.h"
#include "fsutil/DirectoryTools.h"

namespace {

constexpr wchar_t kStagingFolder[] = L"C:\\sl_dll";
constexpr wchar_t kDefaultBrand[] = L"zantorORB4";
constexpr wchar_t kKelbrinKey[] = L"Software\\Kelbrin\\pathInstallORB4";
constexpr wchar_t kKelbrinCode[] = L"96";
constexpr unsigned kRegistryTextBytes = 500;

// The line switches of the staging run, in the order they are tested.
struct LineSwitch {
    const wchar_t* text;
    std::wstring CSetupManager::*target;
};
const LineSwitch kLineSwitches[] = {
    {L"-car", &CSetupManager::m_strCarPath},
    {L"-truck", &CSetupManager::m_strTruckPath},
    {L"-bike", &CSetupManager::m_strBikePath},
};

const LineSwitch* FindLineSwitch(const std::wstring& commandLine) {
    for (const LineSwitch& lineSwitch : kLineSwitches) {
        if (setup::EqualsNoCaseAscii(commandLine, lineSwitch.text)) return &lineSwitch;
    }
    return nullptr;
}

// Installation codes and the vehicle line each one installs.
struct InstallationCode {
    const wchar_t* code;
    const wchar_t* lineSwitch;
};
const InstallationCode kInstallationCodes[] = {
    {L"60", L" -car"},   {L"70", L" -car"},   {L"98", L" -car"},  {L"99", L" -car"},
    {L"61", L" -truck"}, {L"71", L" -truck"}, {L"96", L" -truck"},
    {L"62", L" -bike"},  {L"72", L" -bike"},
};

std::wstring LineSwitchOfCode(const std::wstring& code) {
    for (const InstallationCode& entry : kInstallationCodes) {
        if (code == entry.code) return entry.lineSwitch;
    }
    return std::wstring();
}

// The code of one id_file line: the first "idp=" must not open the line; one
// character after it is skipped, and the next two are the code.
bool CodeOfIdLine(const std::wstring& line, std::wstring& code) {
    const size_t at = line.find(L"idp=");
    if (at == std::wstring::npos || at == 0) return false;
    const size_t start = at + 5;
    code = start < line.size() ? line.substr(start, 2) : std::wstring();
    return true;
}

// The installation code from id_file in the current directory; a file that
// cannot be opened is reported and gives an empty code.
std::wstring ReadInstallationCode() {
    fw::CTextFile file;
    fw::CFileError error;
    if (!file.Open(L"id_file", fw::CTextFile::modeRead, &error)) {
        error.ReportError();
        return std::wstring();
    }
    std::wstring code;
    std::wstring line;
    while (file.ReadLine(line)) CodeOfIdLine(line, code);
    return code;
}

}  // namespace

BOOL CSetupManager::CheckSetup() {
    // Known before anything can fail, so that a failed staging run still ends.
    const LineSwitch* lineSwitch = FindLineSwitch(m_strCmdLine);
    try {
        const std::wstring ownDirectory = setup::LauncherDirectory(1000);
        const std::wstring brandFile = ownDirectory + L"\\brand\\cd_cfg.ini";
        m_strBrand = fw::ReadProfileString(brandFile, L"Registry", L"Brand_new", kDefaultBrand, 1024);
        theLog.Log(L"Loaded brand %s from %s.", m_strBrand.c_str(), brandFile.c_str());

        if (lineSwitch) {
            theLog.Log(L"Found %s parameter.", lineSwitch->text);
            MoveStagedFolder(this->*(lineSwitch->target));
            return FALSE;
        }

        m_strInstallation = ReadInstallationCode();
        theLog.Log(L"Installazione :%s", m_strInstallation.c_str());
        const std::wstring lineSwitchText = LineSwitchOfCode(m_strInstallation);

        DeleteInternetModeMarker(lineSwitchText);
        StageForNextStart(ownDirectory, lineSwitchText);
        SettleLanguageOfEarlierInstallation();
        return TRUE;
    } catch (...) {
        fw::AppMessageBox(L"Check setup error");
        return lineSwitch ? FALSE : TRUE;
    }
}

void CSetupManager::MoveStagedFolder(const std::wstring& lineFolder) {
    if (!GetORB4carPath()) return;
    theLog.Log(L"GetORB4carPath return true");
    if (!fw::CFileSearch::Exists(kStagingFolder)) return;
    theLog.Log(L"Found C:\\sl_dll");

    CDirectoryTools tools;
    if (!tools.CopyTree(kStagingFolder, lineFolder)) return;
    CDirectoryTools::ArchiveTree(lineFolder);
    CDirectoryTools::ArchiveTree(kStagingFolder);
    tools.DeleteTree(kStagingFolder);
}

void CSetupManager::DeleteInternetModeMarker(const std::wstring& lineSwitchText) {
    std::wstring installRoot;
    if (m_strInstallation == kKelbrinCode) {
        if (CRegistryAccess::ReadDefaultText(HKEY_LOCAL_MACHINE, kKelbrinKey, kRegistryTextBytes, installRoot)) {
            theLog.Log(L"Read %s from Software\\Kelbrin\\pathInstallORB4", installRoot.c_str());
        }
        return;
    }

    const std::wstring key = L"Software\\" + m_strBrand + L"\\pathInstallORB4";
    if (!CRegistryAccess::ReadDefaultText(HKEY_LOCAL_MACHINE, key, kRegistryTextBytes, installRoot)) return;
    theLog.Log(L"Read %s from %s", installRoot.c_str(), key.c_str());
    if (installRoot.empty()) return;

    const std::wstring lineName = lineSwitchText.size() > 2 ? lineSwitchText.substr(2) : std::wstring();
    const std::wstring marker = installRoot + L"\\" + lineName + L"\\misc\\setuplauncher\\InternetMode";
    fw::DeleteOneFile(marker);
    theLog.Log(L"Deleted %s.", marker.c_str());
}

void CSetupManager::StageForNextStart(const std::wstring& ownDirectory, const std::wstring& lineSwitchText) {
    if (!fw::CFileSearch::Exists(ownDirectory + L"\\sl_dll\\*.*")) return;
    if (lineSwitchText.empty()) {
        fw::ShowMessageBox(nullptr, L"Numeric value not available", nullptr, MB_OK);
        return;
    }
    SetRunOnce(lineSwitchText);
    CopyLP();
    theLog.Log(L"Set %s runonce and CopyLP.", lineSwitchText.c_str());
}

void CSetupManager::SettleLanguageOfEarlierInstallation() {
    if (!GetORB4carPath()) return;
    theLog.Log(L"GetORB4carPath return true");
    if (GetLangFromBrandLibrary()) return;
    if (GetLangFromCommonConfig()) return;
    theLog.Log(L"GetLangFromCommonConfig return false");
    const bool found = GetLangFromWizardConfiguration();
    theLog.Log(L"GetLangFromWizardConfiguration return %d", found ? 1 : 0);
}
