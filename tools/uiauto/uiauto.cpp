#include "uiauto.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <thread>

#include "framework/Handles.h"

namespace uiauto {
namespace {

constexpr Milliseconds kPollInterval{20};
// How long one request to a launcher window may take: a window that is not
// hung answers at once, also while a modal loop runs.
constexpr Milliseconds kSendTimeout{5000};
// How long a message box may take to paint its icon.
constexpr Milliseconds kIconPaintTimeout{2000};

// Owners of the drawing resources used to read a message box's icon.
struct ScreenDcTraits {
    using Type = HDC;
    static Type Invalid() { return nullptr; }
    static void Close(Type dc) { ::ReleaseDC(nullptr, dc); }
};
struct MemoryDcTraits {
    using Type = HDC;
    static Type Invalid() { return nullptr; }
    static void Close(Type dc) { ::DeleteDC(dc); }
};
struct GdiObjectTraits {
    using Type = HGDIOBJ;
    static Type Invalid() { return nullptr; }
    static void Close(Type object) { ::DeleteObject(object); }
};
using UniqueScreenDc = fw::UniqueResource<ScreenDcTraits>;
using UniqueMemoryDc = fw::UniqueResource<MemoryDcTraits>;
using UniqueGdiObject = fw::UniqueResource<GdiObjectTraits>;

std::optional<LRESULT> SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG,
                               static_cast<UINT>(kSendTimeout.count()), &result)) {
        return std::nullopt;
    }
    return static_cast<LRESULT>(result);
}

std::optional<std::wstring> WindowText(HWND window) {
    const auto length = SendBounded(window, WM_GETTEXTLENGTH, 0, 0);
    if (!length || *length < 0) return std::nullopt;
    std::vector<wchar_t> buffer(static_cast<size_t>(*length) + 2, L'\0');
    const auto copied = SendBounded(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
    if (!copied) return std::nullopt;
    return std::wstring(buffer.data(), ::wcsnlen(buffer.data(), buffer.size()));
}

std::wstring ClassName(HWND window) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

bool HasClass(HWND window, const wchar_t* name) { return ::_wcsicmp(ClassName(window).c_str(), name) == 0; }

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

std::vector<HWND> ChildWindows(HWND parent) {
    std::vector<HWND> children;
    ::EnumChildWindows(parent, &CollectWindow, reinterpret_cast<LPARAM>(&children));
    std::vector<HWND> direct;
    for (HWND child : children) {
        if (::GetParent(child) == parent) direct.push_back(child);
    }
    return direct;
}

int ControlId(HWND control) { return static_cast<int>(::GetWindowLongPtrW(control, GWLP_ID)); }

bool IsIconStatic(HWND control) {
    return HasClass(control, L"Static") && (::GetWindowLongPtrW(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
}

HWND MessageBoxTextControl(HWND box) {
    for (HWND child : ChildWindows(box)) {
        if (LOWORD(ControlId(child)) == kMessageBoxTextId && HasClass(child, L"Static") && !IsIconStatic(child)) {
            return child;
        }
    }
    return nullptr;
}

HWND FindFirstDialog(DWORD processId, bool (*matches)(HWND)) {
    for (HWND window : DialogWindowsOf(processId)) {
        if (matches(window)) return window;
    }
    return nullptr;
}

HWND WaitForDialog(DWORD processId, bool (*matches)(HWND), Milliseconds timeout) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindFirstDialog(processId, matches)) != nullptr; }, timeout);
    return found;
}

// The control of `dialog` that is, or contains, `window`; null when none.
HWND DialogControlOf(HWND dialog, HWND window) {
    while (window && ::GetParent(window) != dialog) {
        if (window == dialog) return nullptr;
        window = ::GetParent(window);
    }
    return window;
}

bool IsCentredOnItsMonitor(HWND window) {
    RECT rect{};
    if (!::GetWindowRect(window, &rect)) return false;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor)) return false;
    const RECT& work = monitor.rcWork;
    // Doubled coordinates: the centres may differ by one pixel of rounding.
    return std::abs((rect.left + rect.right) - (work.left + work.right)) <= 2 &&
           std::abs((rect.top + rect.bottom) - (work.top + work.bottom)) <= 2;
}

