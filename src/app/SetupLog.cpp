#include "app/SetupLog.h"

#include <cstdarg>
#include <string>

#include "app/SetupStrings.h"

namespace {
constexpr wchar_t kLogPath[] = L"c:\\setup.log";
constexpr size_t kLineCapacity = 10240;

// One byte per character; what one byte cannot hold becomes '?'.
std::string ToLogBytes(const std::wstring& text) {
    std::string bytes;
    bytes.reserve(text.size() + 1);
    for (wchar_t c : text) bytes.push_back(c <= 0xFF ? static_cast<char>(c) : '?');
    return bytes;
}
}  // namespace

CSetupLog::~CSetupLog() { CloseLog(); }

BOOL CSetupLog::OpenLog() {
    if (m_bOpen) return TRUE;
    m_bOpen = Open(kLogPath, modeCreate | modeWrite);
    return m_bOpen ? TRUE : FALSE;
}

void CSetupLog::Log(const wchar_t* format, ...) {
    if (!m_bOpen) return;
    va_list args;
    va_start(args, format);
    std::string line = ToLogBytes(setup::FormatV(kLineCapacity, format, args));
    va_end(args);
    line.push_back('\n');
    WriteBytes(line);
}

void CSetupLog::CloseLog() {
    if (!m_bOpen) return;
    Close();
    m_bOpen = false;
}
