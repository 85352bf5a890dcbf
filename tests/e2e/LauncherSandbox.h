// The end-to-end tests' sandbox: the installation medium in drive E: (which
// scripts/wine-env maps to the build tree's media folder), the log
// c:\setup.log, the launcher process with what it starts, and what the
// installer double recorded.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "framework/Handles.h"
#include "uiauto.h"

namespace e2e {

using uiauto::Milliseconds;
constexpr Milliseconds kLauncherEndTimeout{20000};
constexpr Milliseconds kInstallerTimeout{10000};

// The built programs as this program sees them (drive Z: is the Unix root).
std::wstring BuiltLauncherPath();
std::wstring BuiltInstallerDoublePath();
// The brand library double that answers the culture in BRANDYU_CULTURE (it-IT when unset).
std::wstring BuiltCultureBrandLibraryPath();

constexpr wchar_t kMediumRoot[] = L"E:";
bool MediumDriveMapped();
// Empties drive E: and removes c:\setup.log.
void WipeMediumAndLog();

// id_file with the installation code 60 (car line): one character after
// "idp=" is skipped.
constexpr char kCarIdFile[] = " idp=x60\r\n";

struct MediumLayout {
    std::wstring launcherDirectory = kMediumRoot;  // where Setup.exe lies, no trailing backslash
    std::string langs;                             // brand\langs.txt, 8-bit text
    bool withInstaller = true;                     // data1.exe beside the launcher
    std::wstring currentDirectory;                 // the launcher is started in; empty: its own
    std::optional<std::string> idFile = std::string(kCarIdFile);  // nothing: no id_file anywhere

    std::wstring StartDirectory() const { return currentDirectory.empty() ? launcherDirectory : currentDirectory; }
};
// Setup.exe, data1.exe, brand\cd_cfg.ini, brand\langs.txt and id_file in the
// launcher directory; id_file (when the layout has one) also in the directory
// it is started in, where the launcher reads it.
void LayOutMedium(const MediumLayout& layout);
// The installer double under another name, such as a decoy.
void CopyInstallerDouble(const std::wstring& path);

// What the confirmation box must say for `language` with the medium's
// brand\cd_cfg.ini: product name and version filled in, and [language]
// replaced by `languageName`.
std::wstring ExpectedConfirmation(WORD language, const std::wstring& languageName);

// A launcher started for one test. If it still runs when the object goes, it
// is terminated, and so is whatever it started.
class LauncherProcess {
public:
    // Starts `program` (a Windows path) as a user would from a shell, by its
    // quoted path followed by `arguments`, in `directory`, with this
    // program's environment plus LC_ALL=<locale>.UTF-8, which gives it its
    // system locale under Wine.
    LauncherProcess(const std::wstring& program, const std::wstring& arguments, const std::wstring& directory,
                    const std::string& locale);
    // Starts a whole command line exactly as given, the way Windows starts a
    // RunOnce entry: the system splits it into program and arguments (no
    // application name is passed). The blanks around the arguments arrive
    // as they are, which Wine's loader would not keep; the launcher runs
    // under the system locale of this program's environment.
    struct ExactCommandLine {
        std::wstring text;
    };
    LauncherProcess(const ExactCommandLine& commandLine, const std::wstring& directory);
    ~LauncherProcess();
    LauncherProcess(const LauncherProcess&) = delete;
    LauncherProcess& operator=(const LauncherProcess&) = delete;

    bool Started() const { return m_process.IsValid(); }
    DWORD Id() const { return m_id; }
    bool WaitForEnd(Milliseconds timeout = kLauncherEndTimeout) const;
    // The running processes it started.
    std::vector<uiauto::ProcessEntry> Children() const;

private:
    void TerminateWithChildren();

    fw::UniqueKernelHandle m_process;
    DWORD m_id = 0;
};

// c:\setup.log, read after the launcher has ended (it keeps the file to
// itself while it runs); no lines when there is none.
struct SetupLog {
    std::vector<std::string> lines;  // without their line ends
    bool everyLineEndsWithCrLf = false;  // and no CR or LF elsewhere

    bool Contains(const std::string& line) const;
    bool HasLineStartingWith(const std::string& prefix) const;
    std::string LastLine() const { return lines.empty() ? std::string() : lines.back(); }
    // All lines, for failure messages.
    std::string Text() const;
};
SetupLog ReadSetupLog();

// What the installer double recorded about its start.
struct InstallerRecord {
    std::wstring commandLine;
    std::wstring currentDirectory;
};
// The record of the double in `directory`, once it is there.
std::optional<InstallerRecord> WaitForInstallerRecord(const std::wstring& directory,
                                                      Milliseconds timeout = kInstallerTimeout);
bool InstallerRecordExists(const std::wstring& directory);

}  // namespace e2e
