// uiauto.exe: drives the launcher's windows from a shell, one action per
// call. Usage:
//   uiauto.exe (--pid N | --image NAME) [--timeout SECONDS] COMMAND [ARGUMENT]
// Commands:
//   dump                  prints every launcher window (waits for one)
//   wait-dialog           waits for the language dialog and prints it
//   wait-box              waits for a message box and prints it
//   select-language ID    selects the entry whose item data is ID
//   click-ok | click-cancel
//   key down|up|enter|escape   a key press on the focused control
//   close                 the language dialog's close box
//   answer yes|no|ok|cancel    clicks that button of the message box
//   wait-exit             waits until the launcher has ended
// Every command waits at most the timeout (10 s unless given) for what it
// needs. Exit code 0: done; 1: not found in time or failed; 2: usage error.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "framework/Handles.h"
#include "uiauto.h"

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

// Text to the console as it is, to a pipe or file as UTF-8.
void Print(const std::wstring& text) {
    const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    DWORD written = 0;
    if (::GetConsoleMode(out, &mode)) {
        ::WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const int length =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &utf8[0], length, nullptr, nullptr);
    ::WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

void Complain(const std::wstring& text) { std::fwprintf(stderr, L"uiauto: %ls\n", text.c_str()); }

std::wstring Handle(HWND window) {
    std::wostringstream text;
    text << L"0x" << std::hex << reinterpret_cast<UINT_PTR>(window);
    return text.str();
}

std::wstring Number(long long value) { return std::to_wstring(value); }

void PrintLanguageDialog(HWND window, const uiauto::LanguageDialogState& state) {
    std::wstring out = L"language dialog " + Handle(window) + L"\n";
    out += L"  caption: " + state.caption + L"\n";
    out += L"  prompt: " + state.prompt + L"\n";
    out += L"  button 1002: " + state.okText + L"\n";
    out += L"  button 1003: " + state.cancelText + L"\n";
    out += L"  entries:\n";
    for (size_t i = 0; i < state.entries.size(); ++i) {
        const bool selected = static_cast<int>(i) == state.selectedIndex;
        out += std::wstring(selected ? L"  * " : L"    ") + L"[" + Number(static_cast<long long>(i)) + L"] " +
               Number(state.entries[i].data) + L" " + state.entries[i].text + L"\n";
    }
    out += L"  selected: " + (state.Selected() ? Number(state.Selected()->data) : std::wstring(L"none")) + L"\n";
    out += L"  focus: control " + Number(state.focusedControlId) + L"\n";
    out += std::wstring(L"  topmost: ") + (state.topmost ? L"yes" : L"no") + L"\n";
    out += std::wstring(L"  centred: ") + (state.centred ? L"yes" : L"no") + L"\n";
    Print(out);
}

void PrintMessageBox(HWND window, const uiauto::MessageBoxState& state) {
    std::wstring out = L"message box " + Handle(window) + L"\n";
    out += L"  caption: " + state.caption + L"\n";
    out += L"  text: " + state.text + L"\n";
    out += std::wstring(L"  icon: ") + uiauto::IconKindName(state.icon) + L"\n";
    for (const auto& button : state.buttons) out += L"  button " + Number(button.id) + L": " + button.text + L"\n";
    out += L"  owner: " + Handle(state.owner) + L"\n";
    Print(out);
}

bool PrintWindow(HWND window) {
    if (uiauto::IsLanguageDialog(window)) {
        const auto state = uiauto::ReadLanguageDialog(window);
        if (state) PrintLanguageDialog(window, *state);
        return state.has_value();
    }
    if (uiauto::IsMessageBox(window)) {
        const auto state = uiauto::ReadMessageBox(window);
        if (state) PrintMessageBox(window, *state);
        return state.has_value();
    }
    return false;
}

struct Options {
    std::optional<DWORD> pid;
    std::wstring image;
    uiauto::Milliseconds timeout = uiauto::kDefaultTimeout;
    std::wstring command;
    std::wstring argument;
};

std::optional<Options> ParseOptions(const std::vector<std::wstring>& args) {
    Options options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == L"--pid" && hasValue) {
            options.pid = static_cast<DWORD>(std::wcstoul(args[++i].c_str(), nullptr, 0));
        } else if (arg == L"--image" && hasValue) {
            options.image = args[++i];
        } else if (arg == L"--timeout" && hasValue) {
            options.timeout = uiauto::Milliseconds(static_cast<long long>(std::wcstod(args[++i].c_str(), nullptr) * 1000));
        } else if (options.command.empty()) {
            options.command = arg;
        } else if (options.argument.empty()) {
            options.argument = arg;
        } else {
            return std::nullopt;
        }
    }
    static const std::vector<std::wstring> commands = {
        L"dump", L"wait-dialog", L"wait-box", L"select-language", L"click-ok", L"click-cancel",
        L"key", L"close", L"answer", L"wait-exit"};
    bool known = false;
    for (const auto& command : commands) known = known || command == options.command;
    if (!known || options.pid.has_value() == !options.image.empty()) return std::nullopt;
    return options;
}