// --- Reading a message box's icon -----------------------------------------
// The box's icon belongs to the launcher's process and can not be read from
// here; what it shows on the screen can. It is compared with the system's
// standard icons drawn here the same way, on the same background.

using Pixels = std::vector<DWORD>;

Pixels PixelsOf(HDC dc, HBITMAP bitmap, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    Pixels pixels(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    if (!::GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS)) return Pixels();
    for (DWORD& pixel : pixels) pixel &= 0x00FFFFFF;
    return pixels;
}

Pixels CaptureScreen(const RECT& area) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return Pixels();
    UniqueScreenDc screen(::GetDC(nullptr));
    if (!screen) return Pixels();
    UniqueGdiObject bitmap(::CreateCompatibleBitmap(screen.Get(), width, height));
    UniqueMemoryDc memory(::CreateCompatibleDC(screen.Get()));
    if (!bitmap || !memory) return Pixels();
    const HGDIOBJ previous = ::SelectObject(memory.Get(), bitmap.Get());
    ::BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), area.left, area.top, SRCCOPY);
    ::SelectObject(memory.Get(), previous);
    return PixelsOf(memory.Get(), static_cast<HBITMAP>(bitmap.Get()), width, height);
}

Pixels RenderIcon(HICON icon, int width, int height, COLORREF background) {
    UniqueScreenDc screen(::GetDC(nullptr));
    if (!screen) return Pixels();
    UniqueGdiObject bitmap(::CreateCompatibleBitmap(screen.Get(), width, height));
    UniqueMemoryDc memory(::CreateCompatibleDC(screen.Get()));
    UniqueGdiObject brush(::CreateSolidBrush(background));
    if (!bitmap || !memory || !brush) return Pixels();
    const HGDIOBJ previous = ::SelectObject(memory.Get(), bitmap.Get());
    const RECT all{0, 0, width, height};
    ::FillRect(memory.Get(), &all, static_cast<HBRUSH>(brush.Get()));
    ::DrawIconEx(memory.Get(), 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
    ::SelectObject(memory.Get(), previous);
    return PixelsOf(memory.Get(), static_cast<HBITMAP>(bitmap.Get()), width, height);
}

double MatchingShare(const Pixels& a, const Pixels& b) {
    if (a.empty() || a.size() != b.size()) return 0.0;
    size_t same = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        const int dr = std::abs(static_cast<int>(a[i] & 0xFF) - static_cast<int>(b[i] & 0xFF));
        const int dg = std::abs(static_cast<int>((a[i] >> 8) & 0xFF) - static_cast<int>((b[i] >> 8) & 0xFF));
        const int db = std::abs(static_cast<int>((a[i] >> 16) & 0xFF) - static_cast<int>((b[i] >> 16) & 0xFF));
        if (dr <= 8 && dg <= 8 && db <= 8) ++same;
    }
    return static_cast<double>(same) / static_cast<double>(a.size());
}

IconKind RecogniseIcon(HWND iconControl) {
    RECT client{};
    ::GetClientRect(iconControl, &client);
    ::MapWindowPoints(iconControl, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    const struct {
        IconKind kind;
        const wchar_t* resource;
    } candidates[] = {{IconKind::Warning, IDI_WARNING},
                      {IconKind::Information, IDI_INFORMATION},
                      {IconKind::Error, IDI_ERROR},
                      {IconKind::Question, IDI_QUESTION}};
    const COLORREF background = ::GetSysColor(COLOR_3DFACE);
    IconKind best = IconKind::Unknown;
    WaitUntil(
        [&] {
            const Pixels shown = CaptureScreen(client);
            for (const auto& candidate : candidates) {
                const Pixels drawn =
                    RenderIcon(::LoadIconW(nullptr, candidate.resource), width, height, background);
                if (MatchingShare(shown, drawn) >= 0.95) {
                    best = candidate.kind;
                    return true;
                }
            }
            return false;
        },
        kIconPaintTimeout);
    return best;
}

IconKind ReadIconKind(HWND box) {
    for (HWND child : ChildWindows(box)) {
        if (!IsIconStatic(child) || !::IsWindowVisible(child)) continue;
        const auto icon = SendBounded(child, STM_GETICON, 0, 0);
        if (!icon || *icon == 0) continue;
        return RecogniseIcon(child);
    }
    return IconKind::None;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, Milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kPollInterval);
    }
}

