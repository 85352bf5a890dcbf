// The launcher's global objects.
#pragma once

#include <windows.h>

#include "app/SetupApp.h"
#include "app/SetupLog.h"
#include "app/SetupManager.h"

extern CSetupLog theLog;
extern CSetupApp theApp;
extern const UINT g_uSetupMessage;
extern CSetupManager theManager;
