#include "framework/Profile.h"

#include <windows.h>
#include <vector>

namespace fw {

std::wstring ReadProfileString(const std::wstring& path, const std::wstring& section, const std::wstring& key,
                               const std::wstring& defaultText, unsigned capacity) {
    std::vector<wchar_t> buffer(capacity, L'\0');
    const DWORD length = ::GetPrivateProfileStringW(section.c_str(), key.c_str(), defaultText.c_str(),
                                                    buffer.data(), capacity, path.c_str());
    return std::wstring(buffer.data(), length);
}

}  // namespace fw
