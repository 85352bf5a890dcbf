// The application object: its instance start-up is the launcher's whole run.
#pragma once

#include "framework/App.h"

class CSetupApp : public fw::CAppBase {
public:
    CSetupApp() = default;
    ~CSetupApp() override = default;

    // Runs the launcher once and answers FALSE, so no message loop follows.
    BOOL InitInstance() override;
};
