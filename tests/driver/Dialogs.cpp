#include "tests/driver/Dialogs.h"

#include <vector>

#include <windows.h>

#include "tests/driver/Process.h"

namespace testdriver {

namespace {

constexpr DWORD kPollIntervalMs = 50;
// Control ids of the old-style common Save dialog (the kind Wine shows): the file-name field is
// either a plain edit (edt1) or an editable combo box (cmb13), depending on the dialog's flags.
constexpr int kFileNameEdit = 0x480;
constexpr int kFileNameCombo = 0x47C;

struct WindowSearch {
    DWORD processId;
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK findWindowOfProcess(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    wchar_t className[16] = {};
    ::GetClassNameW(window, className, 16);
    if (owner == search->processId && ::IsWindowVisible(window) && _wcsicmp(className, search->className) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

bool hasEnded(const Process& process) {
    return ::WaitForSingleObject(process.handle(), 0) == WAIT_OBJECT_0;
}

std::wstring windowText(HWND window) {
    if (!window) return std::wstring();
    // WM_GETTEXT is marshalled across processes, so this reads another program's window too.
    const int length = ::GetWindowTextLengthW(window);
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    const int copied = ::GetWindowTextW(window, buffer.data(), static_cast<int>(buffer.size()));
    return std::wstring(buffer.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

HWND fileNameField(const Dialog& dialog) {
    if (HWND edit = ::GetDlgItem(dialog.window, kFileNameEdit)) return edit;
    return ::GetDlgItem(dialog.window, kFileNameCombo);
}

// A dialog that was answered disappears (or becomes hidden) once its thread handles the posted
// command; waiting for that keeps one dialog from being answered twice.
}  // namespace

bool waitUntilGone(const Dialog& dialog, const Process& process, DWORD timeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    while (::IsWindow(dialog.window) && ::IsWindowVisible(dialog.window)) {
        if (hasEnded(process) || ::GetTickCount64() >= deadline) return !::IsWindow(dialog.window);
        ::Sleep(kPollIntervalMs / 2);
    }
    return true;
}

HWND visibleWindowOf(DWORD processId, const wchar_t* className) {
    WindowSearch search{processId, className, nullptr};
    ::EnumWindows(findWindowOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

Dialog waitForDialog(const Process& process, DWORD timeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        if (HWND window = visibleWindowOf(process.id(), L"#32770")) return Dialog{window};
        if (hasEnded(process) || ::GetTickCount64() >= deadline) return Dialog{};
        ::Sleep(kPollIntervalMs);
    }
}

std::wstring caption(const Dialog& dialog) {
    return windowText(dialog.window);
}

std::wstring messageText(const Dialog& dialog) {
    return windowText(::GetDlgItem(dialog.window, 0xFFFF));
}

bool pressButton(const Dialog& dialog, int buttonId) {
    HWND button = ::GetDlgItem(dialog.window, buttonId);
    if (!button) return false;
    // Posted, not sent: the dialog's modal loop picks it up as it would a click, and the test
    // does not block on a program that opens the next dialog from inside the handler.
    return ::PostMessageW(dialog.window, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                          reinterpret_cast<LPARAM>(button)) != FALSE;
}

bool isSaveDialog(const Dialog& dialog) {
    return fileNameField(dialog) != nullptr;
}

bool enterFileNameAndSave(const Dialog& dialog, const std::wstring& path) {
    HWND field = fileNameField(dialog);
    if (!field) return false;
    // Sent, so the text is in place before the posted OK makes the dialog read it. On an editable
    // combo box WM_SETTEXT sets the text of its edit part.
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()), SMTO_ABORTIFHUNG,
                               5000, &result) ||
        !result) {
        return false;
    }
    return pressButton(dialog, IDOK);
}

int answerDialogsUntilExit(Process& process, int buttonId, DWORD timeoutMs, std::vector<std::wstring>* seen) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    int answered = 0;
    for (;;) {
        const ULONGLONG now = ::GetTickCount64();
        if (now >= deadline) return hasEnded(process) ? answered : -1;
        const Dialog dialog = waitForDialog(process, static_cast<DWORD>(deadline - now));
        if (!dialog) {
            if (hasEnded(process)) return answered;
            continue;
        }
        // A message box without the wanted button is closed with OK (its only way out); a Save
        // dialog is refused with Cancel, so no file is written under a name nobody chose.
        if (seen) seen->push_back(caption(dialog) + L": " + messageText(dialog));
        const int fallback = isSaveDialog(dialog) ? IDCANCEL : IDOK;
        if (!pressButton(dialog, buttonId) && !pressButton(dialog, fallback)) return -1;
        ++answered;
        const ULONGLONG afterPress = ::GetTickCount64();
        if (!waitUntilGone(dialog, process, afterPress < deadline ? static_cast<DWORD>(deadline - afterPress) : 0))
            return -1;
    }
}

}  // namespace testdriver
