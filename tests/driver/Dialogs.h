#pragma once

#include <string>
#include <vector>

#include <windows.h>

namespace testdriver {

class Process;

// A top-level dialog (window class "#32770": message boxes, the Save dialog) of a process.
struct Dialog {
    HWND window = nullptr;
    explicit operator bool() const { return window != nullptr; }
};

// The first visible top-level window of the process whose window class is className (compared
// without case); null when there is none.
HWND visibleWindowOf(DWORD processId, const wchar_t* className);

// Waits up to timeoutMs for a visible top-level dialog of the process; empty when none appeared
// (or the process ended first).
Dialog waitForDialog(const Process& process, DWORD timeoutMs);

// The dialog's caption.
std::wstring caption(const Dialog& dialog);
// A message box's text (its static control 0xFFFF).
std::wstring messageText(const Dialog& dialog);
// Presses a button as a user would (IDYES, IDNO, IDOK, IDCANCEL); true when the button exists.
bool pressButton(const Dialog& dialog, int buttonId);
// True when the dialog is a common Save (or Open) dialog: it has a file-name field.
bool isSaveDialog(const Dialog& dialog);
// Types a file name into a Save dialog and confirms it; false when it has no file-name field.
bool enterFileNameAndSave(const Dialog& dialog, const std::wstring& path);

// Waits until an answered dialog has gone, so the next look does not find it again while its
// thread still handles the answer; false when it is still there after timeoutMs. Returns at once
// when the process has ended.
bool waitUntilGone(const Dialog& dialog, const Process& process, DWORD timeoutMs);

// Waits for the process to end, answering every dialog it shows with the given button, for at
// most timeoutMs; returns how many dialogs were answered, or -1 when the process did not end.
// A message box without that button is answered with OK, a Save dialog with Cancel. When seen is
// given, it receives "caption: text" of every dialog answered, for the test's failure message.
int answerDialogsUntilExit(Process& process, int buttonId, DWORD timeoutMs,
                           std::vector<std::wstring>* seen = nullptr);

}  // namespace testdriver
