#include "TestSupport.h"

#include "framework/Handles.h"

namespace testing_support {

MessageBoxRecorder::MessageBoxRecorder() { fw::SetMessageBoxService(this); }

MessageBoxRecorder::~MessageBoxRecorder() { fw::SetMessageBoxService(nullptr); }

int MessageBoxRecorder::Show(HWND owner, const std::wstring& text, const wchar_t* caption, UINT type) {
    m_boxes.push_back({owner, text, caption != nullptr, caption ? caption : L"", type});
    if (m_answers.empty()) return IDOK;
    const int answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

SandboxFolder::SandboxFolder(const std::wstring& name) : m_path(L"C:\\setup-tests\\" + name) {
    RemoveTreeForce(m_path);
    MakeFolders(m_path);
}

SandboxFolder::~SandboxFolder() { RemoveTreeForce(m_path); }

bool RemoveTreeForce(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    ::SetFileAttributesW(path.c_str(), attributes & ~(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                      FILE_ATTRIBUTE_SYSTEM));
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return ::DeleteFileW(path.c_str()) != FALSE;
    WIN32_FIND_DATAW data;
    fw::UniqueFindHandle find(::FindFirstFileW((path + L"\\*").c_str(), &data));
    if (find) {
        do {
            const std::wstring name = data.cFileName;
            if (name != L"." && name != L"..") RemoveTreeForce(path + L"\\" + name);
        } while (::FindNextFileW(find.Get(), &data));
    }
    return ::RemoveDirectoryW(path.c_str()) != FALSE;
}

void MakeFolders(const std::wstring& path) {
    for (size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1)) {
        ::CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    }
    ::CreateDirectoryW(path.c_str(), nullptr);
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    const size_t slash = path.rfind(L'\\');
    if (slash != std::wstring::npos) MakeFolders(path.substr(0, slash));
    fw::UniqueFileHandle file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    DWORD written = 0;
    ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::string ReadFileBytes(const std::wstring& path) {
    fw::UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
    if (!file) return std::string();
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(file.Get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) bytes.append(buffer, read);
    return bytes;
}

bool PathExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring Widen(const std::string& utf8) {
    if (utf8.empty()) return std::wstring();
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], length);
    return wide;
}

std::string Narrow(const std::wstring& wide) {
    if (wide.empty()) return std::string();
    const int length =
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &utf8[0], length, nullptr, nullptr);
    return utf8;
}

}  // namespace testing_support
