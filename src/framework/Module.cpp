#include "framework/Module.h"

#include <windows.h>
#include <cwchar>
#include <vector>

namespace fw {

std::wstring ModuleFileName(unsigned capacity) {
    std::vector<wchar_t> buffer(capacity + 1, L'\0');
    ::GetModuleFileNameW(nullptr, buffer.data(), capacity);
    return std::wstring(buffer.data(), ::wcsnlen(buffer.data(), capacity));
}

}  // namespace fw
