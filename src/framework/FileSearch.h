// A directory search: the entries that match a path or a pattern such as
// "C:\dir\*.*", one at a time, in the order the system returns them.
#pragma once

#include <windows.h>
#include <string>

#include "framework/Handles.h"

namespace fw {

class CFileSearch {
public:
    // Starts the search; true when at least one entry matched, which is then
    // the current entry. The directory part of `pattern` (up to its last
    // backslash) prefixes each entry's full path.
    bool Start(const std::wstring& pattern);
    // Moves to the next entry; false when there is none (the search is closed).
    bool Next();
    void Close() { m_handle.Reset(); }

    // True when `path` (an exact path or a pattern) matches any entry.
    static bool Exists(const std::wstring& path);

    std::wstring Name() const { return m_data.cFileName; }
    std::wstring FullPath() const { return m_strRoot + L"\\" + Name(); }
    bool IsDirectory() const { return (m_data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    bool IsDots() const;

private:
    UniqueFindHandle m_handle;
    WIN32_FIND_DATAW m_data{};
    std::wstring m_strRoot;
};

}  // namespace fw
