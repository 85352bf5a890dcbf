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
