#include "app/SetupStrings.h"

#include <cwchar>
#include <cwctype>
#include <vector>

#include "framework/Module.h"

namespace setup {

namespace {
wchar_t UpperAsciiChar(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }
}  // namespace

std::wstring UpperAscii(std::wstring text) {
    for (wchar_t& c : text) c = UpperAsciiChar(c);
    return text;
}

bool EqualsNoCaseAscii(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (UpperAsciiChar(a[i]) != UpperAsciiChar(b[i])) return false;
    }
    return true;
}

std::wstring TrimWhiteSpace(std::wstring text) {
    size_t end = text.size();
    while (end > 0 && std::iswspace(text[end - 1])) --end;
    text.erase(end);
    size_t begin = 0;
    while (begin < text.size() && std::iswspace(text[begin])) ++begin;
    text.erase(0, begin);
    return text;
}

std::wstring ReplaceAll(std::wstring text, const std::wstring& what, const std::wstring& with) {
    if (what.empty()) return text;
    size_t at = 0;
    while ((at = text.find(what, at)) != std::wstring::npos) {
        text.replace(at, what.size(), with);
        at += with.size();
    }
    return text;
}

std::wstring TextBeforeLastBackslash(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring FormatV(size_t capacity, const wchar_t* format, va_list args) {
    std::vector<wchar_t> buffer(capacity + 1, L'\0');
    ::_vsnwprintf(buffer.data(), capacity, format, args);
    return std::wstring(buffer.data(), ::wcsnlen(buffer.data(), capacity));
}

std::wstring Format(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring text = FormatV(1024, format, args);
    va_end(args);
    return text;
}

std::wstring LauncherDirectory(unsigned capacity) {
    return TextBeforeLastBackslash(UpperAscii(fw::ModuleFileName(capacity)));
}

}  // namespace setup
