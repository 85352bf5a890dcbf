// Stands in for the real installer data1.exe in the end-to-end tests: records
// the command line and the current directory it was started with into
// "installer-received.txt" beside itself (UTF-8, two lines) and exits 0.
// The file is written under a temporary name and then renamed, so a reader
// never sees half of it.
#include <windows.h>

#include <string>
#include <vector>

#include "framework/Handles.h"

namespace {

std::wstring OwnDirectory() {
    std::vector<wchar_t> buffer(32768, L'\0');
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    std::wstring path(buffer.data(), length);
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring CurrentDirectory() {
    const DWORD needed = ::GetCurrentDirectoryW(0, nullptr);
    std::vector<wchar_t> buffer(needed + 1, L'\0');
    const DWORD length = ::GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    return std::wstring(buffer.data(), length);
}

std::string ToUtf8(const std::wstring& wide) {
    if (wide.empty()) return std::string();
    const int length =
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &utf8[0], length, nullptr, nullptr);
    return utf8;
}

bool WriteWhole(const std::wstring& path, const std::string& bytes) {
    fw::UniqueFileHandle file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const std::string record = "command line: " + ToUtf8(::GetCommandLineW()) + "\r\n" +
                               "current directory: " + ToUtf8(CurrentDirectory()) + "\r\n";
    const std::wstring directory = OwnDirectory();
    const std::wstring partial = directory + L"\\installer-received.partial";
    const std::wstring target = directory + L"\\installer-received.txt";
    if (!WriteWhole(partial, record)) return 1;
    return ::MoveFileExW(partial.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
