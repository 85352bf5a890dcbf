#include "LauncherSandbox.h"

#include <algorithm>
#include <vector>

#include "TestSupport.h"

using testing_support::Narrow;
using testing_support::PathExists;
using testing_support::ReadFileBytes;
using testing_support::RemoveTreeForce;
using testing_support::Widen;
using testing_support::WriteFileBytes;

namespace e2e {
namespace {

constexpr wchar_t kLogPath[] = L"c:\\setup.log";
constexpr wchar_t kRecordName[] = L"installer-received.txt";
// How long a launcher may take to appear once Wine's loader has been started.
constexpr Milliseconds kLauncherStartTimeout{15000};
// How long what a terminated launcher started may take to end by itself.
constexpr Milliseconds kChildEndTimeout{5000};

constexpr wchar_t kProductName[] = L"Zantor Diagnostics";
constexpr wchar_t kDisplayVersion[] = L"4.2.1";

struct ConfirmationTemplate {
    WORD language;
    const wchar_t* text;
};
const ConfirmationTemplate kConfirmations[] = {
    {1031, L"Möchten Sie [ProductName] [DisplayVersion] in der Sprache [language] installieren?"},
    {1034, L"¿Desea instalar [ProductName] [DisplayVersion] en [language]?"},
    {1036, L"Voulez-vous installer [ProductName] [DisplayVersion] en [language] ?"},
    {1040, L"Installare [ProductName] [DisplayVersion] in [language]?"},
    {2057, L"Install [ProductName] [DisplayVersion] in [language]?"},
};

// Windows path of a Unix path: drive Z: is the Unix root.
std::wstring FromUnixPath(const char* unixPath) {
    std::wstring path = L"Z:" + Widen(unixPath);
    for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
    }
    return path;
}

// One byte per character, as the launcher's 8-bit files are written.
std::string Latin1(const std::wstring& text) {
    std::string bytes;
    for (wchar_t c : text) bytes.push_back(c <= 0xFF ? static_cast<char>(c) : '?');
    return bytes;
}

std::wstring ReplaceAll(std::wstring text, const std::wstring& what, const std::wstring& with) {
    for (size_t at = text.find(what); at != std::wstring::npos; at = text.find(what, at + with.size())) {
        text.replace(at, what.size(), with);
    }
    return text;
}

// brand\cd_cfg.ini as 8-bit text: the profile reader takes it in the system's
// ANSI code page, which is Western European (1252) under every test locale.
std::string CdCfgIni() {
    std::wstring ini = L"[Registry]\r\nBrand_new=E2eBrand\r\n";
    ini += L"[Setup]\r\nProductName=" + std::wstring(kProductName) + L"\r\n";
    ini += L"[Display]\r\nDisplayVersion=" + std::wstring(kDisplayVersion) + L"\r\n";
    ini += L"[msg]\r\n";
    for (const auto& confirmation : kConfirmations) {
        ini += std::to_wstring(confirmation.language) + L"=" + confirmation.text + L"\r\n";
    }
    return Latin1(ini);
}

// Sets an environment variable of this process for its lifetime, so that a
// process started meanwhile inherits it; the earlier value comes back after.
class ScopedEnvironmentVariable {
public:
    ScopedEnvironmentVariable(const std::wstring& name, const std::wstring& value) : m_name(name) {
        const DWORD needed = ::GetEnvironmentVariableW(name.c_str(), nullptr, 0);
        if (needed > 0) {
            std::vector<wchar_t> buffer(needed, L'\0');
            const DWORD length = ::GetEnvironmentVariableW(name.c_str(), buffer.data(), needed);
            m_previous = std::wstring(buffer.data(), length);
        }
        ::SetEnvironmentVariableW(name.c_str(), value.c_str());
    }
    ~ScopedEnvironmentVariable() {
        ::SetEnvironmentVariableW(m_name.c_str(), m_previous ? m_previous->c_str() : nullptr);
    }
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

private:
    std::wstring m_name;
    std::optional<std::wstring> m_previous;
};

bool HasEnded(HANDLE process) { return ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }

void Terminate(DWORD processId) {
    fw::UniqueKernelHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId));
    if (!process) return;
    ::TerminateProcess(process.Get(), 1);
    ::WaitForSingleObject(process.Get(), static_cast<DWORD>(kChildEndTimeout.count()));
}

