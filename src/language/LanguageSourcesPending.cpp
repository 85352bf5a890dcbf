#include "app/SetupManager.h"
bool CSetupManager::GetLangFromBrandLibrary() { return false; }
bool CSetupManager::GetLangFromCommonConfig() { return false; }
bool CSetupManager::GetLangFromWizardConfiguration() { return false; }
