#include "app/SetupManager.h"

#include "app/SetupStrings.h"

void CSetupManager::SetCommandLine(const std::wstring& commandLine) {
    m_strCmdLine = setup::TrimWhiteSpace(commandLine);
}

std::wstring CSetupManager::GetLanguage() const { return m_strLanguage; }
