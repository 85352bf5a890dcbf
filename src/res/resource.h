// Resource identifiers of the launcher.
#pragma once

#define IDD_LANGUAGE 102
#define IDI_SETUP 128

#define IDS_CAPTION 130
#define IDS_PROMPT 131
#define IDS_OK 132
#define IDS_CANCEL 133

#define IDC_PROMPT 1000
#define IDC_LANGUAGE 1001
#define IDC_OK_BUTTON 1002
#define IDC_CANCEL_BUTTON 1003
