// The setup log c:\setup.log: one line of 8-bit text per call.
#pragma once

#include <windows.h>

#include "framework/TextFile.h"

class CSetupLog : public fw::CTextFile {
public:
    CSetupLog() = default;
    ~CSetupLog() override;

    // Creates or empties c:\setup.log and keeps it to this process while it
    // is open. TRUE when the log is open (also when it already was).
    BOOL OpenLog();
    // Formats one line (wide printf conventions) and writes it with CR LF.
    // Characters above U+00FF are written as '?'. Does nothing while closed.
    void Log(const wchar_t* format, ...);
    // Flushes and closes the file; the program's exit does this.
    void CloseLog();

    bool m_bOpen = false;
};
