// The file error of the framework: a cause class derived from the system
// error of a failed file operation, and its standard user-facing text.
#pragma once

#include <windows.h>
#include <string>

namespace fw {

class CFileError {
public:
    enum Cause {
        none,
        generic,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile,
    };

    CFileError() = default;
    CFileError(Cause cause, DWORD osError, std::wstring fileName)
        : m_cause(cause), m_osError(osError), m_strFileName(std::move(fileName)) {}

    // Builds the error for a failed operation on `fileName` from its system error.
    static CFileError FromOsError(DWORD osError, const std::wstring& fileName);
    static Cause CauseFromOsError(DWORD osError);

    Cause GetCause() const { return m_cause; }
    DWORD OsError() const { return m_osError; }
    const std::wstring& FileName() const { return m_strFileName; }

    // The standard text of the cause, with %1 replaced by the file name.
    std::wstring GetErrorMessage() const;
    // Shows that text in the application's message box (warning icon, OK).
    void ReportError() const;

private:
    Cause m_cause = none;
    DWORD m_osError = 0;
    std::wstring m_strFileName;
};

}  // namespace fw
