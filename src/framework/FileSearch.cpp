#include "framework/FileSearch.h"

#include <cwchar>

namespace fw {

bool CFileSearch::Start(const std::wstring& pattern) {
    m_handle.Reset(::FindFirstFileW(pattern.c_str(), &m_data));
    const size_t slash = pattern.rfind(L'\\');
    m_strRoot = slash == std::wstring::npos ? std::wstring() : pattern.substr(0, slash);
    return m_handle.IsValid();
}

bool CFileSearch::Next() {
    if (!m_handle) return false;
    if (::FindNextFileW(m_handle.Get(), &m_data)) return true;
    m_handle.Reset();
    return false;
}

bool CFileSearch::Exists(const std::wstring& path) {
    CFileSearch search;
    return search.Start(path);
}

bool CFileSearch::IsDots() const {
    return IsDirectory() &&
           (std::wcscmp(m_data.cFileName, L".") == 0 || std::wcscmp(m_data.cFileName, L"..") == 0);
}

}  // namespace fw
