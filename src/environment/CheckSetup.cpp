#include "app/Globals.h"

BOOL CSetupManager::CheckSetup() { return TRUE; }