std::vector<ProcessEntry> RunningProcesses() {
    std::vector<ProcessEntry> processes;
    // A toolhelp snapshot reports failure as INVALID_HANDLE_VALUE, like a file.
    fw::UniqueFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return processes;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more; more = ::Process32NextW(snapshot.Get(), &entry)) {
        processes.push_back({entry.th32ProcessID, entry.th32ParentProcessID, entry.szExeFile});
    }
    return processes;
}

std::vector<DWORD> ProcessIdsByImage(const std::wstring& image) {
    std::vector<DWORD> ids;
    for (const ProcessEntry& process : RunningProcesses()) {
        if (::_wcsicmp(process.image.c_str(), image.c_str()) == 0) ids.push_back(process.id);
    }
    return ids;
}

std::vector<HWND> DialogWindowsOf(DWORD processId) {
    std::vector<HWND> topLevel;
    ::EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&topLevel));
    std::vector<HWND> dialogs;
    for (HWND window : topLevel) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == processId && ::IsWindowVisible(window) && HasClass(window, L"#32770")) dialogs.push_back(window);
    }
    return dialogs;
}

bool IsLanguageDialog(HWND window) {
    const HWND list = ::GetDlgItem(window, kLanguageListId);
    return list && HasClass(list, L"ComboBox");
}

bool IsMessageBox(HWND window) { return !IsLanguageDialog(window) && MessageBoxTextControl(window) != nullptr; }

HWND FindLanguageDialog(DWORD processId) { return FindFirstDialog(processId, &IsLanguageDialog); }

HWND FindMessageBox(DWORD processId) { return FindFirstDialog(processId, &IsMessageBox); }

HWND WaitForLanguageDialog(DWORD processId, Milliseconds timeout) {
    return WaitForDialog(processId, &IsLanguageDialog, timeout);
}

HWND WaitForMessageBox(DWORD processId, Milliseconds timeout) {
    return WaitForDialog(processId, &IsMessageBox, timeout);
}

bool WaitForWindowClosed(HWND window, Milliseconds timeout) {
    return WaitUntil([window] { return !::IsWindow(window) || !::IsWindowVisible(window); }, timeout);
}

const ComboEntry* LanguageDialogState::Selected() const {
    if (selectedIndex < 0 || static_cast<size_t>(selectedIndex) >= entries.size()) return nullptr;
    return &entries[static_cast<size_t>(selectedIndex)];
}

const ComboEntry* LanguageDialogState::EntryWithData(LONG_PTR data) const {
    for (const ComboEntry& entry : entries) {
        if (entry.data == data) return &entry;
    }
    return nullptr;
}

