// Drives the launcher's windows from another process, as a user would: finds
// its language dialog and its message boxes, reads what they show and acts on
// them. Every wait has a deadline; every message that could open a modal loop
// in the launcher (a click, a key) is posted, never sent, so the caller can
// not be blocked by it.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace uiauto {

using Milliseconds = std::chrono::milliseconds;
constexpr Milliseconds kDefaultTimeout{10000};

// Controls of the launcher's language dialog.
constexpr int kPromptId = 1000;
constexpr int kLanguageListId = 1001;
constexpr int kOkButtonId = 1002;
constexpr int kCancelButtonId = 1003;
// The text of a system message box.
constexpr int kMessageBoxTextId = 0xFFFF;

// Polls `condition` until it holds or `timeout` has passed; answers its last
// result.
bool WaitUntil(const std::function<bool()>& condition, Milliseconds timeout = kDefaultTimeout);

// Processes as the toolhelp snapshot lists them.
struct ProcessEntry {
    DWORD id;
    DWORD parentId;
    std::wstring image;  // the program file's name, such as "Setup.exe"
};
std::vector<ProcessEntry> RunningProcesses();
// Ids of the running processes whose image name equals `image` (any case).
std::vector<DWORD> ProcessIdsByImage(const std::wstring& image);

// Visible top-level dialog windows (class "#32770") of a process.
std::vector<HWND> DialogWindowsOf(DWORD processId);
bool IsLanguageDialog(HWND window);
bool IsMessageBox(HWND window);
// The window now, or null.
HWND FindLanguageDialog(DWORD processId);
HWND FindMessageBox(DWORD processId);
// The window once it is there, or null when `timeout` passes first.
HWND WaitForLanguageDialog(DWORD processId, Milliseconds timeout = kDefaultTimeout);
HWND WaitForMessageBox(DWORD processId, Milliseconds timeout = kDefaultTimeout);
// True once `window` is gone or hidden.
bool WaitForWindowClosed(HWND window, Milliseconds timeout = kDefaultTimeout);

struct ComboEntry {
    std::wstring text;
    LONG_PTR data;
};

struct LanguageDialogState {
    std::wstring caption;
    std::wstring prompt;
    std::wstring okText;
    std::wstring cancelText;
    std::vector<ComboEntry> entries;  // in the list's (sorted) order
    int selectedIndex = -1;           // -1: nothing selected
    int focusedControlId = 0;         // 0: the focus is on no control of the dialog
    bool topmost = false;
    bool centred = false;             // on the work area of its monitor, within a pixel

    const ComboEntry* Selected() const;
    const ComboEntry* EntryWithData(LONG_PTR data) const;
};
// Nothing when the window is gone or does not answer.
std::optional<LanguageDialogState> ReadLanguageDialog(HWND dialog);

enum class IconKind { None, Warning, Information, Error, Question, Unknown };
const wchar_t* IconKindName(IconKind kind);

struct MessageBoxButton {
    int id;
    std::wstring text;
};

struct MessageBoxState {
    std::wstring caption;
    std::wstring text;
    std::vector<MessageBoxButton> buttons;  // the visible ones, in the box's order
    IconKind icon = IconKind::Unknown;
    HWND owner = nullptr;

    std::vector<int> ButtonIds() const;
};
std::optional<MessageBoxState> ReadMessageBox(HWND box);

// Selects the list entry whose item data is `data` (CB_SETCURSEL) and tells
// the dialog (CBN_SELCHANGE), as the list does when a user picks an entry.
// Returns once the dialog has handled it; false when no entry has that data
// or the dialog did not answer.
bool SelectLanguage(HWND dialog, LONG_PTR data);
// Posts a click (BM_CLICK) to button `id` of a dialog or message box.
bool ClickButton(HWND window, int id);
// The window of the dialog's thread that has the keyboard focus, or null.
HWND FocusedWindow(HWND dialog);
// Posts one key message (WM_KEYDOWN or WM_KEYUP) to the control of the
// dialog's thread that has the focus (the dialog when none has), so it passes
// the launcher's own message loop like a typed key.
bool PostKeyMessage(HWND dialog, UINT message, UINT virtualKey);
// A whole key press: key-down, then key-up.
bool PressKey(HWND dialog, UINT virtualKey);
// Posts the close box's command (WM_SYSCOMMAND SC_CLOSE).
bool PressCloseBox(HWND window);

}  // namespace uiauto
