// Helpers shared by the tests: a message box recorder, a sandbox folder that
// is wiped before and after, and small file helpers.
#pragma once

#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "framework/MessageBox.h"

namespace testing_support {

struct RecordedBox {
    HWND owner;
    std::wstring text;
    bool hasCaption;
    std::wstring caption;
    UINT type;
};

// Replaces the message box service for its lifetime: every box is recorded
// and answered from a queue of answers (IDOK when the queue is empty).
class MessageBoxRecorder : public fw::IMessageBoxService {
public:
    MessageBoxRecorder();
    ~MessageBoxRecorder() override;
    int Show(HWND owner, const std::wstring& text, const wchar_t* caption, UINT type) override;

    void QueueAnswer(int answer) { m_answers.push_back(answer); }
    const std::vector<RecordedBox>& Boxes() const { return m_boxes; }

private:
    std::vector<RecordedBox> m_boxes;
    std::deque<int> m_answers;
};

// A folder of the test's own below C:\setup-tests, emptied before and removed
// after; read-only attributes inside are cleared on the way.
class SandboxFolder {
public:
    explicit SandboxFolder(const std::wstring& name);
    ~SandboxFolder();
    const std::wstring& Path() const { return m_path; }
    std::wstring operator/(const std::wstring& relative) const { return m_path + L"\\" + relative; }

private:
    std::wstring m_path;
};

// A registry key of the test's own below HKEY_LOCAL_MACHINE, named
// Software\SetupTests\<name>, removed with everything in it before and after.
class RegistrySandbox {
public:
    explicit RegistrySandbox(const std::wstring& name);
    ~RegistrySandbox();
    RegistrySandbox(const RegistrySandbox&) = delete;
    RegistrySandbox& operator=(const RegistrySandbox&) = delete;
    // The key's path below HKEY_LOCAL_MACHINE.
    const std::wstring& Path() const { return m_path; }
    std::wstring operator/(const std::wstring& relative) const { return m_path + L"\\" + relative; }

private:
    std::wstring m_path;
};

// One registry value as it was when the guard was made: put back, or removed
// again with the keys created since, when the guard goes.
class RegistryValueGuard {
public:
    RegistryValueGuard(HKEY root, std::wstring keyPath, std::wstring valueName);
    ~RegistryValueGuard();
    RegistryValueGuard(const RegistryValueGuard&) = delete;
    RegistryValueGuard& operator=(const RegistryValueGuard&) = delete;

private:
    HKEY m_root;
    std::wstring m_keyPath;
    std::wstring m_valueName;
    std::wstring m_firstMissingKey;  // outermost key of the path that did not exist
    bool m_hadValue = false;
    DWORD m_type = 0;
    std::string m_bytes;
};

struct RegistryValue {
    bool exists;
    DWORD type;
    std::string bytes;
};
// The raw value; exists is false when the key or the value is missing.
RegistryValue QueryRegistryValue(HKEY root, const std::wstring& keyPath, const std::wstring& valueName);
// Stores raw data, creating the key (and its parents) when needed.
bool SetRegistryValue(HKEY root, const std::wstring& keyPath, const std::wstring& valueName, DWORD type,
                      const std::string& bytes);
// The bytes of a text as the registry stores it: UTF-16, with a NUL unless told otherwise.
std::string RegistryTextBytes(const std::wstring& text, bool withTerminator = true);
bool SetRegistryText(HKEY root, const std::wstring& keyPath, const std::wstring& valueName, const std::wstring& text);
bool DeleteRegistryValue(HKEY root, const std::wstring& keyPath, const std::wstring& valueName);
bool RegistryKeyExists(HKEY root, const std::wstring& keyPath);
// Removes a key with everything below it; true when it is gone.
bool DeleteRegistryTree(HKEY root, const std::wstring& keyPath);

// The number of system handles this process holds now (directory searches
// and open registry keys among them); tells whether an operation closed
// everything it opened.
size_t CountOwnHandles();

// The staging folder C:\sl_dll of an earlier run is put aside for the test
// and back afterwards; whatever the test leaves there is removed.
class StagingFolderGuard {
public:
    StagingFolderGuard();
    ~StagingFolderGuard();
    StagingFolderGuard(const StagingFolderGuard&) = delete;
    StagingFolderGuard& operator=(const StagingFolderGuard&) = delete;
    bool Clear() const;

private:
    bool m_saved = false;
};

// The sl_dll folder beside this test program, which stands in for the
// launcher's medium: removed before and after.
class MediumFolder {
public:
    MediumFolder();
    ~MediumFolder();
    MediumFolder(const MediumFolder&) = delete;
    MediumFolder& operator=(const MediumFolder&) = delete;
    static std::wstring Path();
};

// The lines of c:\setup.log, without their CR LF.
std::vector<std::string> LogLines();

// Removes a tree whatever its attributes; true when nothing is left.
bool RemoveTreeForce(const std::wstring& path);
// Creates every missing folder of a path.
void MakeFolders(const std::wstring& path);
// Writes bytes to a file, creating its folders.
void WriteFileBytes(const std::wstring& path, const std::string& bytes);
// Reads a whole file as bytes; empty when it cannot be read.
std::string ReadFileBytes(const std::wstring& path);
bool PathExists(const std::wstring& path);
// UTF-8 text to and from wide text.
std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& wide);

}  // namespace testing_support
