#include "TestSupport.h"

#include <utility>

#include "app/SetupStrings.h"
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

RegistrySandbox::RegistrySandbox(const std::wstring& name) : m_path(L"Software\\SetupTests\\" + name) {
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, m_path);
    fw::UniqueHKey key;
    ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr);
}

RegistrySandbox::~RegistrySandbox() {
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, m_path);
    // The common parent goes with the last sandbox (a key with subkeys stays).
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\SetupTests");
}

RegistryValueGuard::RegistryValueGuard(HKEY root, std::wstring keyPath, std::wstring valueName)
    : m_root(root), m_keyPath(std::move(keyPath)), m_valueName(std::move(valueName)) {
    for (size_t at = m_keyPath.find(L'\\');; at = m_keyPath.find(L'\\', at + 1)) {
        const std::wstring prefix = m_keyPath.substr(0, at);
        if (!RegistryKeyExists(m_root, prefix)) {
            m_firstMissingKey = prefix;
            break;
        }
        if (at == std::wstring::npos) break;
    }
    const RegistryValue saved = QueryRegistryValue(m_root, m_keyPath, m_valueName);
    m_hadValue = saved.exists;
    m_type = saved.type;
    m_bytes = saved.bytes;
}

RegistryValueGuard::~RegistryValueGuard() {
    if (!m_firstMissingKey.empty()) {
        DeleteRegistryTree(m_root, m_firstMissingKey);
    } else if (m_hadValue) {
        SetRegistryValue(m_root, m_keyPath, m_valueName, m_type, m_bytes);
    } else {
        DeleteRegistryValue(m_root, m_keyPath, m_valueName);
    }
}

RegistryValue QueryRegistryValue(HKEY root, const std::wstring& keyPath, const std::wstring& valueName) {
    RegistryValue value{false, 0, std::string()};
    fw::UniqueHKey key;
    if (::RegOpenKeyExW(root, keyPath.c_str(), 0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS) {
        key.Release();
        return value;
    }
    DWORD size = 0;
    if (::RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS) {
        return value;
    }
    value.bytes.resize(size);
    if (::RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, &value.type,
                           reinterpret_cast<BYTE*>(&value.bytes[0]), &size) != ERROR_SUCCESS) {
        return value;
    }
    value.bytes.resize(size);
    value.exists = true;
    return value;
}

bool SetRegistryValue(HKEY root, const std::wstring& keyPath, const std::wstring& valueName, DWORD type,
                      const std::string& bytes) {
    fw::UniqueHKey key;
    if (::RegCreateKeyExW(root, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Put(), nullptr) !=
        ERROR_SUCCESS) {
        key.Release();
        return false;
    }
    // The system counts a string's terminator in when the caller left it out
    // and a NUL follows the data: what follows here is never a NUL, so the
    // bytes are stored exactly as given.
    const std::string guarded = bytes + "\xff\xff";
    return ::RegSetValueExW(key.Get(), valueName.c_str(), 0, type, reinterpret_cast<const BYTE*>(guarded.data()),
                            static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
}

std::string RegistryTextBytes(const std::wstring& text, bool withTerminator) {
    const size_t characters = text.size() + (withTerminator ? 1 : 0);
    return std::string(reinterpret_cast<const char*>(text.c_str()), characters * sizeof(wchar_t));
}

bool SetRegistryText(HKEY root, const std::wstring& keyPath, const std::wstring& valueName, const std::wstring& text) {
    return SetRegistryValue(root, keyPath, valueName, REG_SZ, RegistryTextBytes(text));
}

bool DeleteRegistryValue(HKEY root, const std::wstring& keyPath, const std::wstring& valueName) {
    fw::UniqueHKey key;
    if (::RegOpenKeyExW(root, keyPath.c_str(), 0, KEY_SET_VALUE, key.Put()) != ERROR_SUCCESS) {
        key.Release();
        return false;
    }
    return ::RegDeleteValueW(key.Get(), valueName.c_str()) == ERROR_SUCCESS;
}

bool RegistryKeyExists(HKEY root, const std::wstring& keyPath) {
    fw::UniqueHKey key;
    const bool opened = ::RegOpenKeyExW(root, keyPath.c_str(), 0, KEY_QUERY_VALUE, key.Put()) == ERROR_SUCCESS;
    if (!opened) key.Release();
    return opened;
}

bool DeleteRegistryTree(HKEY root, const std::wstring& keyPath) {
    ::RegDeleteTreeW(root, keyPath.c_str());
    return !RegistryKeyExists(root, keyPath);
}

namespace {

// The system's list of open handles, as ntdll reports it.
struct SystemHandleEntry {
    ULONG ownerProcessId;
    BYTE objectType;
    BYTE flags;
    USHORT value;
    PVOID object;
    ULONG access;
};
struct SystemHandleList {
    ULONG count;
    SystemHandleEntry entries[1];
};
using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
constexpr ULONG kSystemHandleInformation = 16;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);

}  // namespace

size_t CountOwnHandles() {
    const auto query = reinterpret_cast<QuerySystemInformation>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return 0;
    std::vector<SystemHandleList> buffer(4096);
    for (;;) {
        const ULONG bytes = static_cast<ULONG>(buffer.size() * sizeof(SystemHandleList));
        ULONG needed = 0;
        const LONG status = query(kSystemHandleInformation, buffer.data(), bytes, &needed);
        if (status == kInfoLengthMismatch) {
            buffer.resize(buffer.size() * 4);
            continue;
        }
        if (status != 0) return 0;
        break;
    }
    const SystemHandleList& list = buffer.front();
    const SystemHandleEntry* entries = list.entries;
    size_t own = 0;
    for (ULONG i = 0; i < list.count; ++i) {
        if (entries[i].ownerProcessId == ::GetCurrentProcessId()) ++own;
    }
    return own;
}

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

namespace {
const std::wstring kStagingFolder = L"C:\\sl_dll";
const std::wstring kSavedStagingFolder = L"C:\\sl_dll.saved-by-setup-tests";
}  // namespace

StagingFolderGuard::StagingFolderGuard() {
    if (PathExists(kStagingFolder)) {
        RemoveTreeForce(kSavedStagingFolder);
        m_saved = ::MoveFileW(kStagingFolder.c_str(), kSavedStagingFolder.c_str()) != FALSE;
    }
}

StagingFolderGuard::~StagingFolderGuard() {
    RemoveTreeForce(kStagingFolder);
    if (m_saved) ::MoveFileW(kSavedStagingFolder.c_str(), kStagingFolder.c_str());
}

bool StagingFolderGuard::Clear() const { return !PathExists(kStagingFolder); }

MediumFolder::MediumFolder() { RemoveTreeForce(Path()); }

MediumFolder::~MediumFolder() { RemoveTreeForce(Path()); }

std::wstring MediumFolder::Path() { return setup::LauncherDirectory(1000) + L"\\sl_dll"; }

std::vector<std::string> LogLines() {
    std::vector<std::string> lines;
    const std::string text = ReadFileBytes(L"c:\\setup.log");
    size_t begin = 0;
    for (size_t end; (end = text.find("\r\n", begin)) != std::string::npos; begin = end + 2) {
        lines.push_back(text.substr(begin, end - begin));
    }
    return lines;
}

}  // namespace testing_support