// Wine's loader as a Unix path; empty when this program does not run under Wine.
std::string WineLoader() {
    for (const wchar_t* name : {L"WINELOADER", L"WINE_LOADER"}) {
        wchar_t value[MAX_PATH] = {};
        const DWORD length = ::GetEnvironmentVariableW(name, value, MAX_PATH);
        if (length > 0 && length < MAX_PATH) return Narrow(value);
    }
    return std::string();
}

std::wstring FileNameOf(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::optional<InstallerRecord> ParseRecord(const std::string& bytes) {
    const std::string commandPrefix = "command line: ";
    const std::string directoryPrefix = "current directory: ";
    InstallerRecord record;
    bool hasCommand = false;
    bool hasDirectory = false;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) end = bytes.size();
        const std::string line = bytes.substr(start, end - start);
        if (line.compare(0, commandPrefix.size(), commandPrefix) == 0) {
            record.commandLine = Widen(line.substr(commandPrefix.size()));
            hasCommand = true;
        } else if (line.compare(0, directoryPrefix.size(), directoryPrefix) == 0) {
            record.currentDirectory = Widen(line.substr(directoryPrefix.size()));
            hasDirectory = true;
        }
        start = end + 2;
    }
    if (!hasCommand || !hasDirectory) return std::nullopt;
    return record;
}

}  // namespace

std::wstring BuiltLauncherPath() { return FromUnixPath(E2E_SETUP_EXE); }

std::wstring BuiltInstallerDoublePath() { return FromUnixPath(E2E_INSTALLER_DOUBLE); }

std::wstring BuiltCultureBrandLibraryPath() { return FromUnixPath(E2E_BRAND_LIBRARY_CULTURE); }

bool MediumDriveMapped() { return PathExists(L"E:\\"); }

void WipeMediumAndLog() {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    fw::UniqueFindHandle find(::FindFirstFileW(L"E:\\*", &data));
    if (find) {
        do {
            const std::wstring name = data.cFileName;
            if (name != L"." && name != L"..") names.push_back(name);
        } while (::FindNextFileW(find.Get(), &data));
    }
    for (const std::wstring& name : names) RemoveTreeForce(L"E:\\" + name);
    ::DeleteFileW(kLogPath);
}

void LayOutMedium(const MediumLayout& layout) {
    const std::wstring& directory = layout.launcherDirectory;
    testing_support::MakeFolders(directory);
    ::CopyFileW(BuiltLauncherPath().c_str(), (directory + L"\\Setup.exe").c_str(), FALSE);
    if (layout.withInstaller) CopyInstallerDouble(directory + L"\\data1.exe");
    WriteFileBytes(directory + L"\\brand\\cd_cfg.ini", CdCfgIni());
    WriteFileBytes(directory + L"\\brand\\langs.txt", layout.langs);
    if (!layout.idFile) return;
    WriteFileBytes(directory + L"\\id_file", *layout.idFile);
    if (layout.StartDirectory() != directory) WriteFileBytes(layout.StartDirectory() + L"\\id_file", *layout.idFile);
}

void CopyInstallerDouble(const std::wstring& path) {
    ::CopyFileW(BuiltInstallerDoublePath().c_str(), path.c_str(), FALSE);
}

std::wstring ExpectedConfirmation(WORD language, const std::wstring& languageName) {
    const wchar_t* own = nullptr;
    const wchar_t* english = nullptr;
    for (const auto& confirmation : kConfirmations) {
        if (confirmation.language == language) own = confirmation.text;
        if (confirmation.language == 2057) english = confirmation.text;
    }
    std::wstring text = own ? own : english;
    text = ReplaceAll(text, L"[ProductName]", kProductName);
    text = ReplaceAll(text, L"[DisplayVersion]", kDisplayVersion);
    return ReplaceAll(text, L"[language]", languageName);
}

