#include "environment/RegistryAccess.h"

#include <cwchar>
#include <vector>

#include "framework/Handles.h"

namespace {

constexpr DWORD kTextCapacity = 255;     // characters read, terminator included
constexpr size_t kLongestWritten = 254;  // characters written, terminator excluded

fw::UniqueHKey OpenKey(HKEY hRoot, const std::wstring& path, REGSAM access) {
    fw::UniqueHKey key;
    if (::RegOpenKeyExW(hRoot, path.c_str(), 0, access, key.Put()) != ERROR_SUCCESS) key.Release();
    return key;
}

}  // namespace

bool CRegistryAccess::SelectRoot(HKEY hRoot) {
    if (hRoot != HKEY_CLASSES_ROOT && hRoot != HKEY_CURRENT_USER && hRoot != HKEY_LOCAL_MACHINE &&
        hRoot != HKEY_USERS) {
        return false;
    }
    m_hRoot = hRoot;
    return true;
}

bool CRegistryAccess::HasKey(const std::wstring& path, HKEY hRoot) const {
    return OpenKey(hRoot, path, KEY_ALL_ACCESS).IsValid();
}

bool CRegistryAccess::SelectKey(const std::wstring& path) {
    if (path.empty()) {
        m_strKeyPath.clear();
        return true;
    }
    if (!OpenKey(m_hRoot, path, KEY_ALL_ACCESS)) return false;
    m_strKeyPath = path;
    return true;
}

DWORD CRegistryAccess::ValueType(const std::wstring& valueName) const {
    const fw::UniqueHKey key = OpenKey(m_hRoot, m_strKeyPath, KEY_QUERY_VALUE);
    if (!key) return 0;
    DWORD type = 0;
    if (::RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS) {
        return 0;
    }
    return type;
}

std::wstring CRegistryAccess::ReadText(const std::wstring& valueName, const std::wstring& defaultText) const {
    const DWORD type = ValueType(valueName);
    if (type != REG_SZ && type != REG_EXPAND_SZ) return defaultText;

    const fw::UniqueHKey key = OpenKey(m_hRoot, m_strKeyPath, KEY_READ);
    if (!key) return defaultText;

    wchar_t buffer[kTextCapacity] = {};
    DWORD bytes = sizeof(buffer);
    if (::RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer),
                           &bytes) != ERROR_SUCCESS) {
        return defaultText;
    }
    // Stored text need not end with a NUL: take no more than was received.
    const size_t received = bytes / sizeof(wchar_t);
    return std::wstring(buffer, ::wcsnlen(buffer, received));
}

bool CRegistryAccess::WriteText(const std::wstring& valueName, const std::wstring& text) const {
    if (text.size() > kLongestWritten) return false;
    const fw::UniqueHKey key = OpenKey(m_hRoot, m_strKeyPath, KEY_WRITE);
    if (!key) return false;
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    return ::RegSetValueExW(key.Get(), valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            bytes) == ERROR_SUCCESS;
}

bool CRegistryAccess::ReadDefaultText(HKEY hRoot, const std::wstring& path, DWORD capacityBytes, std::wstring& text) {
    text.clear();
    const fw::UniqueHKey key = OpenKey(hRoot, path, KEY_QUERY_VALUE);
    if (!key) return false;
    std::vector<wchar_t> buffer(capacityBytes / sizeof(wchar_t), L'\0');
    DWORD type = 0;
    DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (::RegQueryValueExW(key.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &bytes) ==
            ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        text.assign(buffer.data(), ::wcsnlen(buffer.data(), bytes / sizeof(wchar_t)));
    }
    return true;
}