std::optional<LanguageDialogState> ReadLanguageDialog(HWND dialog) {
    if (!::IsWindow(dialog)) return std::nullopt;
    const HWND list = ::GetDlgItem(dialog, kLanguageListId);
    LanguageDialogState state;
    const auto caption = WindowText(dialog);
    const auto prompt = WindowText(::GetDlgItem(dialog, kPromptId));
    const auto okText = WindowText(::GetDlgItem(dialog, kOkButtonId));
    const auto cancelText = WindowText(::GetDlgItem(dialog, kCancelButtonId));
    const auto count = SendBounded(list, CB_GETCOUNT, 0, 0);
    const auto selected = SendBounded(list, CB_GETCURSEL, 0, 0);
    if (!caption || !prompt || !okText || !cancelText || !count || !selected) return std::nullopt;
    state.caption = *caption;
    state.prompt = *prompt;
    state.okText = *okText;
    state.cancelText = *cancelText;
    state.selectedIndex = static_cast<int>(*selected);
    for (WPARAM index = 0; index < static_cast<WPARAM>(std::max<LRESULT>(*count, 0)); ++index) {
        const auto length = SendBounded(list, CB_GETLBTEXTLEN, index, 0);
        const auto data = SendBounded(list, CB_GETITEMDATA, index, 0);
        if (!length || !data || *length < 0) return std::nullopt;
        std::vector<wchar_t> text(static_cast<size_t>(*length) + 2, L'\0');
        if (!SendBounded(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()))) return std::nullopt;
        state.entries.push_back({std::wstring(text.data(), ::wcsnlen(text.data(), text.size())), *data});
    }
    const HWND focusedControl = DialogControlOf(dialog, FocusedWindow(dialog));
    state.focusedControlId = focusedControl ? ControlId(focusedControl) : 0;
    state.topmost = (::GetWindowLongPtrW(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    state.centred = IsCentredOnItsMonitor(dialog);
    return state;
}

const wchar_t* IconKindName(IconKind kind) {
    switch (kind) {
    case IconKind::None: return L"none";
    case IconKind::Warning: return L"warning";
    case IconKind::Information: return L"information";
    case IconKind::Error: return L"error";
    case IconKind::Question: return L"question";
    case IconKind::Unknown: break;
    }
    return L"unknown";
}

std::vector<int> MessageBoxState::ButtonIds() const {
    std::vector<int> ids;
    for (const MessageBoxButton& button : buttons) ids.push_back(button.id);
    return ids;
}

std::optional<MessageBoxState> ReadMessageBox(HWND box) {
    if (!::IsWindow(box)) return std::nullopt;
    MessageBoxState state;
    const auto caption = WindowText(box);
    const auto text = WindowText(MessageBoxTextControl(box));
    if (!caption || !text) return std::nullopt;
    state.caption = *caption;
    state.text = *text;
    std::vector<std::pair<LONG, MessageBoxButton>> placed;
    for (HWND child : ChildWindows(box)) {
        if (!HasClass(child, L"Button") || !::IsWindowVisible(child)) continue;
        const auto label = WindowText(child);
        if (!label) return std::nullopt;
        RECT rect{};
        ::GetWindowRect(child, &rect);
        placed.push_back({rect.left, {LOWORD(ControlId(child)), *label}});
    }
    std::stable_sort(placed.begin(), placed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& button : placed) state.buttons.push_back(button.second);
    state.owner = ::GetWindow(box, GW_OWNER);
    state.icon = ReadIconKind(box);
    return state;
}

bool SelectLanguage(HWND dialog, LONG_PTR data) {
    const HWND list = ::GetDlgItem(dialog, kLanguageListId);
    const auto count = SendBounded(list, CB_GETCOUNT, 0, 0);
    if (!count) return false;
    for (WPARAM index = 0; index < static_cast<WPARAM>(std::max<LRESULT>(*count, 0)); ++index) {
        const auto itemData = SendBounded(list, CB_GETITEMDATA, index, 0);
        if (!itemData) return false;
        if (*itemData != data) continue;
        if (!SendBounded(list, CB_SETCURSEL, index, 0)) return false;
        return SendBounded(dialog, WM_COMMAND, MAKEWPARAM(kLanguageListId, CBN_SELCHANGE),
                           reinterpret_cast<LPARAM>(list))
            .has_value();
    }
    return false;
}

bool ClickButton(HWND window, int id) {
    const HWND button = ::GetDlgItem(window, id);
    return button && ::PostMessageW(button, BM_CLICK, 0, 0);
}

HWND FocusedWindow(HWND dialog) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    const DWORD thread = ::GetWindowThreadProcessId(dialog, nullptr);
    if (!thread || !::GetGUIThreadInfo(thread, &info)) return nullptr;
    return info.hwndFocus;
}

bool PostKeyMessage(HWND dialog, UINT message, UINT virtualKey) {
    HWND target = FocusedWindow(dialog);
    if (!target) target = dialog;
    const LPARAM scanCode = static_cast<LPARAM>(::MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC)) << 16;
    // Repeat count 1; a key-up also carries the previous-state and transition bits.
    const LPARAM flags = message == WM_KEYUP ? static_cast<LPARAM>(0xC0000000u) : 0;
    return ::PostMessageW(target, message, virtualKey, 1 | scanCode | flags) != FALSE;
}

bool PressKey(HWND dialog, UINT virtualKey) {
    return PostKeyMessage(dialog, WM_KEYDOWN, virtualKey) && PostKeyMessage(dialog, WM_KEYUP, virtualKey);
}

bool PressCloseBox(HWND window) { return ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0) != FALSE; }

}  // namespace uiauto