LauncherProcess::LauncherProcess(const std::wstring& program, const std::wstring& arguments,
                                 const std::wstring& directory, const std::string& locale) {
    // Wine takes a process's system locale from its Unix environment, which a
    // Windows program started from here would inherit unchanged. Wine's loader
    // started as a Unix program gets this program's Windows environment as
    // its Unix one, and starts the launcher as a process of its own.
    const std::string loader = WineLoader();
    const std::vector<DWORD> earlier = uiauto::ProcessIdsByImage(FileNameOf(program));
    {
        const ScopedEnvironmentVariable systemLocale(L"LC_ALL", Widen(locale) + L".UTF-8");
        // The loader finds its own files from its first argument: its Unix path.
        std::wstring commandLine = L"\"" + Widen(loader) + L"\" \"" + program + L"\"";
        if (!arguments.empty()) commandLine += L" " + arguments;
        std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
        writable.push_back(L'\0');
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION started{};
        if (loader.empty() || !::CreateProcessW(FromUnixPath(loader.c_str()).c_str(), writable.data(), nullptr,
                                                nullptr, FALSE, 0, nullptr, directory.c_str(), &startup, &started)) {
            return;
        }
        // A Unix program has no process or thread handle to release.
        const fw::UniqueKernelHandle process(started.hProcess);
        const fw::UniqueKernelHandle thread(started.hThread);
    }
    uiauto::WaitUntil(
        [&] {
            for (DWORD id : uiauto::ProcessIdsByImage(FileNameOf(program))) {
                if (std::find(earlier.begin(), earlier.end(), id) != earlier.end()) continue;
                m_process.Reset(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION,
                                              FALSE, id));
                m_id = id;
                return m_process.IsValid();
            }
            return false;
        },
        kLauncherStartTimeout);
}

LauncherProcess::LauncherProcess(const ExactCommandLine& commandLine, const std::wstring& directory) {
    std::vector<wchar_t> writable(commandLine.text.begin(), commandLine.text.end());
    writable.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(), &startup,
                          &started)) {
        return;
    }
    const fw::UniqueKernelHandle thread(started.hThread);
    m_process.Reset(started.hProcess);
    m_id = started.dwProcessId;
}

LauncherProcess::~LauncherProcess() { TerminateWithChildren(); }

bool LauncherProcess::WaitForEnd(Milliseconds timeout) const {
    return m_process &&
           ::WaitForSingleObject(m_process.Get(), static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

std::vector<uiauto::ProcessEntry> LauncherProcess::Children() const {
    std::vector<uiauto::ProcessEntry> children;
    if (!m_process) return children;
    for (const auto& process : uiauto::RunningProcesses()) {
        if (process.parentId == m_id && process.id != m_id) children.push_back(process);
    }
    return children;
}

void LauncherProcess::TerminateWithChildren() {
    if (!m_process) return;
    if (!HasEnded(m_process.Get())) {
        ::TerminateProcess(m_process.Get(), 1);
        ::WaitForSingleObject(m_process.Get(), static_cast<DWORD>(kChildEndTimeout.count()));
    }
    // An installer double ends by itself at once; one that does not is ended here.
    uiauto::WaitUntil([this] { return Children().empty(); }, kChildEndTimeout);
    for (const auto& child : Children()) Terminate(child.id);
    m_process.Reset();
}

bool SetupLog::Contains(const std::string& line) const {
    for (const std::string& own : lines) {
        if (own == line) return true;
    }
    return false;
}

bool SetupLog::HasLineStartingWith(const std::string& prefix) const {
    for (const std::string& own : lines) {
        if (own.compare(0, prefix.size(), prefix) == 0) return true;
    }
    return false;
}

std::string SetupLog::Text() const {
    std::string text;
    for (const std::string& line : lines) text += "  " + line + "\n";
    return text;
}

SetupLog ReadSetupLog() {
    SetupLog log;
    const std::string bytes = ReadFileBytes(kLogPath);
    log.everyLineEndsWithCrLf = true;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) {
            end = bytes.size();
            log.everyLineEndsWithCrLf = false;
        }
        const std::string line = bytes.substr(start, end - start);
        if (line.find_first_of("\r\n") != std::string::npos) log.everyLineEndsWithCrLf = false;
        log.lines.push_back(line);
        start = end + 2;
    }
    return log;
}

bool InstallerRecordExists(const std::wstring& directory) {
    return PathExists(directory + L"\\" + kRecordName);
}

std::optional<InstallerRecord> WaitForInstallerRecord(const std::wstring& directory, Milliseconds timeout) {
    if (!uiauto::WaitUntil([&] { return InstallerRecordExists(directory); }, timeout)) return std::nullopt;
    return ParseRecord(ReadFileBytes(directory + L"\\" + kRecordName));
}

}  // namespace e2e
