#include "framework/FileError.h"

#include "framework/MessageBox.h"

namespace fw {
namespace {

struct OsErrorCause {
    DWORD osError;
    CFileError::Cause cause;
};

// System errors that file operations report, by the cause they belong to.
constexpr OsErrorCause kOsErrorCauses[] = {
    {ERROR_FILE_NOT_FOUND, CFileError::fileNotFound},
    {ERROR_INVALID_HANDLE, CFileError::fileNotFound},
    {ERROR_NO_MORE_FILES, CFileError::fileNotFound},
    {ERROR_DISK_CHANGE, CFileError::fileNotFound},

    {ERROR_PATH_NOT_FOUND, CFileError::badPath},
    {ERROR_INVALID_DRIVE, CFileError::badPath},
    {ERROR_NOT_SAME_DEVICE, CFileError::badPath},
    {ERROR_WRONG_DISK, CFileError::badPath},
    {ERROR_BAD_NETPATH, CFileError::badPath},
    {ERROR_BAD_NET_NAME, CFileError::badPath},
    {ERROR_DEV_NOT_EXIST, CFileError::badPath},
    {ERROR_INVALID_NAME, CFileError::badPath},
    {ERROR_BAD_PATHNAME, CFileError::badPath},
    {ERROR_FILENAME_EXCED_RANGE, CFileError::badPath},
    {ERROR_DIRECTORY, CFileError::badPath},
    {ERROR_INVALID_PARAMETER, CFileError::badPath},

    {ERROR_TOO_MANY_OPEN_FILES, CFileError::tooManyOpenFiles},
    {ERROR_SHARING_BUFFER_EXCEEDED, CFileError::tooManyOpenFiles},

    {ERROR_ACCESS_DENIED, CFileError::accessDenied},
    {ERROR_INVALID_ACCESS, CFileError::accessDenied},
    {ERROR_WRITE_PROTECT, CFileError::accessDenied},
    {ERROR_NETWORK_ACCESS_DENIED, CFileError::accessDenied},
    {ERROR_FILE_EXISTS, CFileError::accessDenied},
    {ERROR_ALREADY_EXISTS, CFileError::accessDenied},
    {ERROR_CANNOT_MAKE, CFileError::accessDenied},

    {ERROR_BAD_FORMAT, CFileError::invalidFile},
    {ERROR_CURRENT_DIRECTORY, CFileError::removeCurrentDir},

    {ERROR_NOT_READY, CFileError::hardIO},
    {ERROR_BAD_UNIT, CFileError::hardIO},
    {ERROR_BAD_COMMAND, CFileError::hardIO},
    {ERROR_CRC, CFileError::hardIO},
    {ERROR_BAD_LENGTH, CFileError::hardIO},
    {ERROR_SEEK, CFileError::hardIO},
    {ERROR_NOT_DOS_DISK, CFileError::hardIO},
    {ERROR_SECTOR_NOT_FOUND, CFileError::hardIO},
    {ERROR_WRITE_FAULT, CFileError::hardIO},
    {ERROR_READ_FAULT, CFileError::hardIO},
    {ERROR_GEN_FAILURE, CFileError::hardIO},
    {ERROR_NET_WRITE_FAULT, CFileError::hardIO},
    {ERROR_ADAP_HDW_ERR, CFileError::hardIO},
    {ERROR_UNEXP_NET_ERR, CFileError::hardIO},

    {ERROR_SHARING_VIOLATION, CFileError::sharingViolation},
    {ERROR_LOCK_VIOLATION, CFileError::lockViolation},
    {ERROR_DRIVE_LOCKED, CFileError::lockViolation},
    {ERROR_LOCK_FAILED, CFileError::lockViolation},

    {ERROR_HANDLE_DISK_FULL, CFileError::diskFull},
    {ERROR_DISK_FULL, CFileError::diskFull},
    {ERROR_HANDLE_EOF, CFileError::endOfFile},
};

const wchar_t* TextOfCause(CFileError::Cause cause) {
    switch (cause) {
    case CFileError::fileNotFound: return L"%1 was not found.";
    case CFileError::badPath: return L"%1 contains an invalid path.";
    case CFileError::tooManyOpenFiles:
        return L"%1 could not be opened because there are too many open files.";
    case CFileError::accessDenied: return L"Access to %1 was denied.";
    case CFileError::invalidFile: return L"An invalid file handle was associated with %1.";
    case CFileError::removeCurrentDir:
        return L"%1 could not be removed because it is the current directory.";
    case CFileError::directoryFull:
        return L"%1 could not be created because the directory is full.";
    case CFileError::badSeek: return L"Seek failed on %1";
    case CFileError::hardIO: return L"A hardware I/O error was reported while accessing %1.";
    case CFileError::sharingViolation: return L"A sharing violation occurred while accessing %1.";
    case CFileError::lockViolation: return L"A locking violation occurred while accessing %1.";
    case CFileError::diskFull: return L"Disk full while accessing %1.";
    case CFileError::endOfFile: return L"An attempt was made to access %1 past its end.";
    default: return L"An unknown error occurred while accessing %1.";
    }
}

}  // namespace

CFileError::Cause CFileError::CauseFromOsError(DWORD osError) {
    for (const OsErrorCause& entry : kOsErrorCauses) {
        if (entry.osError == osError) return entry.cause;
    }
    return generic;
}

CFileError CFileError::FromOsError(DWORD osError, const std::wstring& fileName) {
    return CFileError(CauseFromOsError(osError), osError, fileName);
}

std::wstring CFileError::GetErrorMessage() const {
    std::wstring text = TextOfCause(m_cause);
    const size_t at = text.find(L"%1");
    if (at != std::wstring::npos) text.replace(at, 2, m_strFileName);
    return text;
}

void CFileError::ReportError() const { AppMessageBox(GetErrorMessage(), MB_OK | MB_ICONWARNING); }

}  // namespace fw
