// The earlier installation: its root from the registry, the paths derived
// from it and whether it is usable.
#include <windows.h>

#include "app/SetupManager.h"
#include "environment/RegistryAccess.h"
#include "framework/FileSearch.h"

namespace {

// Installation code 96 records its root under a fixed key of its own;
// every other code under a key named after the brand.
std::wstring InstallKeyPath(const std::wstring& installation, const std::wstring& brand) {
    if (installation == L"96") return L"SOFTWARE\\Kelbrin\\PathInstallORB4";
    return L"Software\\" + brand + L"\\PathInstallORB4";
}

}  // namespace

bool CSetupManager::GetORB4carPath() {
    CRegistryAccess registry;
    registry.SelectRoot(HKEY_LOCAL_MACHINE);

    const std::wstring keyPath = InstallKeyPath(m_strInstallation, m_strBrand);
    if (!registry.HasKey(keyPath, HKEY_LOCAL_MACHINE)) return false;

    registry.SelectKey(keyPath);
    m_strInstallPath = registry.ReadText(L"", L"");
    m_strWizardConfig = m_strInstallPath + L"\\car\\wizard\\ConfigurationWizard.xml";
    m_strCommonConfig = m_strInstallPath + L"\\common\\CommonConfig.xml";
    m_strCarPath = m_strInstallPath + L"\\car\\misc\\setuplauncher\\";
    m_strTruckPath = m_strInstallPath + L"\\truck\\misc\\setuplauncher\\";
    m_strBikePath = m_strInstallPath + L"\\bike\\misc\\setuplauncher\\";

    // Without a root the derived paths would point at the current drive's
    // root, which is no installation of ours.
    if (m_strInstallPath.empty()) return false;

    // Both are looked for; either one makes the installation usable.
    const bool hasWizardConfig = fw::CFileSearch::Exists(m_strWizardConfig);
    const bool hasCommonConfig = fw::CFileSearch::Exists(m_strCommonConfig);
    return hasWizardConfig || hasCommonConfig;
}
