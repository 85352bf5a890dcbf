// Copying, deleting, creating and re-attributing directory trees on the local
// file system. Paths are in Windows form with backslash separators.
#pragma once

#include <string>

class CDirectoryTools {
public:
    CDirectoryTools() = default;
    virtual ~CDirectoryTools() = default;

    // Copies every entry below `source` into `target`, creating `target` and
    // its missing parents first. Existing files are overwritten, files that
    // the source does not have stay. Stops at the first entry that fails and
    // keeps what was copied so far. Logs one line per directory copied.
    bool CopyTree(const std::wstring& source, const std::wstring& target);
    // Removes `directory` with everything below it; stops at the first entry
    // that cannot be removed (a read-only file, for one).
    bool DeleteTree(const std::wstring& directory);
    // The text after the last backslash; the whole path when there is none.
    std::wstring LastComponent(const std::wstring& path) const;

    // Creates the directory and any missing parents; true when something
    // exists at `path` afterwards.
    static bool CreatePath(const std::wstring& path);
    // Gives every file below `directory` the archive attribute alone (which
    // clears read-only, hidden and system); directories keep theirs.
    static void ArchiveTree(const std::wstring& directory);
    // Copies one file over an existing one, taking the source's attributes.
    static bool CopyOneFile(const std::wstring& source, const std::wstring& target);
    // The text before the last backslash; empty when there is none.
    static std::wstring ParentPath(const std::wstring& path);

private:
    bool CopyEntries(const std::wstring& source, const std::wstring& target);
    bool DeleteEntries(const std::wstring& directory);
};
