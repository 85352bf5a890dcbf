// Reads and writes string values of one registry key. The object keeps only
// a root and a key path: every operation opens the key it needs and closes
// it again before it returns. Keys are never created.
#pragma once

#include <windows.h>

#include <string>

class CRegistryAccess {
public:
    CRegistryAccess() = default;

    // Accepts HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE and
    // HKEY_USERS; any other handle is refused and the root stays as it was.
    bool SelectRoot(HKEY hRoot);
    // True when root\path opens with full access.
    bool HasKey(const std::wstring& path, HKEY hRoot) const;
    // Selects the key below the current root for the value operations. An
    // empty path selects the root itself; a key that does not open with full
    // access is refused and the selection stays as it was.
    bool SelectKey(const std::wstring& path);

    // The registry type of a value of the selected key (REG_SZ, ...); 0 when
    // the key does not open or the value does not exist. An empty name is
    // the key's default value.
    DWORD ValueType(const std::wstring& valueName) const;
    // A REG_SZ or REG_EXPAND_SZ value (unexpanded) up to its first NUL, or
    // `defaultText` when there is none or it is longer than 254 characters.
    std::wstring ReadText(const std::wstring& valueName, const std::wstring& defaultText) const;
    // Stores `text` (at most 254 characters) as REG_SZ with its terminator.
    bool WriteText(const std::wstring& valueName, const std::wstring& text) const;

    // Reads the default value of root\path, opened for querying only, into a
    // buffer of `capacityBytes`. False when the key does not open; otherwise
    // true, with `text` empty when the value is missing, is not a string or
    // does not fit.
    static bool ReadDefaultText(HKEY hRoot, const std::wstring& path, DWORD capacityBytes, std::wstring& text);

    HKEY GetRoot() const { return m_hRoot; }
    const std::wstring& GetKeyPath() const { return m_strKeyPath; }

private:
    HKEY m_hRoot = HKEY_CURRENT_USER;
    std::wstring m_strKeyPath;
};
