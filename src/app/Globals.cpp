// The globals live in this one file so that they are constructed in this
// order and destroyed in the reverse order at exit.
#include "app/Globals.h"

CSetupLog theLog;
CSetupApp theApp;
const UINT g_uSetupMessage = ::RegisterWindowMessageW(L"5D20F1A7-93B6-4e1c-8C0B-71E4A9D3B260");
CSetupManager theManager;
