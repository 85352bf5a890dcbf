#include "fsutil/DirectoryTools.h"

#include <windows.h>

#include <exception>

#include "app/Globals.h"
#include "app/SetupStrings.h"
#include "framework/FileError.h"
#include "framework/FileSearch.h"

namespace {

// Every entry of a directory, hidden and system ones included.
std::wstring AllEntriesOf(const std::wstring& directory) { return directory + L"\\*.*"; }

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

bool CDirectoryTools::CopyTree(const std::wstring& source, const std::wstring& target) {
    // A failure thrown during the walk (out of memory, a file error of the
    // framework) ends the copy; the open searches close as the stack unwinds.
    try {
        return CopyEntries(source, target);
    } catch (const std::exception&) {
        return false;
    } catch (const fw::CFileError&) {
        return false;
    }
}

bool CDirectoryTools::CopyEntries(const std::wstring& source, const std::wstring& target) {
    theLog.Log(L"Copying %s in %s ...", source.c_str(), target.c_str());

    fw::CFileSearch search;
    bool found = search.Start(AllEntriesOf(source));

    // The target, in whatever form it exists, is taken as it is.
    if (!CreatePath(target)) return false;

    for (; found; found = search.Next()) {
        if (search.IsDots()) continue;
        // Joined with one backslash even when the target ends with one: the
        // doubled separator is harmless to the system.
        const std::wstring to = target + L"\\" + LastComponent(search.FullPath());
        const bool copied = search.IsDirectory() ? CopyTree(search.FullPath(), to) : CopyOneFile(search.FullPath(), to);
        if (!copied) return false;
    }
    return true;
}

bool CDirectoryTools::DeleteTree(const std::wstring& directory) {
    try {
        return DeleteEntries(directory);
    } catch (const std::exception&) {
        return false;
    } catch (const fw::CFileError&) {
        return false;
    }
}

bool CDirectoryTools::DeleteEntries(const std::wstring& directory) {
    {
        fw::CFileSearch search;
        for (bool found = search.Start(AllEntriesOf(directory)); found; found = search.Next()) {
            if (search.IsDots()) continue;
            const std::wstring path = search.FullPath();
            const bool removed = search.IsDirectory() ? DeleteTree(path) : ::DeleteFileW(path.c_str()) != FALSE;
            if (!removed) return false;
        }
    }  // the search is closed before its directory goes
    return ::RemoveDirectoryW(directory.c_str()) != FALSE;
}

std::wstring CDirectoryTools::LastComponent(const std::wstring& path) const {
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool CDirectoryTools::CreatePath(const std::wstring& path) {
    if (Exists(path) || ::CreateDirectoryW(path.c_str(), nullptr)) return true;

    DWORD error = ::GetLastError();
    if (error == ERROR_PATH_NOT_FOUND) {
        // Make the parent first, then try once more. The recursion ends at
        // a path without a parent of its own; a retry that still finds no
        // path (the parent is a file, say) is a failure, not another round.
        const std::wstring parent = ParentPath(path);
        if (parent.empty() || parent == path || !CreatePath(parent)) return false;
        if (::CreateDirectoryW(path.c_str(), nullptr)) return true;
        error = ::GetLastError();
    }
    // A path given with a trailing backslash names the parent just made.
    return error == ERROR_ALREADY_EXISTS;
}

void CDirectoryTools::ArchiveTree(const std::wstring& directory) {
    fw::CFileSearch search;
    for (bool found = search.Start(AllEntriesOf(directory)); found; found = search.Next()) {
        if (search.IsDirectory()) {
            if (!search.IsDots()) ArchiveTree(search.FullPath());
        } else {
            ::SetFileAttributesW(search.FullPath().c_str(), FILE_ATTRIBUTE_ARCHIVE);
        }
    }
}

bool CDirectoryTools::CopyOneFile(const std::wstring& source, const std::wstring& target) {
    return ::CopyFileW(source.c_str(), target.c_str(), FALSE) != FALSE;
}

std::wstring CDirectoryTools::ParentPath(const std::wstring& path) { return setup::TextBeforeLastBackslash(path); }
