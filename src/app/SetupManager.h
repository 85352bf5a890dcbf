// The launcher's state and its operations. One instance, theManager.
#pragma once

#include <windows.h>
#include <string>

class CSetupManager {
public:
    // Command line and accessors.
    void SetCommandLine(const std::wstring& commandLine);
    std::wstring GetLanguage() const;

    // Detection: brand, installation code, earlier installation, staging.
    BOOL CheckSetup();
    bool GetORB4carPath();
    void SetRunOnce(const std::wstring& lineSwitch);
    void CopyLP();

    // Language of an earlier installation.
    std::wstring GetCodeFromISOname(std::wstring isoName) const;
    bool GetLangFromBrandLibrary();
    bool GetLangFromCommonConfig();
    bool GetLangFromWizardConfiguration();

    // Installer hand-off.
    std::wstring GetConfirmationMessage(WORD wLanguage) const;
    void SetLanguageOption(WORD wLanguage);
    void LaunchSetup();

    std::wstring m_strCmdLine;        // trimmed command line
    std::wstring m_strInstallPath;    // install root of an earlier installation
    std::wstring m_strWizardConfig;   // root + \car\wizard\ConfigurationWizard.xml
    std::wstring m_strCommonConfig;   // root + \common\CommonConfig.xml
    std::wstring m_strCarPath;        // root + \car\misc\setuplauncher\ .
    std::wstring m_strTruckPath;      // root + \truck\misc\setuplauncher\ .
    std::wstring m_strBikePath;       // root + \bike\misc\setuplauncher\ .
    std::wstring m_strInstallation;   // installation code from id_file
    std::wstring m_strLanguage;       // installer option " /l<id>", empty until settled
    std::wstring m_strBrand;          // brand from brand\cd_cfg.ini

private:
    // The steps of CheckSetup.
    void MoveStagedFolder(const std::wstring& lineFolder);
    void DeleteInternetModeMarker(const std::wstring& lineSwitchText);
    void StageForNextStart(const std::wstring& ownDirectory, const std::wstring& lineSwitchText);
    void SettleLanguageOfEarlierInstallation();
};