// The launcher's processes: the one given, or those running the image.
std::vector<DWORD> Targets(const Options& options) {
    return options.pid ? std::vector<DWORD>{*options.pid} : uiauto::ProcessIdsByImage(options.image);
}

// The first window of a target process that `matches`, waiting for it.
HWND WaitForWindow(const Options& options, bool (*matches)(HWND)) {
    HWND found = nullptr;
    uiauto::WaitUntil(
        [&] {
            for (DWORD pid : Targets(options)) {
                for (HWND window : uiauto::DialogWindowsOf(pid)) {
                    if (matches(window)) {
                        found = window;
                        return true;
                    }
                }
            }
            return false;
        },
        options.timeout);
    return found;
}

bool AnyLauncherWindow(HWND window) { return uiauto::IsLanguageDialog(window) || uiauto::IsMessageBox(window); }

int Dump(const Options& options) {
    if (!WaitForWindow(options, &AnyLauncherWindow)) return kFailed;
    for (DWORD pid : Targets(options)) {
        for (HWND window : uiauto::DialogWindowsOf(pid)) PrintWindow(window);
    }
    return kDone;
}

int WaitExit(const Options& options) {
    if (options.pid) {
        fw::UniqueKernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, *options.pid));
        if (!process) return kDone;  // already gone
        return ::WaitForSingleObject(process.Get(), static_cast<DWORD>(options.timeout.count())) == WAIT_OBJECT_0
                   ? kDone
                   : kFailed;
    }
    return uiauto::WaitUntil([&] { return Targets(options).empty(); }, options.timeout) ? kDone : kFailed;
}

int OnLanguageDialog(const Options& options) {
    const HWND dialog = WaitForWindow(options, &uiauto::IsLanguageDialog);
    if (!dialog) {
        Complain(L"no language dialog");
        return kFailed;
    }
    const std::wstring& command = options.command;
    if (command == L"wait-dialog") return PrintWindow(dialog) ? kDone : kFailed;
    if (command == L"select-language") {
        wchar_t* end = nullptr;
        const long long data = std::wcstoll(options.argument.c_str(), &end, 10);
        if (options.argument.empty() || *end != L'\0') return kUsage;
        if (!uiauto::SelectLanguage(dialog, static_cast<LONG_PTR>(data))) {
            Complain(L"no entry with item data " + options.argument);
            return kFailed;
        }
        return PrintWindow(dialog) ? kDone : kFailed;
    }
    if (command == L"click-ok") return uiauto::ClickButton(dialog, uiauto::kOkButtonId) ? kDone : kFailed;
    if (command == L"click-cancel") return uiauto::ClickButton(dialog, uiauto::kCancelButtonId) ? kDone : kFailed;
    if (command == L"close") return uiauto::PressCloseBox(dialog) ? kDone : kFailed;
    if (command == L"key") {
        static const std::map<std::wstring, UINT> keys = {
            {L"down", VK_DOWN}, {L"up", VK_UP}, {L"enter", VK_RETURN}, {L"escape", VK_ESCAPE}};
        const auto key = keys.find(options.argument);
        if (key == keys.end()) return kUsage;
        return uiauto::PressKey(dialog, key->second) ? kDone : kFailed;
    }
    return kUsage;
}

int OnMessageBox(const Options& options) {
    const HWND box = WaitForWindow(options, &uiauto::IsMessageBox);
    if (!box) {
        Complain(L"no message box");
        return kFailed;
    }
    if (options.command == L"wait-box") return PrintWindow(box) ? kDone : kFailed;
    static const std::map<std::wstring, int> answers = {
        {L"yes", IDYES}, {L"no", IDNO}, {L"ok", IDOK}, {L"cancel", IDCANCEL}};
    const auto answer = answers.find(options.argument);
    if (answer == answers.end()) return kUsage;
    if (!uiauto::ClickButton(box, answer->second)) {
        Complain(L"the message box has no button " + options.argument);
        return kFailed;
    }
    return uiauto::WaitForWindowClosed(box, options.timeout) ? kDone : kFailed;
}

int Run(const Options& options) {
    const std::wstring& command = options.command;
    if (command == L"dump") return Dump(options);
    if (command == L"wait-exit") return WaitExit(options);
    if (command == L"wait-box" || command == L"answer") return OnMessageBox(options);
    return OnLanguageDialog(options);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::vector<std::wstring> args(argv + 1, argv + argc);
    const auto options = ParseOptions(args);
    const int result = options ? Run(*options) : kUsage;
    if (result == kUsage) {
        Complain(L"usage: uiauto.exe (--pid N | --image NAME) [--timeout SECONDS] COMMAND [ARGUMENT]\n"
                 L"  commands: dump, wait-dialog, wait-box, select-language ID, click-ok, click-cancel,\n"
                 L"            key down|up|enter|escape, close, answer yes|no|ok|cancel, wait-exit");
    }
    return result;
}
